// The installer's command line as a user meets it: each row runs the built LinuxInstaller and
// compares every byte of standard output and standard error, and the exit code.
#include "testSupport.h"

#include <QtTest>

class TestCommandLine : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(TestSupport::writeFile(m_dir.filePath(QStringLiteral("installer.settings")),
                                       "Settings {\n  product = Tool\n  shortApplicationName = "
                                       "Tool\n  installerTargetDirectory = Tool\n}\n"));
    }

    // Arguments split at blanks; "@S" is "--settings-file installer.settings", relative to the
    // working directory @D; a leading "DISPLAY=..." goes into the environment instead.
    void run_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("program"); // the name the usage text on standard output shows
        QTest::addColumn<QByteArray>("err");
        QTest::addColumn<int>("exitCode");
        const auto row = [](const char *arguments, const QByteArray &err, int exitCode,
                            const char *program = "LinuxInstaller") {
            QTest::newRow(*arguments ? arguments : "no arguments")
                << arguments << program << err << exitCode;
        };
        const char *const noSettings = "Error: No settings file given\n";
        row("", noSettings, 1);
        row("--help", noSettings, 1); // the settings file is checked before help
        row("@S --help", "", 0);
        row("-h @S", "", 0);
        row("-help @S", "", 0);
        row("/some/where/product.run @S --help", "", 0, "product.run");
        row("--settings-file",
            "Error: Missing argument to option '--settings-file'\nError: No settings file given\n",
            1);
        row("--oops", "Error: Unknown option '--oops'\nError: No settings file given\n", 1);
        row("--settings-file nothere", "Error: Settings file does not exist: @D/nothere\n", 1);
        row("@S --temp-directory nodir", "Error: temp directory does not exist: @D/nodir\n", 1);
        row("@S --temp-directory installer.settings",
            "Error: temp directory does not exist: @D/installer.settings\n", 1);
        row("@S --temp-directory", "Error: Missing argument to option '--temp-directory'\n", 1);
        row("@S --file-count", "Error: Missing argument to option '--file-count'\n", 1);
        row("@S --prefix", "Error: Missing argument to option '--prefix'\n", 1);
        row("@S --mode", "Error: Missing argument to option '--mode'\n", 1);
        row("@S --mode Console", "Error: Unknown argument to option '--mode': Console\n", 1);
        row("@S --mode default --help", "", 0);
        row("@S --prefix=x", "Error: Unknown option '--prefix=x'\n", 1);
        row("@S --progress", "Error: Missing argument to option '--progress'\n", 1);
        row("@S --progress=xml", "Error: Unknown argument to option '--progress': xml\n", 1);
        row("@S --progress=", "Error: Unknown argument to option '--progress': \n", 1);
        row("@S --progress=json --help", "", 0);
        row("--dry-run @S", "Error: Option '--dry-run' requires '--prefix'\n", 1);
        row("@S --uninstall --prefix x --dry-run",
            "Error: Option '--dry-run' cannot be used with '--uninstall'\n", 1);
        row("@S -x", "Error: Unknown option '-x'\n", 1);
        row("@S --HELP", "Error: Unknown option '--HELP'\n", 1);
        row("--help @S --oops", "Error: Unknown option '--oops'\n", 1);
        row("first.run second.run @S", "Error: Unexpected argument 'second.run'\n", 1, "first.run");
        row("--bogus @S --mode x a b",
            "Error: Unknown option '--bogus'\nError: Unknown argument to option '--mode': x\n"
            "Error: Unexpected argument 'b'\n",
            1, "a");
        row("@S --prefix --verbose --help", "", 0); // a value is the next argument, whatever it is
        row("@S --file-count many --help", "", 0);
        // Without a display the wizard is refused plainly; console runs never need one.
        const QByteArray noDisplay = "Error: The wizard cannot be shown: no display is available "
                                     "(DISPLAY is not set).\n";
        const QByteArray install = "Run the installer with --mode console --prefix DIR to "
                                   "install without a window.\n";
        const char *const noPrefix = "Error: No installation directory given.\n";
        row("@S", noDisplay + install, 1);
        row("DISPLAY= @S", noDisplay + install, 1);
        row("DISPLAY=:97 @S",
            "Error: The wizard cannot be shown: the display ':97' cannot be opened.\n" + install,
            1);
        row("@S --uninstall",
            noDisplay + "Run the uninstaller with --mode console to uninstall without a window.\n",
            1);
        row("@S --mode console", noPrefix, 1);
        row("@S --mode silent", noPrefix, 1);
        row("DISPLAY=:97 @S --mode console", noPrefix, 1);
    }

    void run()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, program);
        QFETCH(QByteArray, err);
        QFETCH(int, exitCode);
        QProcessEnvironment environment =
            TestSupport::sandboxEnvironment(m_dir.filePath(QStringLiteral("home")));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM")); // the display alone decides
        QStringList words =
            arguments
                .replace(QStringLiteral("@S"), QStringLiteral("--settings-file installer.settings"))
                .split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (!words.isEmpty() && words.first().startsWith(QLatin1String("DISPLAY=")))
            environment.insert(QStringLiteral("DISPLAY"), words.takeFirst().mid(8));
        const TestSupport::ProcessResult result =
            TestSupport::runProgram(TestSupport::binaryPath(QStringLiteral("LinuxInstaller")),
                                    words, environment, m_dir.path());
        QVERIFY(result.started && !result.crashed);
        QCOMPARE(result.standardError, err.replace("@D", m_dir.path().toUtf8()));
        QCOMPARE(result.standardOutput, TestSupport::expectedUsage(program));
        QCOMPARE(result.exitCode, exitCode);
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
