// Console installations end to end through real archives made by tools/make-archive: the exact
// output and exit code a user sees, the files left, and nothing touched outside the target. A
// refused, failed or interrupted run leaves what was there before, and the next one succeeds.
#include "installerOptions.h"
#include "ornaBase.h"
#include "ornaInstaller.h"
#include "testSupport.h"

#include <QtTest>

#include <unistd.h>
#include <utility>

using namespace TestSupport;

namespace {

QByteArray settings(const char *uninstallerEnabled)
{
    return QByteArray("// KTF v1 utf8\nSettings {\n    product = Tool\n    version = 2.0\n"
                      "    shortApplicationName = Tool\n    installerTargetDirectory = Tool\n"
                      "    menuCategory = Science\n    link1 = yes\n    link1Name = Tool\n"
                      "    link1DesktopName = \"Tool 2.0\"\n    link1Application = bin/tool\n"
                      "    link1Icon = tool\n    link1Action1 = yes\n    link1Action1Name = Shell\n"
                      "    link1Action1Exec = bin/tool\n    uninstallerEnabled = ") +
           uninstallerEnabled + "\n}\n";
}

// Blanks, quotes and non-ASCII letters in names, an executable, a private file and a link.
const QStringList productFiles = QString("bin/icons/48x48/tool.png|bin/tool|bin/tool-link|data/"
                                         "Grüße \"quoted\" and 'single'.txt|data/private.txt|"
                                         "doc/read me.txt")
                                     .split('|');

const QString hint =
    "You can force the installation by passing the --force-prefix command line option.\n"
    "WARNING: The uninstaller will delete the installation directory completely.\n";

const QString installingLine = "Installing Tool 2.0 in TARGET...\n";

QStringList entries(const QString &directory)
{
    return QDir(directory).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                     QDir::NoDotAndDotDot);
}

// Every entry below the directories, files with size and time of change: whatever a run
// creates, changes or removes shows.
QByteArray snapshot(const QStringList &directories)
{
    return runProgram("bash", QStringList{"-c",
                                          "find \"$@\" -type f -printf '%p %s %T@\\n' -o "
                                          "-printf '%p\\n' | sort",
                                          "find"} +
                                  directories)
        .standardOutput;
}

// An output with what changes from run to run as 0, # or X: durations, sizes of the file
// system and the names of temporary directories.
QString normalized(const QByteArray &output)
{
    static const QRegularExpression figures("(\"(seconds|freeBytes|neededBytes)\":)[0-9.]+"),
        sizes("[0-9.]+ (kB |MB |bytes )?(needed|free)"), directories("orna-install\\.\\w+");
    return QString::fromUtf8(output)
        .replace(figures, "\\10")
        .replace(sizes, "# \\2")
        .replace(directories, "orna-install.X");
}

// Run with bash -c: the first line of an installation's output only, then the installation's
// exit code; the uninstall script $0 with nobody reading its output; the installation from $3
// on, given signal $1 once its copy into $0 has begun, as its job or to its installer ($2).
const QString firstLine = "bash \"$@\" | head -1; echo ${PIPESTATUS[0]}";
const QString noReader = "\"$0\" --mode console --verbose | true; echo ${PIPESTATUS[0]}";
const QString interrupt = "set -m; \"${@:3}\" & a=$!; exec 2>/dev/null; for ((i = 0; i < 3000 "
                          "&& $(ls -A \"$0\" | wc -l) < 3; i++)); do sleep 0.01; done; kill -$1 "
                          "-- $([[ $2 == job ]] && echo -$a || cat /proc/$a/task/$a/children); "
                          "wait $a";

} // namespace

class InstallTest : public QObject
{
    Q_OBJECT

private:
    WorkDirectory work;
    QString product, installer, plainInstaller, archive, plainArchive, largeArchive, script, copy;
    QStringList mounts;
    QString canary, canaryDirectory;
    QFile::Permissions canaryPermissions;
    // New for every test row: the sandbox's home and TMPDIR, and a target that does not exist.
    QString home, tmp, target;
    QProcessEnvironment environment;

    // Arguments that start with "printf:" go through printf first: control characters and bytes
    // that are not UTF-8.
    ProcessResult run(const QStringList &command)
    {
        const char *printed = "a=(); for x; do [[ $x != printf:* ]] || x=$(printf \"${x#printf:}\")"
                              "; a+=(\"$x\"); done; exec \"${a[@]}\"";
        return runProgram("bash", QStringList{"-c", printed, "run"} + command, environment,
                          work.path());
    }

