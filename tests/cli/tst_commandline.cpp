// The installer's command line, run as a child process: every byte of standard output and
// standard error and the exit code.
#include "testSupport.h"

#include <QtTest>

using TestSupport::ProcessResult;

namespace {

QByteArray usage(const QString &name)
{
    return TestSupport::expectedUsage(name);
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_settings;
    QString m_home;

    QProcessEnvironment environment() const { return TestSupport::sandboxEnvironment(m_home); }

    ProcessResult run(const QStringList &arguments, const QProcessEnvironment &environment) const
    {
        return TestSupport::runProgram(TestSupport::binaryPath(QStringLiteral("LinuxInstaller")),
                                       arguments, environment, m_dir.path());
    }

    // Placeholders in the data: @S the settings file, @D the working directory.
    QStringList expand(const QStringList &arguments) const
    {
        QStringList result;
        for (QString argument : arguments)
            result << argument.replace(QStringLiteral("@S"), m_settings)
                          .replace(QStringLiteral("@D"), m_dir.path());
        return result;
    }

    QByteArray expand(QByteArray text) const
    {
        return text.replace("@S", m_settings.toUtf8()).replace("@D", m_dir.path().toUtf8());
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_home = m_dir.filePath(QStringLiteral("home"));
        QVERIFY(QDir().mkpath(m_home));
        m_settings = m_dir.filePath(QStringLiteral("installer.settings"));
        QVERIFY(TestSupport::writeFile(m_settings, "Settings {\n  product = Tool\n  "
                                                   "shortApplicationName = Tool\n  "
                                                   "installerTargetDirectory = Tool\n}\n"));
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("tmp")));
    }

    void options_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");
        QTest::addColumn<int>("exitCode");

        const QByteArray ownUsage = usage(QStringLiteral("LinuxInstaller"));
        const QByteArray noSettings = "Error: No settings file given\n";

        QTest::newRow("no arguments") << QStringList() << ownUsage << noSettings << 1;
        QTest::newRow("help alone") << QStringList{"--help"} << ownUsage << noSettings << 1;
        QTest::newRow("help with settings")
            << QStringList{"--settings-file", "@S", "--help"} << ownUsage << QByteArray() << 0;
        QTest::newRow("short help")
            << QStringList{"-h", "--settings-file", "@S"} << ownUsage << QByteArray() << 0;
        QTest::newRow("single-dash help")
            << QStringList{"-help", "--settings-file", "@S"} << ownUsage << QByteArray() << 0;
        QTest::newRow("help names the script")
            << QStringList{"/some/where/product.run", "--settings-file", "@S", "--help"}
            << usage(QStringLiteral("product.run")) << QByteArray() << 0;
        QTest::newRow("settings file last")
            << QStringList{"--settings-file"} << ownUsage
            << QByteArray("Error: Missing argument to option '--settings-file'\n") + noSettings
            << 1;
        QTest::newRow("missing settings file")
            << QStringList{"--settings-file", "nothere.settings"} << ownUsage
            << QByteArray("Error: Settings file does not exist: @D/nothere.settings\n") << 1;
        QTest::newRow("relative settings file resolved against the working directory")
            << QStringList{"--settings-file", "installer.settings", "--help"} << ownUsage
            << QByteArray() << 0;
        QTest::newRow("missing temp directory")
            << QStringList{"--settings-file", "@S", "--temp-directory", "nodir"} << ownUsage
            << QByteArray("Error: temp directory does not exist: @D/nodir\n") << 1;
        QTest::newRow("temp directory that is a file")
            << QStringList{"--settings-file", "@S", "--temp-directory", "@S"} << ownUsage
            << QByteArray("Error: temp directory does not exist: @S\n") << 1;
        const char *valued[] = {"--temp-directory", "--file-count", "--prefix", "--mode"};
        for (const char *option : valued)
            QTest::newRow(qPrintable(QStringLiteral("%1 last").arg(option)))
                << QStringList{"--settings-file", "@S", option} << ownUsage
                << QByteArray("Error: Missing argument to option '") + option + "'\n"
                << 1;
        QTest::newRow("mode Console")
            << QStringList{"--settings-file", "@S", "--mode", "Console"} << ownUsage
            << QByteArray("Error: Unknown argument to option '--mode': Console\n") << 1;
        QTest::newRow("mode default accepted")
            << QStringList{"--settings-file", "@S", "--mode", "default", "--help"} << ownUsage
            << QByteArray() << 0;
        QTest::newRow("joined prefix")
            << QStringList{"--settings-file", "@S", "--prefix=x"} << ownUsage
            << QByteArray("Error: Unknown option '--prefix=x'\n") << 1;
        QTest::newRow("progress without format")
            << QStringList{"--settings-file", "@S", "--progress"} << ownUsage
            << QByteArray("Error: Missing argument to option '--progress'\n") << 1;
        QTest::newRow("progress in another format")
            << QStringList{"--settings-file", "@S", "--progress=xml"} << ownUsage
            << QByteArray("Error: Unknown argument to option '--progress': xml\n") << 1;
        QTest::newRow("progress with an empty format")
            << QStringList{"--settings-file", "@S", "--progress="} << ownUsage
            << QByteArray("Error: Unknown argument to option '--progress': \n") << 1;
        QTest::newRow("progress json accepted")
            << QStringList{"--settings-file", "@S", "--progress=json", "--help"} << ownUsage
            << QByteArray() << 0;
        QTest::newRow("dry run without prefix")
            << QStringList{"--dry-run", "--settings-file", "@S"} << ownUsage
            << QByteArray("Error: Option '--dry-run' requires '--prefix'\n") << 1;
        QTest::newRow("dry run of the uninstallation")
            << QStringList{"--settings-file", "@S", "--uninstall", "--prefix", "x", "--dry-run"}
            << ownUsage
            << QByteArray("Error: Option '--dry-run' cannot be used with '--uninstall'\n") << 1;
        QTest::newRow("unknown option") << QStringList{"--settings-file", "@S", "-x"} << ownUsage
                                        << QByteArray("Error: Unknown option '-x'\n") << 1;
        QTest::newRow("options are case-sensitive")
            << QStringList{"--settings-file", "@S", "--HELP"} << ownUsage
            << QByteArray("Error: Unknown option '--HELP'\n") << 1;
        QTest::newRow("two positional arguments")
            << QStringList{"first.run", "second.run", "--settings-file", "@S"}
            << usage(QStringLiteral("first.run"))
            << QByteArray("Error: Unexpected argument 'second.run'\n") << 1;
        QTest::newRow("several errors in one line")
            << QStringList{"--bogus", "--settings-file", "@S", "--mode", "x", "a", "b"}
            << usage(QStringLiteral("a"))
            << QByteArray("Error: Unknown option '--bogus'\n"
                          "Error: Unknown argument to option '--mode': x\n"
                          "Error: Unexpected argument 'b'\n")
            << 1;
        QTest::newRow("prefix takes the next argument whatever it is")
            << QStringList{"--settings-file", "@S", "--prefix", "--verbose", "--help"} << ownUsage
            << QByteArray() << 0;
        QTest::newRow("non-numeric file count is no error")
            << QStringList{"--settings-file", "@S", "--file-count", "many", "--help"} << ownUsage
            << QByteArray() << 0;
        QTest::newRow("an error with help still exits 1")
            << QStringList{"--help", "--settings-file", "@S", "--oops"} << ownUsage
            << QByteArray("Error: Unknown option '--oops'\n") << 1;
        QTest::newRow("errors before the settings check")
            << QStringList{"--oops"} << ownUsage
            << QByteArray("Error: Unknown option '--oops'\n") + noSettings << 1;
    }

    void options()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        QFETCH(int, exitCode);
        const ProcessResult result = run(expand(arguments), environment());
        QVERIFY(result.started);
        QVERIFY(!result.crashed);
        QCOMPARE(result.standardError, expand(err));
        QCOMPARE(result.standardOutput, out);
        QCOMPARE(result.exitCode, exitCode);
    }

    void withoutDisplay_data()
    {
        QTest::addColumn<QString>("display");
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<QByteArray>("err");

        const QByteArray noDisplay = "Error: The wizard cannot be shown: no display is available "
                                     "(DISPLAY is not set).\n";
        const QByteArray installHint = "Run the installer with --mode console --prefix DIR to "
                                       "install without a window.\n";
        const QByteArray noPrefix = "Error: No installation directory given.\n";
        QTest::newRow("no DISPLAY") << QString() << QStringList() << noDisplay + installHint;
        QTest::newRow("unreachable DISPLAY")
            << QStringLiteral(":97") << QStringList()
            << QByteArray("Error: The wizard cannot be shown: the display ':97' cannot be "
                          "opened.\n") +
                   installHint;
        QTest::newRow("uninstaller without DISPLAY")
            << QString() << QStringList{"--uninstall"}
            << noDisplay + "Run the uninstaller with --mode console to uninstall without a "
                           "window.\n";
        // Console runs never need the display, also when DISPLAY names one that cannot be
        // reached.
        QTest::newRow("console") << QString() << QStringList{"--mode", "console"} << noPrefix;
        QTest::newRow("silent") << QString() << QStringList{"--mode", "silent"} << noPrefix;
        QTest::newRow("console with an unreachable display")
            << QStringLiteral(":97") << QStringList{"--mode", "console"} << noPrefix;
    }

    // No abort and no wizard: a clear error, the usage text and exit code 1.
    void withoutDisplay()
    {
        QFETCH(QString, display);
        QFETCH(QStringList, extra);
        QFETCH(QByteArray, err);
        QProcessEnvironment env = environment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        if (!display.isEmpty())
            env.insert(QStringLiteral("DISPLAY"), display);
        const ProcessResult result = run(QStringList{"--settings-file", m_settings} + extra, env);
        QVERIFY(!result.crashed);
        QCOMPARE(result.standardError, err);
        QCOMPARE(result.standardOutput, usage(QStringLiteral("LinuxInstaller")));
        QCOMPARE(result.exitCode, 1);
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
