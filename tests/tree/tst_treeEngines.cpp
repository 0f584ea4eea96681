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

// Only the installer's own Value key and the test's odd categories may be reported.
bool validates(const QString &file)
{
    return TestSupport::runProgram("bash", {"-c",
                                            "{ desktop-file-validate \"$0\"; } 2>&1 | grep -v "
                                            "'\"Value\"\\|\"Categories\"'",
                                            file})
        .standardOutput.isEmpty();
}

} // namespace

Q_DECLARE_METATYPE(LinkEntry)

// The engines in this process: desktop files, favourites, the uninstaller copy, refusals.
class TreeEnginesTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir sandbox;

private Q_SLOTS:
    void initTestCase()
    {
        ORNABase::initialize();
        qputenv("HOME", sandbox.filePath("home").toLocal8Bit());
        QVERIFY(QDir().mkpath(sandbox.filePath("home")));
    }

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
            << start +
                   "T\\nExec=/bin/evil\nExec=\"/t/bin/T\" -d /t/d -a\\nIcon=evil\n"
                   "Icon=t\\\\x\\r\\tz\nCategories=Sci\\nNoDisplay=true;\nActions=OpenShell;"
                   "Help\n\n"
                   "[Desktop Action OpenShell]\nName=Open\\nShell\nExec=\"/t/bin/it's\\ny\"\n\n\n"
                   "[Desktop Action Help]\nName=Help\nExec=/t/bin/h\n";
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

    // Taken names are skipped, so nothing is replaced; without links the submenu gets a stock icon.
    void takenNamesAndStockIcon()
    {
        const QString directory = sandbox.filePath("names/Uninstaller/desktopEntries/");
        QVERIFY(TestSupport::writeFile(directory + "S_link1-desktop.desktop", ""));
        ORNAInstallerSettings settings;
        settings.shortApplicationName = "S";
        settings.productTitle = "T 1";
        QVERIFY(Logged<ORNAInstaller>(treeOptions("/t"), settings)
                    .writeMenuDirectoryFile(directory + "S1-menu.directory"));
        QVERIFY(
            readAll(directory + "S1-menu.directory").endsWith("\nIcon=system-software-install\n"));
        QVERIFY(validates(directory + "S1-menu.directory"));
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
        const QString file = "/it's\\x\ny";
        QVERIFY(ORNAUnityLauncher::parseList(ORNAUnityLauncher::appendedList("['g\\u00e9']", file),
                                             parsed));
        QCOMPARE(parsed, (QStringList{"g\u00e9", file}));
    }

    // The uninstaller's own directory is never relative, and no installation holds the root.
    void rootAndRelativeRefusals()
    {
        const auto root = ORNADeletionGuard::refusalFor("/usr/..");
        const auto relative = ORNADeletionGuard::refusalFor("a/b");
        QCOMPARE(root.title + '\n' + root.text + '\n' + relative.title + '\n' + relative.text,
                 "Refusing to delete the root directory\nRefusing to delete the installation "
                 "directory, because it is the root directory. Please delete the directory "
                 "yourself.\nRefusing to delete a relative installation directory\nRefusing to "
                 "delete the installation directory. Please delete the directory yourself.");
    }

    // With a wizard the refusal is a critical box over it, not a log line.
    void refusalBoxInWizard()
    {
        const QString home = sandbox.filePath("home");
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
    // copies nothing, still makes the starter executable and names a missing product.
    void uninstallerCopyAndFinish()
    {
        const auto bash = [this](const QString &script) {
            return TestSupport::runProgram(
                "bash", {"-c", script}, QProcessEnvironment::systemEnvironment(), sandbox.path());
        };
        QVERIFY(
            bash("mkdir -p app/sub t/Uninstaller t/uninstall t/bin && cd app && echo p > "
                 "LinuxInstaller && echo s > installer.settings && touch .hidden sub/f && ln -s "
                 "installer.settings linked && echo old > ../t/Uninstaller/installer.settings && "
                 "echo 'print()' > ../t/bin/linuxStarter.py && chmod 700 LinuxInstaller && "
                 "chmod 640 installer.settings && chmod 600 ../t/*/*")
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
};

QTEST_MAIN(TreeEnginesTest)
#include "tst_treeEngines.moc"