    // Replaces the names of the row's paths (TARGET, its PARENT, HOME, TMP, TLINK to the target,
    // HLINK to home, ODD a target with odd letters, the archives TOOL, PLAIN, LARGE and the row's
    // COPY, the INSTALLER with its SCRIPT and SETTINGS), TOOL's SIZE and that SIZE less 10 (CUT),
    // HINT, USAGE, the product's FILES and FILE_EVENTS and the scripts above.
    QString expand(const QString &text) const
    {
        const QString files = productFiles.join('\n');
        QString events;
        for (int i = 0; i < productFiles.size(); ++i)
            events += QString("{\"event\":\"file\",\"index\":%1,\"path\":\"%2\",\"total\":6}\n")
                          .arg(i + 1)
                          .arg(QString(productFiles.at(i)).replace('"', "\\\""));
        const QStringList keys = QString("FILE_EVENTS FILES TARGET PARENT HOME TMP TLINK HLINK ODD "
                                         "TOOL PLAIN INSTALLER SCRIPT SETTINGS HINT USAGE COPY "
                                         "SIZE CUT LARGE FIRST_LINE NO_READER INTERRUPT")
                                     .split(' ');
        const QStringList values = QStringList()
                                   << events << files << target << QFileInfo(target).path() << home
                                   << tmp << target + "-link" << target + "-home"
                                   << target + "/Tool ünicode 'x' back\\slash" << archive
                                   << plainArchive << plainInstaller + "/LinuxInstaller" << script
                                   << plainInstaller + "/installer.settings" << hint
                                   << expectedUsage("tool.run") << copy
                                   << QString::number(QFileInfo(archive).size())
                                   << QString::number(QFileInfo(archive).size() - 10)
                                   << largeArchive << firstLine << noReader << interrupt;
        QString result;
        qsizetype done = 0;
        // In one pass: no name is found in what replaces another.
        for (auto it = QRegularExpression("\\b(" + keys.join('|') + ")\\b").globalMatch(text);
             it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            result += text.mid(done, match.capturedStart() - done) +
                      values.at(keys.indexOf(match.captured()));
            done = match.capturedEnd();
        }
        return result + text.mid(done);
    }

    // A row's words; CONSOLE stands for a console installation's options up to --prefix, and
    // SCRIPT, the installer's archive script, brings the installer's SETTINGS.
    QStringList commandOf(const QString &row) const
    {
        QStringList words;
        for (const QString &word : row.split(' '))
            words << (word == "CONSOLE"
                          ? QStringList{"--mode", "console", "--no-desktop-files", "--prefix"}
                      : word == "SCRIPT"
                          ? QStringList{script, "--settings-file", expand("SETTINGS")}
                          : QStringList{expand(word)});
        return words;
    }

    // What a row finds in the target: INSTALLED an installation, uninstall an old uninstall
    // script, NAME/ a directory, any other name a file that says "old"; or, with FULL_DISK, a df
    // that finds 1 kB free there.
    void prepare(const QStringList &files)
    {
        for (const QString &file : files) {
            if (file == "INSTALLED")
                QCOMPARE(run(commandOf("bash TOOL CONSOLE TARGET")).exitCode, 0);
            else if (file.endsWith('/'))
                QVERIFY(QDir().mkpath(target + '/' + file));
            else if (file == "uninstall") // says where it runs and with what, leaves a trace
                QVERIFY(writeScript(target + "/uninstall",
                                    "echo old uninstaller: \"$PWD\" \"$@\""
                                    "; echo warning >&2; rm -rf Uninstaller; touch \"$0.ran\""));
            else if (file.startsWith("tmpfs:")) // on TMP, PARENT or TARGET; full if 1m
                mount(expand(file.section(':', 1, 1)), file.section(':', 2));
            else if (file.startsWith("damaged:")) // COPY: the archive cut short, or a byte
                damage(file.mid(8));              // changed in its part Installer or Product
            else if (file.startsWith("planted:")) // COPY: the product with a link to the canary
                plant(file.mid(8));               // directory (Uninstaller...) or file
            else if (file != "FULL_DISK")
                QVERIFY(writeFile(target + '/' + file, "old\n"));
            else if (const QString bin = work.fresh("bin");
                     writeScript(bin + "/df", "[[ ${!#} == " + QFileInfo(target).path().toUtf8() +
                                                  "* ]] || exec /usr/bin/df \"$@\"\necho F; "
                                                  "echo f 8 7 1 99% /\n"))
                environment.insert("PATH", bin + ':' + environment.value("PATH"));
        }
    }

