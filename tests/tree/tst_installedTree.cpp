#include "treeTestEngines.h"

#include "ornaBase.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

const QByteArray uninstallScript =
    "#!/usr/bin/env bash\n"
    "THIS_DIR=`dirname \"$0\"`\n"
    "export LD_LIBRARY_PATH=\"$THIS_DIR/Uninstaller\"\n"
    "\"$THIS_DIR/Uninstaller/LinuxInstaller\" --uninstall --settings-file "
    "\"$THIS_DIR/Uninstaller/installer.settings\" $@\n";

// The permission bits on disk, without Qt's bits for the current user.
QFile::Permissions ownerGroupOther(const QString &path)
{
    return QFile::permissions(path) &
           ~QFile::Permissions(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
}

} // namespace

// The demo product installed from its archive and uninstalled again, as users do it, and the
// installer's steps that leave the uninstaller in the tree.
class InstalledTreeTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir sandbox;
    QString home;
    QString archive;
    QProcessEnvironment environment;

    TestSupport::ProcessResult run(const QString &program, const QStringList &arguments)
    {
        return TestSupport::runProgram(program, arguments, environment, sandbox.path());
    }

    QString favorites()
    {
        return QString::fromUtf8(run(QStringLiteral("gsettings"),
                                     {"get", "com.canonical.Unity.Launcher", "favorites"})
                                     .standardOutput)
            .trimmed();
    }

