#include "installerOptions.h"
#include "ornaBase.h"
#include "ornaDeletionGuard.h"
#include "ornaDesktopEntryText.h"
#include "ornaInstaller.h"
#include "ornaUninstaller.h"
#include "ornaUnityLauncher.h"
#include "testSupport.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWizard>
#include <QtTest>

using TestSupport::readAll;

namespace {

const QByteArray uninstallScript =
    "#!/usr/bin/env bash\nTHIS_DIR=`dirname \"$0\"`\nexport "
    "LD_LIBRARY_PATH=\"$THIS_DIR/Uninstaller\"\n\"$THIS_DIR/Uninstaller/LinuxInstaller\" "
    "--uninstall --settings-file \"$THIS_DIR/Uninstaller/installer.settings\" $@\n";

// As gsettings prints them: quotes, escapes and UTF-8 that the uninstaller must write back.
const QByteArray launcher = "['firefox.desktop', \"it's\", 'b\\\\c', 'n\\nl', '\u00e9']";

QByteArray deleting(const QString &directory)
{
    return "Deleting the installation directory " + directory.toUtf8() + "...\n";
}

// An engine that collects its messages.
template <typename Engine>
class Logged : public Engine
{
public:
    using Engine::Engine;
    void logMessage(const QString &message) override { log.append(message); }
    void logError(const QString &message) override { log.append("E:" + message); }
    QStringList log;
};

InstallerOptions treeOptions(const QString &directory, const QString &applicationDirectory = {})
{
    InstallerOptions options;
    options.prefix = directory;
    options.applicationDirectory = applicationDirectory;
    return options;
}

} // namespace

Q_DECLARE_METATYPE(LinkEntry)

// The engines in this process; the demo installed and uninstalled; the uninstaller started as users
// do: it deletes only what it runs from, never through a link (to the canary in home).
class InstalledTreeTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir sandbox;
    QString home = sandbox.filePath("home"), staging = sandbox.filePath("installer");
    QProcessEnvironment environment =
        TestSupport::archiveEnvironment(home, sandbox.filePath("tmp"));
    int rows = 0;

    TestSupport::ProcessResult run(const QString &program, const QStringList &arguments,
                                   const QString &directory = {})
    {
        return TestSupport::runProgram(program, arguments, environment, directory);
    }

    // A bash script, given $0, $1, ...: it runs in directory (the sandbox), which @ stands for.
    TestSupport::ProcessResult bash(QString script, const QStringList &arguments = {},
                                    QString directory = {})
    {
        directory = directory.isEmpty() ? sandbox.path() : directory;
        return run("bash", QStringList{"-c", script.replace('@', directory)} + arguments,
                   directory);
    }

    // desktop-file-validate may only report the installer's own Value key and odd categories.
    bool validates(const QString &file)
    {
        return bash("{ desktop-file-validate \"$0\"; } 2>&1 | grep -v '\"Value\"\\|\"Categories\"'",
                    {file})
            .standardOutput.isEmpty();
    }

    QByteArray favorites()
    {
        return run("gsettings", {"get", "com.canonical.Unity.Launcher", "favorites"})
            .standardOutput.trimmed();
    }