    void mount(const QString &where, const QString &options)
    {
        QVERIFY(QDir().mkpath(where));
        QCOMPARE(runProgram("mount", {"-t", "tmpfs", "-o", options, "tmpfs", where}).exitCode, 0);
        mounts << where;
        if (options == "size=1m")
            runProgram("bash", {"-c", "head -c 2M /dev/zero > \"$0/fill\"", where});
    }

    void damage(const QString &part)
    {
        QVERIFY(QFile::copy(archive, copy = work.fresh("damaged") + "/tool.run"));
        const QRegularExpressionMatch range =
            QRegularExpression(part + " part: (\\d+) bytes at (\\d+),")
                .match(run({"bash", archive, "--info"}).standardOutput);
        QFile file(copy);
        QVERIFY(file.open(QIODevice::ReadWrite));
        if (part.isEmpty())
            QVERIFY(file.resize(file.size() - 10));
        else if (file.seek(range.captured(2).toLongLong() + range.captured(1).toLongLong() / 2))
            QCOMPARE(file.write(QByteArray(1, char(file.peek(1).at(0) ^ 0x5a))), 1);
    }

    void plant(const QString &link)
    {
        const QString planted = work.fresh("planted") + "/product";
        QCOMPARE(runProgram("cp", {"-a", product, planted}).exitCode, 0);
        QVERIFY(QDir().mkpath(QFileInfo(planted + '/' + link).path()));
        QVERIFY(QFile::link(link.startsWith("Uninstaller") ? canaryDirectory : canary,
                            planted + '/' + link));
        copy = makeArchive(planted, installer, planted + ".run");
    }