private Q_SLOTS:
    void initTestCase()
    {
        ORNABase::initialize();
        QVERIFY(sandbox.isValid());
        home = sandbox.filePath(QStringLiteral("home"));
        environment = desktopSandbox(home);
        QVERIFY2(environment.contains(QStringLiteral("GSETTINGS_SCHEMA_DIR")),
                 "glib-compile-schemas failed");
        environment.insert(QStringLiteral("TMPDIR"), sandbox.filePath(QStringLiteral("tmp")));
        QVERIFY(QDir().mkpath(sandbox.filePath(QStringLiteral("tmp"))));
        const QString installer = sandbox.filePath(QStringLiteral("installer"));
        QVERIFY(
            TestSupport::copyFiles(TestSupport::sourcePath("examples/demo/installer"), installer));
        QVERIFY(QFile::copy(TestSupport::binaryPath(QStringLiteral("LinuxInstaller")),
                            installer + QStringLiteral("/LinuxInstaller")));
        archive = TestSupport::makeArchive(TestSupport::sourcePath("examples/demo/product"),
                                           installer, sandbox.filePath(QStringLiteral("demo.run")));
        QVERIFY(!archive.isEmpty());
        QVERIFY(QDir().mkpath(home + QStringLiteral("/.config/glib-2.0/settings")));
        QCOMPARE(run(QStringLiteral("gsettings"),
                     {"set", "com.canonical.Unity.Launcher", "favorites", "['firefox.desktop']"})
                     .exitCode,
                 0);
    }

    // xdg-desktop-menu splits file arguments at blanks: a directory with one must register
    // all the same.
    void installAndUninstall_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<bool>("desktop");
        QTest::newRow("desktop files") << "Apps/Halvaron" << true;
        QTest::newRow("blank in the directory") << "My Apps/Halvaron" << true;
        QTest::newRow("no desktop files") << "plain/Halvaron" << false;
    }
    void installAndUninstall()
    {
        QFETCH(QString, prefix);
        QFETCH(bool, desktop);
        prefix = home + QLatin1Char('/') + prefix;
        const QString data = home + QStringLiteral("/.local/share");
        const QString entries = prefix + QStringLiteral("/Uninstaller/desktopEntries/");
        QStringList arguments{archive, "--mode", "console", "--prefix", prefix};
        if (!desktop)
            arguments << QStringLiteral("--no-desktop-files");
        TestSupport::ProcessResult result = run(QStringLiteral("bash"), arguments);
        QVERIFY2(result.exitCode == 0 && !result.standardOutput.contains("Error"),
                 result.standardOutput + result.standardError);

        QCOMPARE(readAll(prefix + QStringLiteral("/uninstall")), uninstallScript);
        QVERIFY(QFile::permissions(prefix + QStringLiteral("/uninstall")) & QFileDevice::ExeGroup);
        QCOMPARE(TestSupport::fileNames(prefix + QStringLiteral("/Uninstaller")),
                 TestSupport::fileNames(sandbox.filePath(QStringLiteral("installer"))));
        QVERIFY(QFile::permissions(prefix + QStringLiteral("/bin/linuxStarter.py")) &
                QFileDevice::ExeGroup);
        const QStringList registered = {
            data + "/applications/Halvaron_link1-menu.desktop",
            data + "/applications/Halvaron_link3-menu.desktop",
            data + "/desktop-directories/Halvaron1-menu.directory",
            home + "/.config/menus/applications-merged/user-Halvaron1-menu.menu",
            home + "/Desktop/Halvaron_link1-desktop.desktop",
            data + "/icons/hicolor/48x48/apps/halvaron.png",
            data + "/icons/hicolor/48x48/apps/halvaron-shell.png"};
        for (const QString &path : registered)
            QVERIFY2(QFile::exists(path) == desktop, qPrintable(path));
        if (desktop) {
            QCOMPARE(TestSupport::fileNames(entries),
                     (QStringList{"Halvaron1-menu.directory", "Halvaron_link1-desktop.desktop",
                                  "Halvaron_link1-menu.desktop", "Halvaron_link2-menu.desktop",
                                  "Halvaron_link3-menu.desktop"}));
            QCOMPARE(readAll(data + "/applications/Halvaron_link1-menu.desktop"),
                     readAll(entries + "Halvaron_link1-menu.desktop"));
            QCOMPARE(favorites(),
                     "['firefox.desktop', '" + entries + "Halvaron_link1-desktop.desktop']");
        }
        QCOMPARE(QFileInfo::exists(entries), desktop);

        // The uninstaller, run from elsewhere, leaves nothing of ours behind.
        result = run(prefix + QStringLiteral("/uninstall"), {"--mode", "console"});
        QCOMPARE(
            result.standardOutput,
            QByteArray(desktop ? "Removing desktop shortcuts and program menu entries...\n" : "") +
                "Deleting the installation directory " + prefix.toUtf8() + "...\nDone.\n");
        QCOMPARE(result.exitCode, 0);
        QVERIFY(!QFileInfo::exists(prefix));
        for (const QString &path : registered)
            QVERIFY2(!QFileInfo::exists(path), qPrintable(path));
        QStringList menus = TestSupport::fileNames(home + "/.config/menus/applications-merged");
        menus.removeAll(QStringLiteral("xdg-desktop-menu-dummy.menu"));
        QCOMPARE(menus, QStringList());
        QCOMPARE(favorites(), QStringLiteral("['firefox.desktop']"));
    }

    // An uninstaller directly in the home directory must not delete the home directory.
    void uninstallerInHome()
    {
        const QString otherHome = sandbox.filePath(QStringLiteral("home2"));
        QProcessEnvironment otherEnvironment = environment;
        otherEnvironment.insert(QStringLiteral("HOME"), otherHome);
        QVERIFY(TestSupport::copyFiles(sandbox.filePath(QStringLiteral("installer")),
                                       otherHome + QStringLiteral("/Uninstaller")));
        QVERIFY(TestSupport::writeScript(otherHome + QStringLiteral("/uninstall"),
                                         uninstallScript.mid(20)));
        const TestSupport::ProcessResult result = TestSupport::runProgram(
            otherHome + QStringLiteral("/uninstall"), {"--mode", "console"}, otherEnvironment);
        QVERIFY(result.standardOutput.startsWith(
            "Deleting the installation directory " + otherHome.toUtf8() +
            "...\nRefusing to delete the installation directory, because it is the home "
            "directory. Please delete the directory yourself.\nDone.\n"));
        QCOMPARE(result.exitCode, 1);
        QCOMPARE(TestSupport::fileNames(otherHome + QStringLiteral("/Uninstaller")),
                 TestSupport::fileNames(sandbox.filePath(QStringLiteral("installer"))));
    }

    // The uninstaller copy: regular files only, nothing replaced.
    void uninstallerCopy()
    {
        QTemporaryDir temp;
        const QString application = temp.filePath(QStringLiteral("app"));
        const QString target = temp.filePath(QStringLiteral("target"));
        QVERIFY(writeFile(application + "/LinuxInstaller", "new exe"));
        QVERIFY(QFile::setPermissions(application + "/LinuxInstaller",
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY(writeFile(application + "/installer.settings", "new settings"));
        QVERIFY(writeFile(application + "/.hidden", "hidden"));
        QVERIFY(writeFile(application + "/sub/file", "sub"));
        QVERIFY(QFile::link(application + "/installer.settings", application + "/linked"));
        QVERIFY(writeFile(target + "/Uninstaller/installer.settings", "old settings"));
        TreeInstaller installer(treeOptions(target, application), ORNAInstallerSettings());
        QVERIFY(installer.createUninstaller());
        QCOMPARE(TestSupport::fileNames(target + "/Uninstaller"),
                 (QStringList{"LinuxInstaller", "installer.settings", "linked"}));
        QVERIFY(!QFileInfo::exists(target + "/Uninstaller/sub"));
        QCOMPARE(readAll(target + "/Uninstaller/installer.settings"), QByteArray("old settings"));
        QCOMPARE(readAll(target + "/Uninstaller/linked"), QByteArray("new settings"));
        QVERIFY(!QFileInfo(target + "/Uninstaller/linked").isSymLink());
        QCOMPARE(ownerGroupOther(target + "/Uninstaller/LinuxInstaller"),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void uninstallScriptNotWritable()
    {
        QTemporaryDir temp;
        TreeInstaller installer(treeOptions(temp.path(), temp.filePath(QStringLiteral("none"))),
                                ORNAInstallerSettings());
        QVERIFY(QDir().mkpath(temp.filePath(QStringLiteral("uninstall"))));
        QVERIFY(!installer.createUninstaller());
        QCOMPARE(installer.log, QStringList{"E:Error: Failed to open uninstall file for writing: " +
                                            temp.path() + "/uninstall: Is a directory"});
    }

    void finishStepsWithoutDesktop()
    {
        QTemporaryDir temp;
        InstallerOptions options = treeOptions(temp.path(), temp.filePath(QStringLiteral("none")));
        options.createDesktopFiles = false;
        ORNAInstallerSettings settings;
        settings.runHalvaronInstall = true;
        TreeInstaller installer(options, settings);
        const QString starter = temp.filePath(QStringLiteral("bin/linuxStarter.py"));
        QVERIFY(writeFile(starter, "print()"));
        QVERIFY(QFile::setPermissions(starter, QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(installer.finishSteps());
        QCOMPARE(installer.log, QStringList{"E:Error: cannot finish installation, because " +
                                            temp.path() + "/bin/Halvaron does not exist."});
        QCOMPARE(ownerGroupOther(starter),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeGroup);
        QVERIFY(!QFileInfo::exists(temp.filePath(QStringLiteral("Uninstaller"))));
    }
};

QTEST_MAIN(InstalledTreeTest)
#include "tst_installedTree.moc"