private Q_SLOTS:
    // A launcher schema, the demo's archive, and a tree as the installer leaves it for the rows.
    void initTestCase()
    {
        ORNABase::initialize();
        qputenv("HOME", home.toLocal8Bit()); // for the engines in this process
        environment.insert("GSETTINGS_SCHEMA_DIR", home + "/.schemas");
        QCOMPARE(
            bash("set -e; mkdir -p tmp home/.schemas home/.config/glib-2.0/settings installer; "
                 "echo '<schemalist><schema id=\"com.canonical.Unity.Launcher\" "
                 "path=\"/com/canonical/unity/launcher/\"><key name=\"favorites\" "
                 "type=\"as\"><default>[]</default></key></schema></schemalist>' > "
                 "home/.schemas/l.gschema.xml; glib-compile-schemas home/.schemas; gsettings set "
                 "com.canonical.Unity.Launcher favorites \"$0\"; cp \"$1\"/* \"$2\" installer; sed "
                 "-i 's|^ *InstallerFinishPage {|link4 = yes\\nlink4Application = "
                 "bin/Halvaron\\nlink4DesktopName = Second\\nlink4Icon = halvaron\\nlink4Name = "
                 "Second\\n&|' installer/installer.settings; echo canary > home/canary.txt",
                 {launcher, TestSupport::sourcePath("examples/demo/installer"),
                  TestSupport::binaryPath("LinuxInstaller")})
                .exitCode,
            0);
        QCOMPARE(favorites(), launcher);
        QVERIFY(!TestSupport::makeArchive(TestSupport::sourcePath("examples/demo/product"), staging,
                                          sandbox.filePath("demo.run"))
                     .isEmpty());
        // Without desktop files nothing is registered. The uninstaller's rows copy this tree.
        const QStringList before = TestSupport::filesBelow(home);
        QCOMPARE(
            bash("bash demo.run --mode console --no-desktop-files --prefix \"$PWD/tree\"").exitCode,
            0);
        QCOMPARE(TestSupport::filesBelow(home), before);
        QVERIFY(QFile::link(home, sandbox.filePath("tree/bin/home")));
    }

    void cleanup() { QCOMPARE(readAll(home + "/canary.txt"), QByteArray("canary\n")); }

    // Every file must also pass desktop-file-validate.
    void entryFiles_data()
    {
        QTest::addColumn<QString>("directory");
        QTest::addColumn<LinkEntry>("link");
        QTest::addColumn<bool>("menu");
        QTest::addColumn<QByteArray>("text");
        const QByteArray start = "[Desktop Entry]\nValue=1.0\nType=Application\nName=";
        // Fields: application, arguments, desktop name, icon, name, actions.
        LinkEntry odd{
            "bin/T", "-d <%InstallDir%>/d -a\nIcon=evil", "", "t\\x\r\tz", "T\nExec=/bin/evil", {}};
        odd.actions = {{"Open\nShell", "bin/it's\ny"}, {"Help", "bin/h"}};
        QTest::newRow("menu entry: line breaks add no keys")
            << "/t" << odd << true
            << start + "T\\nExec=/bin/evil\nExec=\"/t/bin/T\" -d /t/d "
                       "-a\\nIcon=evil\nIcon=t\\\\x\\r\\tz\nCategories=Sci\\nNoDisplay=true;"
                       "\nActions=OpenShell;Help\n\n[Desktop Action "
                       "OpenShell]\nName=Open\\nShell\nExec=\"/t/bin/it's\\ny\"\n\n\n[Desktop "
                       "Action Help]\nName=Help\nExec=/t/bin/h\n";
        // Exec values are quoted for the desktop-entry rules, then escaped as string values.
        const auto shortcut =
            [start](const char *name, const char *directory, const char *arguments,
                    const char *exec, const char *actionExec) {
                QTest::newRow(name)
                    << directory
                    << LinkEntry{"bin/T", arguments, "D", "t", "T", {{"A  B", "bin/s"}}} << false
                    << start + "D\nExec=" + exec +
                           "\nIcon=t\nActions=AB\n\n[Desktop Action AB]\nName=A  B\nExec=" +
                           actionExec + '\n';
            };
        shortcut("blank, placeholder quoted in the settings", "/a b",
                 "<%InstallDir%>/d \"<%InstallDir%>\" 5%", "\"/a b/bin/T\" \"/a b/d\" \"/a b\" 5%%",
                 "\"/a b/bin/s\"");
        shortcut("quote, dollar, backtick, backslash, percent", "/a\"$`\\%", "<%InstallDir%>/d",
                 "\"/a\\\\\"\\\\$\\\\`\\\\\\\\%%/bin/T\" \"/a\\\\\"\\\\$\\\\`\\\\\\\\%%/d\"",
                 "\"/a\\\\\"\\\\$\\\\`\\\\\\\\%%/bin/s\"");
    }
    void entryFiles()
    {
        QFETCH(QString, directory);
        QFETCH(LinkEntry, link);
        QFETCH(bool, menu);
        QFETCH(QByteArray, text);
        ORNAInstallerSettings settings;
        settings.menuCategory = "Sci\nNoDisplay=true";
        Logged<ORNAInstaller> installer(treeOptions(directory), settings);
        QTemporaryDir temp;
        const QString file = temp.filePath("e.desktop");
        QVERIFY(installer.writeDesktopEntryFile(file, link, menu));
        QCOMPARE(readAll(file), text);
        // Shortcuts on the desktop must be executable to be trusted; menu entries need not.
        QCOMPARE((QFile::permissions(file) & 0x1011).toInt(), menu ? 0 : 0x1010);
        QVERIFY(installer.log.isEmpty() && validates(file));
        QVERIFY(!installer.writeDesktopEntryFile("/nonexistent/x.desktop", link, menu));
        QCOMPARE(installer.log, QStringList{"E:Error: Failed to open file for writing: "
                                            "/nonexistent/x.desktop: No such file or directory"});
    }

    // Taken names are skipped, so nothing is replaced; with no links the submenu has a stock icon.
    void takenNamesAndStockIcon()
    {
        const QString directory = sandbox.filePath("names/Uninstaller/desktopEntries/");
        QVERIFY(TestSupport::writeFile(directory + "S_link1-desktop.desktop", ""));
        ORNAInstallerSettings settings;
        settings.shortApplicationName = "S";
        settings.productTitle = "T 1";
        QVERIFY(Logged<ORNAInstaller>(treeOptions("/t"), settings)
                    .writeMenuDirectoryFile(directory + "S1-menu.directory"));
        QVERIFY(validates(directory + "S1-menu.directory") &&
                readAll(directory + "S1-menu.directory").endsWith("=system-software-install\n"));
        settings.links = {{"bin/A", "", "a", "a", "A", {}}};
        Logged<ORNAInstaller> installer(treeOptions(sandbox.filePath("names")), settings);
        installer.createDesktopEntries(false, false, false);
        QCOMPARE(TestSupport::fileNames(directory).join(' '),
                 "S1-menu.directory S_link1-desktop.desktop S_link2-desktop.desktop");
        QVERIFY(readAll(directory + "S_link1-desktop.desktop").isEmpty() &&
                installer.log.isEmpty());
    }

    // The finish page's program arguments: split at every blank, each a whole argument.
    void runArguments()
    {
        QCOMPARE(ORNADesktopEntryText::runArguments("", "/t"), QStringList());
        QCOMPARE(ORNADesktopEntryText::runArguments("-d <%InstallDir%>/x  <%installdir%>", "/A B"),
                 (QStringList{"-d", "/A B/x", "", "<%installdir%>"}));
    }

    // Lists gsettings would not print are left alone; an appended path reads back whole.
    void favoriteLists()
    {
        QStringList parsed;
        for (const char *broken : {"['a", "['a' 'b']", "[a]", "oops", "['\\u00']"})
            QVERIFY2(!ORNAUnityLauncher::parseList(broken, parsed), broken);
        QVERIFY(ORNAUnityLauncher::appendedList("oops", "/x").isEmpty());
        QCOMPARE(ORNAUnityLauncher::appendedList("[]", "/x"), "['/x']");
        const QString file = "/it's\\x\ny";
        QVERIFY(ORNAUnityLauncher::parseList(ORNAUnityLauncher::appendedList("['g\\u00e9']", file),
                                             parsed));
        QCOMPARE(parsed, (QStringList{"g\u00e9", file}));
    }

    // No installation can hold the root directory.
    void rootRefusal()
    {
        const auto root = ORNADeletionGuard::refusalFor("/usr/..");
        QCOMPARE(
            root.title + '|' + root.text,
            "Refusing to delete the root directory|Refusing to delete the installation directory, "
            "because it is the root directory. Please delete the directory yourself.");
    }

    // With a wizard the refusal is a critical box over it, not a log line.
    void refusalBoxInWizard()
    {
        Logged<ORNAUninstaller> uninstaller(InstallerOptions(), ORNAInstallerSettings(),
                                            home + "/Uninstaller", home + "/Uninstaller/x");
        uninstaller.setupWizard();
        QString seen;
        QTimer timer; // ends with the test, also when no box came
        connect(&timer, &QTimer::timeout, this, [&]() {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                seen = box->windowTitle() + '|' + box->text() + '|' + QString::number(box->icon()) +
                       (box->parentWidget() == uninstaller.wizardWindow() ? "" : " elsewhere");
                box->accept();
            }
        });
        timer.start(50);
        QVERIFY(!uninstaller.uninstall());
        QCOMPARE(
            seen,
            "Refusing to delete the installation directory|Refusing to delete the installation "
            "directory, because it is the home directory. Please delete the directory yourself.|3");
        QCOMPARE(uninstaller.log.join('|'),
                 "Deleting the installation directory " + home + "...|Done.");
    }

    // The copy takes regular files, replaces nothing, keeps modes; finishing without an uninstaller
    // still makes the starter executable and names a missing product.
    void uninstallerCopyAndFinish()
    {
        QVERIFY(
            bash("mkdir -p app/sub t/Uninstaller t/uninstall t/bin && cd app && echo p > "
                 "LinuxInstaller && echo s > installer.settings && touch .hidden sub/f && ln -s "
                 "installer.settings linked && echo old > ../t/Uninstaller/installer.settings && "
                 "echo 'print()' > ../t/bin/linuxStarter.py && chmod 700 LinuxInstaller && chmod "
                 "640 installer.settings && chmod 600 ../t/*/*")
                .exitCode == 0);
        InstallerOptions options = treeOptions(sandbox.filePath("t"), sandbox.filePath("app"));
        options.createDesktopFiles = false;
        ORNAInstallerSettings settings;
        settings.runHalvaronInstall = true;
        Logged<ORNAInstaller> installer(options, settings);
        QVERIFY(installer.finishSteps());
        QVERIFY(!installer.createUninstaller());
        QCOMPARE(
            bash("cd t && find * ! -type d -printf '%p %M ' -exec cat {} ';' | sort")
                .standardOutput,
            "Uninstaller/LinuxInstaller -rwx------ p\nUninstaller/installer.settings -rw------- "
            "old\nUninstaller/linked -rw-r----- s\nbin/linuxStarter.py -rwx--x--- print()\n");
        QCOMPARE(installer.log,
                 (QStringList{"E:Error: cannot finish installation, because " + options.prefix +
                                  "/bin/Halvaron does not exist.",
                              "E:Error: Failed to open uninstall file for writing: " +
                                  options.prefix + "/uninstall: Is a directory"}));
    }

    // xdg-desktop-menu splits file arguments at blanks: a blank must not matter.
    void installAndUninstall_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::newRow("plain") << "Apps/Halvaron";
        QTest::newRow("blank in the directory") << "My Apps/Halvaron";
    }
    void installAndUninstall()
    {
        QFETCH(QString, prefix);
        prefix = sandbox.filePath(prefix);
        const QString entries = prefix + "/Uninstaller/desktopEntries/";
        QStringList registered, left = TestSupport::filesBelow(home);
        auto result = bash("bash demo.run --mode console --prefix \"$0\"", {prefix});
        QVERIFY2(result.exitCode == 0 && !result.standardOutput.contains("Error"),
                 result.standardOutput + result.standardError);
        QCOMPARE(readAll(prefix + "/uninstall"), uninstallScript);
        QCOMPARE(TestSupport::fileNames(prefix + "/Uninstaller"), TestSupport::fileNames(staging));
        QVERIFY(QFile::permissions(prefix + "/bin/linuxStarter.py") & QFileDevice::ExeGroup);
        // Registered: menu entries (also for old GNOME), submenu, shortcuts, icons.
        for (int link = 1; link <= 4; ++link)
            registered
                << QString(".gnome/apps/Halvaron_link%1-menu.desktop").arg(link)
                << QString(".local/share/applications/Halvaron_link%1-menu.desktop").arg(link);
        registered << ".config/menus/applications-merged/user-Halvaron1-menu.menu"
                   << ".local/share/desktop-directories/Halvaron1-menu.directory"
                   << ".local/share/icons/hicolor/48x48/apps/halvaron-shell.png"
                   << ".local/share/icons/hicolor/48x48/apps/halvaron.png"
                   << "Desktop/Halvaron_link1-desktop.desktop"
                   << "Desktop/Halvaron_link3-desktop.desktop" << left;
        registered.sort();
        QCOMPARE(TestSupport::filesBelow(home), registered);
        // The submenu takes the first link's icon; the last menu entry uninstalls.
        QVERIFY(readAll(entries + "Halvaron1-menu.directory")
                    .endsWith("\nName=Halvaron 1.0\nIcon=halvaron\n"));
        QVERIFY(readAll(entries + "Halvaron_link4-menu.desktop")
                    .endsWith("\nName=Uninstall Halvaron 1.0\nExec=\"" + prefix.toUtf8() +
                              "/uninstall\"\nIcon=edit-delete\nCategories=Education;\n"));
        QCOMPARE(favorites(), launcher.chopped(1) + ", '" + entries.toUtf8() +
                                  "Halvaron_link1-desktop.desktop']");

        // The uninstaller, run from elsewhere, leaves nothing of ours behind.
        result = run(prefix + "/uninstall", {"--mode", "console"});
        QCOMPARE(result.standardOutput, "Removing desktop shortcuts and program menu entries...\n" +
                                            deleting(prefix) + "Done.\n");
        QCOMPARE(result.exitCode, 0);
        QVERIFY(!QFileInfo::exists(prefix));
        left << ".config/menus/applications-merged/xdg-desktop-menu-dummy.menu"; // xdg's own
        left.removeDuplicates();
        left.sort();
        QCOMPARE(TestSupport::filesBelow(home), left);
        QCOMPARE(favorites(), launcher);
    }

    // Bash in a directory @ holding Tool/ prepares, runs, undoes; once undone, the kept
    // uninstaller finishes. The file "kept" must stay as it was.
    void uninstall_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("undo");
        QTest::addColumn<QByteArray>("output"); // exit code 0 when it ends at "Done."
        QTest::addColumn<QString>("kept");
        const auto row = [](const char *name, const char *setup, const QString &command,
                            const char *undo, const QByteArray &output,
                            const char *kept = "Tool/bin/Halvaron") {
            QTest::newRow(name) << setup << command << undo << output << kept;
        };
        const QString tool = "@/Tool/uninstall --mode console";
        const QString program =
            " --uninstall --mode console --settings-file @/Tool/Uninstaller/installer.settings";
        const QByteArray deletingTool = deleting("@/Tool"), done = deletingTool + "Done.\n";
        const QByteArray usage = TestSupport::expectedUsage("LinuxInstaller");
        const QByteArray notOurs =
            "Refusing to delete @/Tool, because it is no installation: it must hold the uninstall "
            "script and Uninstaller/ with this program in it. Nothing was deleted.\nDone.\n" +
            usage;
        const QByteArray refused =
            deletingTool +
            "Refusing to delete the installation directory, because it is the %1 directory. Please "
            "delete the directory yourself.\nDone.\n" +
            usage;
        const QByteArray left =
            "Error: Could not delete the installation directory @/Tool completely: " +
            QByteArray::number(4 + TestSupport::fileNames(staging).size()) +
            " entries are left in it. The uninstaller is kept there, so that it can be run "
            "again.\nDone.\n" +
            usage;
        // Its parent, like ~/Downloads, must survive.
        row("unpacked installer", "mkdir D && cp -r Tool/Uninstaller D/installer",
            "@/D/installer/LinuxInstaller" + program, "",
            QByteArray(notOurs).replace("@/Tool", "@/D"), "D/installer/installer.settings");
        row("another copy of the program", "cp -r Tool/Uninstaller Tool/copy",
            "@/Tool/copy/LinuxInstaller" + program, "", notOurs);
        row("script is a link", "mv Tool/uninstall u && ln -s @/u Tool/uninstall", tool, "",
            notOurs);
        row("directory is a link", "mv Tool/Uninstaller Tool/U && ln -s U Tool/Uninstaller", tool,
            "", notOurs);
        row("program is a link",
            "cd Tool/Uninstaller && mv LinuxInstaller L && ln -s L LinuxInstaller", tool, "",
            notOurs);
        row("home through a link", "ln -s Tool h", "HOME=@/h " + tool, "",
            QByteArray(refused).replace("%1", "home"));
        row("temporary", "", "TMPDIR=@/Tool " + tool, "",
            QByteArray(refused).replace("%1", "temporary"));
        row("started through a link to the program",
            "mkdir bin && ln -s @/Tool/Uninstaller/LinuxInstaller bin/u", "@/bin/u" + program, "",
            done, "bin");
        // other/L/../Tool is Tool for the system, other/Tool when read as text.
        row("reached through L/..",
            "mkdir other sub && cp -a Tool other/Tool && ln -s @/sub other/L",
            "@/other/L/../Tool/uninstall --mode console", "", done, "other/Tool/bin/Halvaron");
        // The installer filled the link's target, which the user made: it is emptied and stays.
        row("prefix that is a link", "mv Tool real && ln -s real Tool", tool, "",
            deleting("@/real") + "Done.\n", "Tool/.");
        row("bind mount inside (root only)",
            "mkdir -p o Tool/data/m && echo m > o/m && mount --bind o Tool/data/m", tool,
            "umount Tool/data/m",
            deletingTool +
                "Error: Left @/Tool/data/m alone, because another file system is mounted there.\n" +
                left,
            "o/m");
        row("immutable entry (root only)", "chattr +i Tool/bin/Halvaron", tool,
            "chattr -i Tool/bin/Halvaron", deletingTool + left);
    }
    void uninstall()
    {
        QFETCH(QString, setup);
        QFETCH(QString, command);
        QFETCH(QString, undo);
        QFETCH(QByteArray, output);
        QFETCH(QString, kept);
        const QString row = sandbox.filePath(QStringLiteral("row%1").arg(++rows));
        const bool prepared = QDir().mkpath(row) &&
                              bash("set -e; cp -a ../tree Tool; " + setup, {}, row).exitCode == 0;
        if (!prepared && QByteArray(QTest::currentDataTag()).contains("root only"))
            QSKIP("this row needs root and a file system that supports it");
        QVERIFY(prepared);
        const QByteArray keptContent = readAll(row + '/' + kept);
        const auto result = bash(command + "\nstatus=$?\n" + undo + "\nexit $status", {}, row);
        QCOMPARE(result.standardOutput, output.replace('@', row.toUtf8()));
        QCOMPARE(result.exitCode, output.endsWith("Done.\n") ? 0 : 1);
        QVERIFY(QFileInfo::exists(row + '/' + kept));
        QCOMPARE(readAll(row + '/' + kept), keptContent);
        if (result.exitCode != 0 && !undo.isEmpty())
            QCOMPARE(bash("@/Tool/uninstall --mode console; echo $?", {}, row).standardOutput,
                     deleting(row + "/Tool") + "Done.\n0\n");
        if (result.exitCode == 0 || !undo.isEmpty()) // gone, or emptied where it stays
            QVERIFY(kept == "Tool/."
                        ? QDir(row + "/Tool")
                              .isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                        : !QFileInfo::exists(row + "/Tool"));
    }
};

QTEST_MAIN(InstalledTreeTest)
#include "tst_installedTree.moc"