    // The target takes the next installation without --force-prefix.
    void verifyReinstallable()
    {
        const ProcessResult again = run(commandOf("bash TOOL CONSOLE TARGET"));
        QCOMPARE(QString::fromUtf8(again.standardOutput),
                 expand(installingLine + "Creating uninstaller...\nFinished.\n"));
        QCOMPARE(again.exitCode, 0);
    }

private Q_SLOTS:
    void initTestCase()
    {
        ORNABase::initialize();
        QVERIFY(work.isValid());
        product = work.filePath("product");
        for (const QString &file : productFiles) // each file says its name
            QVERIFY(file == "bin/tool-link" || writeFile(product + '/' + file, file.toUtf8()));
        QVERIFY(QFile::setPermissions(product + "/bin/tool",
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                          QFile::ReadGroup | QFile::ExeGroup));
        QVERIFY(QFile::setPermissions(product + "/data/private.txt",
                                      QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(QFile::link("tool", product + "/bin/tool-link"));
        installer = makeInstallerDirectory(work.filePath("installer"), settings("true"));
        plainInstaller = makeInstallerDirectory(work.filePath("plainInstaller"), settings("false"));
        archive = makeArchive(product, installer, work.filePath("tool.run"));
        plainArchive = makeArchive(product, plainInstaller, work.filePath("plain.run"));
        const QString large = work.filePath("large"); // so that a signal meets the copy
        QCOMPARE(runProgram("cp", {"-a", product, large}).exitCode, 0);
        for (int file = 0; file < 3000; ++file)
            QVERIFY(writeFile(large + QStringLiteral("/d%1/f%2").arg(file / 100).arg(file), "x\n"));
        largeArchive = makeArchive(large, installer, work.fresh("large") + "/tool.run");
        QVERIFY(!archive.isEmpty() && !plainArchive.isEmpty() && !largeArchive.isEmpty());
        canary = work.filePath("canary.txt");
        canaryDirectory = work.filePath("canaryDirectory");
        QVERIFY(writeFile(canary, "canary\n") && QDir().mkpath(canaryDirectory));
        canaryPermissions = QFile::permissions(canary);
    }

    void init()
    {
        home = work.fresh("home");
        tmp = work.fresh("tmp");
        target = work.fresh("target") + "/Tool";
        QVERIFY(QFile::link(home, target + "-home") && QFile::link(target, target + "-link"));
        environment = archiveEnvironment(home, tmp);
        environment.insert("XDG_RUNTIME_DIR", home + "/runtime");
        QVERIFY(QDir(home).mkpath("runtime"));
    }

    void cleanup()
    {
        for (const QString &mount : std::exchange(mounts, {}))
            runProgram("umount", {"-l", mount});
    }

    void console_data()
    {
        QTest::addColumn<QString>("command"); // see commandOf()
        QTest::addColumn<QString>("files");   // found in the target, see prepare()
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output");  // then "stderr: " and standard error, if any; or
                                              // after "...", lines to find in this order
        QTest::addColumn<QByteArray>("body"); // of SCRIPT
        const auto row = [](const char *name, const QString &command, const char *files,
                            int exitCode, const QString &output, const QByteArray &body = {}) {
            QTest::newRow(name) << command << QString(files) << exitCode << output << body;
        };
        const QString refused = "\n\nHINT\nUSAGE", in = installingLine;
        const QString root = "Error: Refusing to install in the root directory." + refused;
        const QString homeRefused = "Error: Refusing to install in the home directory." + refused;
        const QString control = "stderr: Error: the installation directory must not contain "
                                "control characters such as tab or line feed: $'TARGET";
        const QString done = "Creating uninstaller...\nFinished.\n";
        const QString removed = "Removing what was installed in TARGET...\nFinished.\nUSAGE";
        // Refused before anything is written: dangerous places however they are written, an
        // occupied directory, names that desktop files could not carry.
        row("root", "bash TOOL CONSOLE /", "", 1, root);
        row("root through missing directories", "bash TOOL CONSOLE /orna-x/y/../..", "", 1, root);
        row("home", "bash TOOL CONSOLE HOME", "", 1, homeRefused);
        row("home through a link", "bash TOOL CONSOLE HLINK", "", 1, homeRefused);
        row("home through a missing directory and .", "bash TOOL CONSOLE HOME/x/../.", "", 1,
            homeRefused);
        row("temporary directory", "bash TOOL CONSOLE TMP", "", 1,
            "Error: Refusing to install in the temporary directory." + refused);
        row("not empty", "bash TOOL CONSOLE TARGET", "kept", 1,
            "Error: The installation directory 'TARGET' is not empty." + refused);
        row("tab", "bash TOOL CONSOLE printf:TARGET\\tx", "", 1, control + "\\tx'\n");
        row("line feed", "bash TOOL CONSOLE printf:TARGET\\nx", "", 1, control + "\\nx'\n");
        row("not UTF-8", "bash TOOL CONSOLE printf:TARGET\\351", "", 1,
            "stderr: Error: the installation directory is not valid UTF-8 text: $'TARGET\\351'\n");
        row("uninstaller that cannot start", "bash TOOL CONSOLE TARGET",
            "Uninstaller/LinuxInstaller uninstall/", 1,
            "Calling TARGET/uninstall...\nError: Uninstaller did not start: execvp: Permission "
            "denied\nUSAGE");
        // Installed: every file as packed, file lines only with --verbose; hidden files count as
        // empty; --force-prefix, and no checks at all without an uninstaller.
        row("every file, sh starts bash", "sh PLAIN CONSOLE ODD --verbose", "", 0,
            "Installing Tool 2.0 in ODD...\nFILES\nFinished.\n");
        row("no file lines without --verbose", "bash PLAIN CONSOLE TARGET", "", 0,
            in + "Finished.\n");
        row("hidden files only", "bash TOOL CONSOLE TARGET", ".kept", 0, in + done);
        row("--force-prefix: home", "bash TOOL CONSOLE HOME --force-prefix", "", 0,
            "Installing Tool 2.0 in HOME...\n" + done);
        row("no uninstaller: home", "bash PLAIN CONSOLE HOME", "", 0,
            "Installing Tool 2.0 in HOME...\nFinished.\n");
        row("no uninstaller: not empty, its uninstall not run", "bash PLAIN CONSOLE TARGET",
            "kept uninstall", 0, in + "Finished.\n");
        // A previous installation goes first, through its uninstall script in console mode.
        const QString old = "Calling TARGET/uninstall...\nold uninstaller: TARGET --mode console";
        const QString copied = "TMP/orna-install.X/installer";
        row("previous installation", "bash TOOL CONSOLE TARGET --verbose",
            "Uninstaller/LinuxInstaller kept uninstall", 0,
            old + " --verbose\nwarning\n" + in +
                "FILES\nCreating uninstaller...\nCopying files "
                "from " +
                copied + " to TARGET/Uninstaller\n" + copied +
                "/LinuxInstaller -> "
                "TARGET/Uninstaller/LinuxInstaller\n" +
                copied +
                "/installer.settings -> "
                "TARGET/Uninstaller/installer.settings\nWrote TARGET/uninstall\nFinished.\n");
        row("--force-prefix: not empty, no uninstaller's mark",
            "bash TOOL CONSOLE TARGET --force-prefix", "kept uninstall", 0,
            old + "\nwarning\n" + in + done);
        row("previous installation through a link", "bash TOOL CONSOLE TLINK", "INSTALLED", 0,
            "Calling TLINK/uninstall...\nDeleting the installation directory TARGET...\nDone.\n"
            "Installing Tool 2.0 in TLINK...\n" +
                done);
        // An output closed early (`| head -1`, a reader gone at once) stops neither the
        // installation nor the uninstallation.
        row("output closed", "bash -c FIRST_LINE bash LARGE CONSOLE TARGET --verbose", "", 0,
            in + "0\n");
        row("output closed: uninstallation", "bash -c NO_READER TARGET/uninstall", "INSTALLED", 0,
            "0\n");
        // The archive's own commands; --install as the installer calls it, here with no
        // installer unpacked in TMP.
        row("--check", "bash TOOL --check", "", 0,
            "The installer part is intact.\nThe product part is intact.\n");
        row("--list", "bash TOOL --list", "", 0, "FILES\n");
        row("--extract without a directory", "bash TOOL --extract", "", 2,
            "stderr: Error: --extract needs a directory.\n");
        row("--install without its temporary directory", "bash TOOL --install TARGET /no/such", "",
            1, "stderr: Error: The temporary directory does not exist: /no/such\n");
        row("--install", "bash TOOL --install TARGET TMP", "", 0, "FILES\n");
        // --dry-run writes nothing; the installation then runs the commands the plan shows.
        row("dry run", "bash TOOL --dry-run --prefix TARGET", "", 0,
            QString(R"(Dry run of the installation of Tool 2.0: nothing is written.
Target directory: TARGET
Check "root directory": passed
Check "home directory": passed
Check "temporary directory": passed
Check "not empty": passed
Check "writable": passed
Previous installation: none
Files: 6, 105 bytes unpacked
Space: # needed, # free on the file system of PARENT
Uninstaller: TARGET/uninstall, with a copy of the installer in TARGET/Uninstaller/
Icon (size 48): TARGET/bin/icons/48x48/tool.png
    xdg-icon-resource install --novendor --size 48 TARGET/bin/icons/48x48/tool.png
Desktop shortcut "Tool 2.0": D/Tool_link1-desktop.desktop
    xdg-desktop-icon install --novendor D/Tool_link1-desktop.desktop
Launcher favourite: none (no Unity launcher settings to add D/Tool_link1-desktop.desktop to)
Menu entry "Tool": D/Tool_link1-menu.desktop
Menu entry "Uninstall Tool 2.0": D/Tool_link2-menu.desktop
Submenu "Tool 2.0": D/Tool1-menu.directory
    xdg-desktop-menu install --novendor D/Tool1-menu.directory D/Tool_link1-menu.desktop D/Tool_link2-menu.desktop
Program run after installation: none
The installation would proceed.
)")
                .replace("D/", "TARGET/Uninstaller/desktopEntries/"));
        row("dry run: previous installation", "bash TOOL CONSOLE TARGET --dry-run",
            "Uninstaller/LinuxInstaller uninstall", 0,
            "...\nPrevious installation: removed first by its uninstaller\n    (cd TARGET && "
            "TARGET/uninstall --mode console)\nThe installation would proceed.\n");
        row("dry run: not enough space", "bash TOOL CONSOLE TARGET --dry-run", "FULL_DISK", 1,
            "...\nError: not enough space in TARGET: # needed, # free.\nThe installation would be "
            "refused.\nUSAGE");
        row("dry run: not writable", "bash TOOL CONSOLE TARGET/.kept/Tool --dry-run", ".kept", 1,
            "...\nCheck \"writable\": refused\nError: Failed to create installation directory: "
            "TARGET/.kept/Tool\nThe installation would be refused.\n");
        // --progress=json: a JSON object a line; the end event carries the exit code.
        const QString start =
            R"({"event":"start","files":6,"product":"Tool","target":"TARGET","version":"2.0"})"
            "\n";
        const QString occupied = "Error: The installation directory 'TARGET' is not empty.\n\n";
        const QString end = "{\"event\":\"end\",\"exitCode\":%1,\"seconds\":0}\n";
        const auto message = [](const QString &text, const QString &event = "message") {
            return QString("{\"event\":\"%1\",\"text\":\"%2\"}\n").arg(event, text);
        };
        row("JSON", "bash TOOL CONSOLE TARGET --progress=json", "", 0,
            start + message("Installing Tool 2.0 in TARGET...") + "FILE_EVENTS" +
                message("Creating uninstaller...") + message("Finished.") + end.arg(0));
        row("JSON: refused", "bash TOOL CONSOLE TARGET --progress=json", "kept", 1,
            start + message(QString(occupied + hint).replace("\n", "\\n"), "error") + end.arg(1));
        row("JSON: dry run", "bash TOOL CONSOLE TARGET --dry-run --progress=json", "kept", 1,
            start +
                R"({"checks":{"home directory":"passed","not empty":"refused","root )"
                R"(directory":"passed","temporary directory":"passed"},"commands":[],)"
                R"("errors":[")" +
                QString(occupied + hint).replace("\n", "\\n") +
                R"("],"event":"plan","files":6,"freeBytes":0,"neededBytes":0,"proceed":false,)"
                R"("target":"TARGET","uninstaller":"TARGET/uninstall","unpackedBytes":105})"
                "\n" +
                end.arg(1));
        row("JSON: uninstallation", "TARGET/uninstall --mode silent --progress=json", "INSTALLED",
            0,
            R"({"event":"start","product":"Tool","target":"TARGET","version":"2.0"})"
            "\n" +
                message("Deleting the installation directory TARGET...") + message("Done.") +
                end.arg(0));
        // A signal during the copy, to the job as the terminal's Ctrl-C sends it or to the
        // installer: said, exit code 128 + its number, rolled back, ready for the next one.
        const QString job = "bash -c INTERRUPT TARGET %1 bash LARGE CONSOLE TARGET",
                      interrupted = "Error: The installation was interrupted by SIG";
        row("Ctrl-C", job.arg("INT job"), ".kept", 130,
            in + interrupted + "INT.\nRemoving what was installed in TARGET...\nUSAGE");
        row("SIGTERM to the installer", job.arg("TERM installer"), ".kept", 143,
            in + interrupted + "TERM.\nRemoving what was installed in TARGET...\nUSAGE");
        row("hang-up", job.arg("HUP job"), ".kept", 129,
            in + interrupted + "HUP.\nRemoving what was installed in TARGET...\nUSAGE");
        row("Ctrl-C, JSON", job.arg("INT job") + " --progress=json", ".kept", 130,
            "...\n" + message(interrupted + "INT.", "error") + end.arg(130));
        row("SIGTERM to the installer, JSON", job.arg("TERM installer") + " --progress=json",
            ".kept", 143, "...\n" + message(interrupted + "TERM.", "error") + end.arg(143));
        // Damaged archives: refused before anything is written, or noticed while streaming and
        // rolled back; --check tells which part.
        const QString cut = "stderr: Error: the archive is damaged: it has CUT bytes instead of "
                            "SIZE (an incomplete download?).\n";
        row("cut short", "bash COPY CONSOLE TARGET", "damaged:", 1, cut);
        row("cut short: --check", "bash COPY --check", "damaged:", 1, cut);
        row("installer part", "bash COPY CONSOLE TARGET", "damaged:Installer", 1,
            "stderr: Error: the archive is damaged.\n");
        row("installer part: --check", "bash COPY --check", "damaged:Installer", 1,
            "The installer part is damaged.\nThe product part is intact.\n");
        row("product part", "bash COPY CONSOLE TARGET", "damaged:Product", 1,
            in +
                "tar: This does not look like a tar archive\ntar: Exiting with failure status due "
                "to previous errors\nError: the archive is damaged.\nError: The installation "
                "script failed with exit code 1.\n" +
                removed);
        row("product part: --check", "bash COPY --check", "damaged:Product", 1,
            "The installer part is intact.\nThe product part is damaged.\n");
        // Small file systems (root only): a temporary directory mounted noexec gives way to
        // $XDG_RUNTIME_DIR; no room there or in the target is found before anything is written;
        // an uninstaller that does not fit fails the installation, which is rolled back.
        row("noexec", "bash TOOL CONSOLE TARGET", "tmpfs:TMP:noexec,size=64m", 0,
            in + done +
                "stderr: Programs cannot run in the temporary directory TMP; using "
                "HOME/runtime instead.\n");
        row("full temporary directory", "bash TOOL CONSOLE TARGET", "tmpfs:TMP:size=1m", 1,
            "stderr: Error: not enough space in the temporary directory TMP (set TMPDIR to use "
            "another one): # needed, # free.\n");
        row("full target", "bash TOOL CONSOLE TARGET", "tmpfs:PARENT:size=1m", 1,
            in +
                "Error: not enough space in TARGET: # needed, # free.\nError: The installation "
                "script failed with exit code 1.\n" +
                removed);
        row("no room for the uninstaller", "bash TOOL CONSOLE TARGET",
            "tmpfs:TARGET:size=256k .kept", 1,
            "...\nCreating uninstaller...\nError: Failed to copy TMP/orna-install.X/installer/"
            "LinuxInstaller to TARGET/Uninstaller/LinuxInstaller\n" +
                removed);
        // Links planted in the product to a file or directory outside: the installer's own files
        // replace them or it leaves them as they are.
        const QString desktop = in + "Creating uninstaller...\nInstalling icons...\nCreating "
                                     "desktop shortcuts...\nCreating menu entries...\n";
        const char *planted = "bash COPY --mode console --prefix TARGET";
        row("planted link: uninstall", planted, "planted:uninstall", 0, desktop + "Finished.\n");
        row("planted link: start script", planted, "planted:bin/linuxStarter.py", 0,
            desktop + "Warning: TARGET/bin/linuxStarter.py is a symbolic link or lies outside the "
                      "installation directory; its permissions are left as they are.\nFinished.\n");
        row("planted link: uninstaller", planted, "planted:Uninstaller", 0,
            desktop + "Finished.\n");
        row("planted link: desktop entries", planted, "planted:Uninstaller/desktopEntries", 0,
            desktop + "Finished.\n");
        // The installer with a hand-written archive script: its lines, errors and failures.
        row("script: its arguments, lines trimmed", "INSTALLER SCRIPT CONSOLE TARGET --verbose", "",
            0, in + "--install\nTARGET\n3\ntwo\n" + QString(10000, 'x') + "\nlast\nFinished.\n",
            "printf '%s\\n' \"$1\" \"$2\" \"$#\"; printf '  two \\t\\n'; head -c 10000 /dev/zero | "
            "tr '\\0' x; echo; printf last");
        row("script: standard error always shown", "INSTALLER SCRIPT CONSOLE TARGET", "", 0,
            in + "problem: Grüße\ncafé\na\nFinished.\n",
            "echo hidden; echo '  problem: Grüße  ' >&2; printf 'caf\\xe9\\na\\0b\\n' >&2");
        row("script fails", "INSTALLER SCRIPT CONSOLE TARGET", ".kept", 1,
            in + "no space left\nError: The installation script failed with exit code 3.\n" +
                removed,
            "mkdir -p \"$2/bin\" \"$2/new/deeper\"; echo x > \"$2/bin/tool\"; echo bin/tool\n"
            "echo 'no space left' >&2; exit 3");
        row("script crashes", "INSTALLER SCRIPT CONSOLE TARGET", "", 1,
            in + "Error: The installation script crashed.\n" + removed,
            "mkdir \"$2/new\"; kill -SEGV $$");
        row("directory that cannot be created", "INSTALLER SCRIPT CONSOLE TARGET/.kept/Tool",
            ".kept", 1,
            "Installing Tool 2.0 in TARGET/.kept/Tool...\nError: Failed to create installation "
            "directory: TARGET/.kept/Tool\nUSAGE",
            "echo never");
        // A script that is no archive of ours is not asked for figures: it might install.
        row("dry run of a foreign script",
            "INSTALLER SCRIPT --temp-directory TMP --dry-run CONSOLE TARGET", "", 0,
            "...\nChecks of the target directory: none (uninstallerEnabled is off)\nFiles: unknown "
            "(the archive script tells no figures)\nUninstaller: none (uninstallerEnabled is off)\n"
            "Desktop integration: none (--no-desktop-files)\nThe installation would proceed.\n",
            "mkdir -p \"$2/bin\"");
    }

    void console()
    {
        QFETCH(QString, command);
        QFETCH(QString, files);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        QFETCH(QByteArray, body);
        script = work.fresh("script") + "/tool.run";
        QVERIFY(writeScript(script, body));
        if (files.contains("tmpfs") && ::geteuid() != 0)
            QSKIP("Mounting a small file system needs root.");
        prepare(files.split(' ', Qt::SkipEmptyParts));
        const QString parent = QFileInfo(target).path();
        const QByteArray before = snapshot({home, parent});
        const QStringList arguments = commandOf(command);
        const ProcessResult result = run(arguments);
        const QString shown =
            normalized(result.standardOutput +
                       (result.standardError.isEmpty() ? "" : "stderr: " + result.standardError));
        qsizetype next = 0;
        if (output.startsWith("...\n")) {
            for (const QString &line : expand(output.mid(4)).split('\n'))
                QVERIFY2((next = shown.split('\n').indexOf(line, next) + 1) > 0,
                         qPrintable("missing or out of order: " + line + "\n" + shown));
        } else {
            QCOMPARE(shown.split('\n'), expand(output).split('\n'));
        }
        QCOMPARE(result.exitCode, exitCode);
        QCOMPARE((entries(tmp) + entries(home + "/runtime")).filter("orna-"), QStringList());
        QVERIFY2(readAll(canary) == "canary\n" && QFile::permissions(canary) == canaryPermissions &&
                     entries(canaryDirectory).isEmpty(),
                 "changed outside the target");
        const bool dryRun = command.contains("--dry-run");
        if (exitCode != 0 || dryRun)
            QCOMPARE(snapshot({home, parent}), before);
        if ((exitCode > 128 || (exitCode != 0 && command.startsWith("INSTALLER"))) &&
            QFileInfo(target).isDir())
            verifyReinstallable();
        if (command.contains("TARGET/uninstall"))
            QVERIFY(!QFileInfo::exists(target));
        if (command.contains("TLINK")) // installed through, not replaced
            QVERIFY(QFileInfo(target + "-link").isSymLink());
        if (dryRun && command.startsWith("bash TOOL --dry-run")) {
            const ProcessResult installed =
                run({"bash", archive, "--mode", "console", "--verbose", "--prefix", target});
            QCOMPARE(installed.exitCode, 0);
            const QRegularExpression indented("^    ");
            QCOMPARE(QString::fromUtf8(installed.standardOutput).split('\n').filter("Running "),
                     shown.split('\n').filter(indented).replaceInStrings(indented, "Running "));
        }
        if (exitCode != 0 || dryRun || command.startsWith("INSTALLER") ||
            !(arguments.contains("--prefix") || command.contains("--install")))
            return;
        const qsizetype at = arguments.indexOf("--prefix");
        const QString prefix = at < 0 ? target : arguments.at(at + 1);
        for (const QString &file : productFiles) // the link leads to the tool
            QCOMPARE(readAll(prefix + '/' + file), file == "bin/tool-link" ? "bin/tool" : file);
        QVERIFY(QFileInfo(prefix + "/bin/tool").isExecutable() && // and private.txt for its owner
                QFileInfo(prefix + "/bin/tool-link").isSymLink() &&
                QFile::permissions(prefix + "/data/private.txt") == QFile::Permissions(0x6600));
        QCOMPARE(QFileInfo(prefix + "/Uninstaller/LinuxInstaller").isExecutable(),
                 !command.contains(QRegularExpression("PLAIN|--install")));
        for (const QString &file : files.split(' ')) // what was there stays
            QVERIFY(!file.contains("kept") || readAll(target + '/' + file) == "old\n");
    }

    // What the archive tells about itself and unpacks without installing; two makes of one
    // product are the same bytes.
    void inspection()
    {
        QCOMPARE(readAll(makeArchive(product, installer, work.fresh("again") + "/tool.run")),
                 readAll(archive));
        QVERIFY(run({"bash", archive, "--help"}).standardOutput.startsWith("Usage: tool.run [op"));
        QVERIFY(
            run({"bash", archive, "--info"})
                .standardOutput.startsWith("Name: tool.run\nFiles: 6\nUnpacked size: 105 bytes"));
        QCOMPARE(run({"bash", archive, "--extract", target}).exitCode, 0);
        QCOMPARE(entries(target), QStringList({"installer", "product", "tools"}));
        QCOMPARE(filesBelow(target + "/product"), productFiles);
        QVERIFY(QFileInfo(target + "/installer/LinuxInstaller").isExecutable());
        QCOMPARE(readAll(target + "/installer/installer.settings"), settings("true"));
    }

    // The wizard passes its field unchanged; an empty one is refused before anything else.
    void emptyDirectoryString()
    {
        InstallerOptions options;
        options.settingsFile = plainInstaller + "/installer.settings";
        options.installScript = "/nonexistent/archive.run";
        ORNAInstaller ornaInstaller(options, ORNAInstallerSettings(options));
        StreamCapture capture(STDOUT_FILENO);
        QVERIFY(!ornaInstaller.installInto(QString(), true));
        QCOMPARE(capture.text(),
                 QByteArray("Error: the given installation directory is an empty string.\n"));
        QVERIFY(!ornaInstaller.isInstallationRunning());
    }
};

QTEST_GUILESS_MAIN(InstallTest)
#include "tst_install.moc"
