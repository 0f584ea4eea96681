// Reading installer.settings: keys, defaults, derived values and every error text.
#include "installerOptions.h"
#include "ornaBase.h"
#include "ornaInstallerSettings.h"
#include "testSupport.h"

#include <QApplication>
#include <QtTest>

#include <cstdio>
#include <unistd.h>

namespace {

const QByteArray header = "// KTF v1 utf8\n";
const QByteArray minimal =
    "    product = Tool\n    shortApplicationName = T\n    installerTargetDirectory = Tool\n";

// One error entry of the settings reader as it appears on standard error.
QByteArray error(const QByteArray &text)
{
    return "ERROR: ornaInstallerSettings.cpp(N):  ORNAError:  ORNAInstallerSettings " + text +
           " \n";
}

// Source lines vary with the code; the rest of an entry must match byte for byte.
QByteArray withoutLineNumbers(QByteArray text)
{
    static const QRegularExpression line(QStringLiteral("\\.cpp\\(\\d+\\)"));
    return QString::fromUtf8(text).replace(line, QStringLiteral(".cpp(N)")).toUtf8();
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_work;
    int m_counter = 0;

    // Writes the text as installer.settings in a fresh directory and reads it; returns the
    // entries written to standard error, line numbers replaced by N.
    QByteArray read(const QByteArray &text, ORNAInstallerSettings &settings,
                    QString *path = nullptr)
    {
        const QString directory = m_work.filePath(QString::number(++m_counter));
        QDir().mkpath(directory);
        const QString file = directory + QStringLiteral("/installer.settings");
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size())
            return "cannot write";
        out.close();
        if (path)
            *path = file;
        return readFile(file, settings);
    }

    QByteArray readFile(const QString &file, ORNAInstallerSettings &settings)
    {
        InstallerOptions options;
        options.settingsFile = file;
        QTemporaryFile capture;
        if (!capture.open())
            return "cannot capture";
        std::fflush(stderr);
        const int saved = ::dup(STDERR_FILENO);
        ::dup2(capture.handle(), STDERR_FILENO);
        settings = ORNAInstallerSettings(options);
        std::fflush(stderr);
        ::dup2(saved, STDERR_FILENO);
        ::close(saved);
        capture.seek(0);
        return withoutLineNumbers(capture.readAll());
    }

    QString directoryOf(const QString &file) { return QFileInfo(file).absolutePath(); }

private Q_SLOTS:
    void initTestCase()
    {
        ORNABase::initialize();
        QVERIFY(m_work.isValid());
    }

    void completeFile()
    {
        ORNAInstallerSettings s;
        QString path;
        const QByteArray log = read(
            header + "Settings {\n" + minimal +
                "    branding = B\n    company = C\n    productMenu = M\n    productVendor = V\n"
                "    version = 3.1\n    applicationDebug = bin/d\n    applicationRelease = bin/r\n"
                "    runHalvaronInstall = Yes\n    runPackageManagerCleanup = ON\n"
                "    uninstallerEnabled = 1\n    menuCategory = Science\n"
                "    licenseFile = \"$(LOCAL)/licence.txt\"\n    readmeFile = $(LOCAL)/readme.txt\n"
                "    logoImage = $(LOCAL)/logo.png\n    unknownKey = ignored\n"
                "    product = Second\n}\n",
            s, &path);
        Q_UNUSED(log);
        // The texts are written after the first read; read again with them in place.
        const QString local = directoryOf(path);
        QFile licence(local + QStringLiteral("/licence.txt"));
        QVERIFY(licence.open(QIODevice::WriteOnly));
        licence.write("Licence text\nsecond line\n");
        licence.close();
        QFile readme(local + QStringLiteral("/readme.txt"));
        QVERIFY(readme.open(QIODevice::WriteOnly));
        readme.write("Readme");
        readme.close();
        QFile logo(local + QStringLiteral("/logo.png"));
        QVERIFY(logo.open(QIODevice::WriteOnly));
        logo.close();

        QCOMPARE(readFile(path, s), QByteArray());
        QCOMPARE(s.product, QStringLiteral("Tool"));
        QCOMPARE(s.productTitle, QStringLiteral("Tool 3.1"));
        QCOMPARE(s.shortApplicationName, QStringLiteral("T"));
        QCOMPARE(s.installerTargetDirectory, QStringLiteral("Tool"));
        QCOMPARE(s.branding, QStringLiteral("B"));
        QCOMPARE(s.company, QStringLiteral("C"));
        QCOMPARE(s.productMenu, QStringLiteral("M"));
        QCOMPARE(s.productVendor, QStringLiteral("V"));
        QCOMPARE(s.version, QStringLiteral("3.1"));
        QCOMPARE(s.applicationDebug, QStringLiteral("bin/d"));
        QCOMPARE(s.applicationRelease, QStringLiteral("bin/r"));
        QVERIFY(s.runHalvaronInstall);
        QVERIFY(s.runPackageManagerCleanup);
        QVERIFY(s.uninstallerEnabled);
        QCOMPARE(s.menuCategory, QStringLiteral("Science"));
        QCOMPARE(s.licenseText, QStringLiteral("Licence text\nsecond line\n"));
        QCOMPARE(s.readmeText, QStringLiteral("Readme"));
        QCOMPARE(s.logoImage, local + QStringLiteral("/logo.png"));
        QVERIFY(s.bannerImage.isEmpty());
        QVERIFY(!s.hasLinks);
        QVERIFY(!s.finishPage.present);
        QVERIFY(s.finishPage.runCommand.isEmpty());
    }

    void errors_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("expected"); // PATH stands for the settings file
        QTest::newRow("no Settings node") << header + "Other {\n    product = X\n}\n"
                                          << error("Failed to parse PATH: Settings tag not found");
        QTest::newRow("mandatory keys")
            << header + "Settings {\n    version = 1\n}\n"
            << error("Failed to parse settings: product tag not found") +
                   error("Failed to parse settings: shortApplicationName tag not found") +
                   error("Failed to parse settings: installerTargetDirectory tag not found");
        QTest::newRow("add-on keys")
            << header + "Settings {\n    product = P\n    shortApplicationName = S\n"
                        "    addOnForProduct = Base\n    installerTargetDirectory = ignored\n}\n"
            << error("Failed to parse settings: addOnForProductInstallDirectory tag not found") +
                   error("Failed to parse settings: addOnForProductTitle tag not found");
        QTest::newRow("pictures that do not exist")
            << header + "Settings {\n" + minimal +
                   "    logoImage = /nonexistent/logo.png\n    bannerImage = \"\"\n"
                   "    watermarkImage = /nonexistent/w.bmp\n}\n"
            << error("Error in PATH: logoImage does not exist: /nonexistent/logo.png") +
                   error("Error in PATH: watermarkImage does not exist: /nonexistent/w.bmp");
        QTest::newRow("texts that do not exist")
            << header + "Settings {\n" + minimal +
                   "    licenseFile = $(LOCAL)/missing.txt\n    readmeFile = "
                   "/nonexistent/r.txt\n}\n"
            << error("Given licenseFile does not exist: LOCAL/missing.txt") +
                   error("Given readmeFile does not exist: /nonexistent/r.txt");
        // A FIFO would hang the installer and a device fill its memory: only files are read.
        const QByteArray fifo = TestSupport::unwrittenFifo().toUtf8();
        QTest::newRow("texts that are no files")
            << header + "Settings {\n" + minimal + "    licenseFile = " + fifo +
                   "\n    readmeFile = /dev/zero\n}\n"
            << error("Failed to read " + fifo + ": not a regular file") +
                   error("Failed to read /dev/zero: not a regular file");
        QTest::newRow("licence is a directory")
            << header + "Settings {\n" + minimal + "    licenseFile = $(LOCAL)\n}\n"
            << error("Failed to read LOCAL: not a regular file");
        QTest::newRow("link keys")
            << header + "Settings {\n" + minimal +
                   "    link2 = true\n    link2Action2 = yes\n    link2Action9 = yes\n"
                   "    link9 = true\n}\n"
            << error("Failed to parse settings: link2Application tag not found") +
                   error("Failed to parse settings: link2Icon tag not found") +
                   error("Failed to parse settings: link2Name tag not found") +
                   error("Failed to parse settings: link2Action2Name tag not found") +
                   error("Failed to parse settings: link2Action2Exec tag not found");
    }

    void errors()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, expected);
        ORNAInstallerSettings settings;
        QString path;
        const QByteArray log = read(text, settings, &path);
        expected.replace("LOCAL", directoryOf(path).toUtf8());
        expected.replace("PATH", path.toUtf8());
        // The KTF reader may add entries of its own; the settings reader's must all be there,
        // in this order, and nothing else of its own.
        QByteArray own;
        for (const QByteArray &line : log.split('\n'))
            if (line.contains("ORNAInstallerSettings"))
                own += line + '\n';
        QCOMPARE(own, expected);
    }

    void syntaxErrorKeepsWhatWasRead()
    {
        ORNAInstallerSettings s;
        QString path;
        const QByteArray log =
            read(header + "Settings {\n    product = Tool\n    = \n    shortApplicationName = T\n"
                          "    installerTargetDirectory = D\n}\n",
                 s, &path);
        // The reader's own message follows the position of the stray "=".
        QVERIFY2(log.contains("ORNAInstallerSettings Failed to parse " + path.toUtf8() + ": " +
                              path.toUtf8() + "(4):Unexpected Equal char"),
                 log);
        QVERIFY(!log.contains("tag not found"));
        QCOMPARE(s.product, QStringLiteral("Tool"));
        QCOMPARE(s.installerTargetDirectory, QStringLiteral("D"));
    }

    void syntaxErrorWithoutSettings()
    {
        ORNAInstallerSettings s;
        QString path;
        const QByteArray log = read(header + "Other {\n    = x\n}\n", s, &path);
        const QByteArray own = "ORNAInstallerSettings Failed to parse " + path.toUtf8() + ": ";
        const int parseError = log.indexOf(own + path.toUtf8() + "(");
        const int missing =
            log.indexOf(error("Failed to parse " + path.toUtf8() + ": Settings tag not found"));
        QVERIFY2(parseError >= 0 && missing > parseError, log);
        QVERIFY(s.product.isEmpty());
        QVERIFY(s.productTitle.isEmpty());
    }

    void unreadableText()
    {
        ORNAInstallerSettings s;
        QString path;
        const QByteArray log =
            read(header + "Settings {\n" + minimal + "    readmeFile = $(LOCAL)\n}\n", s, &path);
        const QByteArray start = "ERROR: ornaInstallerSettings.cpp(N):  ORNAError:  "
                                 "ORNAInstallerSettings Failed to read " +
                                 directoryOf(path).toUtf8() + ": ";
        QVERIFY2(log.startsWith(start) && log.count('\n') == 1, log);
        QVERIFY(s.readmeText.isEmpty());
    }

    void titles_data()
    {
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("target");
        QTest::newRow("product and version") << QByteArray("product = P\nversion = 2\n") << "P 2"
                                             << "Dir";
        QTest::newRow("no version keeps the blank") << QByteArray("product = P\n") << "P "
                                                    << "Dir";
        QTest::newRow("explicit title")
            << QByteArray("product = P\nproductTitle = \"My P\"\n") << "My P"
            << "Dir";
        QTest::newRow("add-on without title")
            << QByteArray(
                   "product = P\nversion = 2\naddOnForProduct = Base\n"
                   "addOnForProductInstallDirectory = BaseDir\naddOnForProductTitle = \"Base 9\"\n")
            << "P for Base 9"
            << "BaseDir";
        QTest::newRow("add-on with title")
            << QByteArray("product = P\nproductTitle = Extra\naddOnForProduct = Base\n"
                          "addOnForProductInstallDirectory = BaseDir\n"
                          "addOnForProductTitle = \"Base 9\"\n")
            << "Extra for Base 9"
            << "BaseDir";
    }

    void titles()
    {
        QFETCH(QByteArray, keys);
        QFETCH(QString, title);
        QFETCH(QString, target);
        ORNAInstallerSettings s;
        const QByteArray log = read(header +
                                        "Settings {\nshortApplicationName = S\n"
                                        "installerTargetDirectory = Dir\n" +
                                        keys + "}\n",
                                    s);
        QCOMPARE(log, QByteArray());
        QCOMPARE(s.productTitle, title);
        QCOMPARE(s.installerTargetDirectory, target);
    }

    void booleans_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<bool>("expected");
        QTest::newRow("true") << QByteArray("true") << true;
        QTest::newRow("Yes") << QByteArray("Yes") << true;
        QTest::newRow("ON") << QByteArray("ON") << true;
        QTest::newRow("1") << QByteArray("1") << true;
        QTest::newRow("2") << QByteArray("2") << false;
        QTest::newRow("false") << QByteArray("false") << false;
        QTest::newRow("empty") << QByteArray("\"\"") << false;
    }

    void booleans()
    {
        QFETCH(QByteArray, value);
        QFETCH(bool, expected);
        ORNAInstallerSettings s;
        read(header + "Settings {\n" + minimal + "uninstallerEnabled = " + value +
                 "\nrunHalvaronInstall = " + value + "\n}\n",
             s);
        QCOMPARE(s.uninstallerEnabled, expected);
        QCOMPARE(s.runHalvaronInstall, expected);
        QVERIFY(!s.runPackageManagerCleanup);
    }

    void linksWithGaps()
    {
        ORNAInstallerSettings s;
        const QByteArray log = read(
            header + "Settings {\n" + minimal +
                "link1 = false\nlink1Application = never\n"
                "link2 = true\nlink2Application = bin/a\nlink2Arguments = \"-x <%InstallDir%>\"\n"
                "link2DesktopName = \"A desk\"\nlink2Icon = a\nlink2Name = A\n"
                "link2Action1 = true\nlink2Action1Name = \"Open Shell\"\nlink2Action1Exec = "
                "bin/sh\n"
                "link2Action3 = on\nlink2Action3Name = Third\nlink2Action3Exec = bin/3\n"
                "link2Action9 = true\nlink2Action9Name = Nine\nlink2Action9Exec = bin/9\n"
                "link5 = yes\nlink5Application = bin/b\nlink5Icon = b\nlink5Name = B\n"
                "link9 = true\nlink9Application = bin/9\nlink9Icon = c\nlink9Name = C\n}\n",
            s);
        QCOMPARE(log, QByteArray());
        QVERIFY(s.hasLinks);
        QCOMPARE(s.links.size(), 2);
        const LinkEntry &a = s.links.at(0);
        QCOMPARE(a.application, QStringLiteral("bin/a"));
        QCOMPARE(a.arguments, QStringLiteral("-x <%InstallDir%>"));
        QCOMPARE(a.desktopName, QStringLiteral("A desk"));
        QCOMPARE(a.icon, QStringLiteral("a"));
        QCOMPARE(a.name, QStringLiteral("A"));
        QCOMPARE(a.actions.size(), 2);
        QCOMPARE(a.actions.at(0).name, QStringLiteral("Open Shell"));
        QCOMPARE(a.actions.at(0).exec, QStringLiteral("bin/sh"));
        QCOMPARE(a.actions.at(1).name, QStringLiteral("Third"));
        QCOMPARE(a.actions.at(1).exec, QStringLiteral("bin/3"));
        const LinkEntry &b = s.links.at(1);
        QCOMPARE(b.application, QStringLiteral("bin/b"));
        QVERIFY(b.arguments.isEmpty());
        QVERIFY(b.desktopName.isEmpty());
        QVERIFY(b.actions.isEmpty());
    }

    void finishPage_data()
    {
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<QStringList>("expected"); // title, text, runCommand, runCommandText,
                                                   // bottomLinkTitle, bottomLinkLocation
        QTest::newRow("defaults, release program")
            << QByteArray("applicationDebug = d\napplicationRelease = r\n") << QByteArray()
            << QStringList{"Installation Finished",
                           "The installation has finished.",
                           "r",
                           "Start Tool 1",
                           "",
                           ""};
        QTest::newRow("defaults, debug program")
            << QByteArray("applicationDebug = d\n") << QByteArray()
            << QStringList{"Installation Finished",
                           "The installation has finished.",
                           "d",
                           "Start Tool 1",
                           "",
                           ""};
        QTest::newRow("bottom link title from location")
            << QByteArray() << QByteArray("bottomLinkLocation = https://x.example\n")
            << QStringList{"Installation Finished",
                           "The installation has finished.",
                           "",
                           "Start Tool 1",
                           "https://x.example",
                           "https://x.example"};
        QTest::newRow("everything given")
            << QByteArray("applicationRelease = r\n")
            << QByteArray("title = T\ntext = \"*<b>done</b>*\"\nrunCommand = bin/x\n"
                          "runCommandText = Go\nbottomLinkLocation = L\nbottomLinkTitle = Site\n")
            << QStringList{"T", "<b>done</b>", "bin/x", "Go", "Site", "L"};
    }

    void finishPage()
    {
        QFETCH(QByteArray, keys);
        QFETCH(QByteArray, block);
        QFETCH(QStringList, expected);
        ORNAInstallerSettings s;
        const QByteArray log = read(header + "Settings {\n" + minimal + "version = 1\n" + keys +
                                        "InstallerFinishPage {\n" + block + "}\n}\n",
                                    s);
        QCOMPARE(log, QByteArray());
        const InstallerFinishPage &page = s.finishPage;
        QVERIFY(page.present);
        QCOMPARE(page.title, expected.at(0));
        QCOMPARE(page.text, expected.at(1));
        QCOMPARE(page.runCommand, expected.at(2));
        QCOMPARE(page.runCommandText, expected.at(3));
        QCOMPARE(page.bottomLinkTitle, expected.at(4));
        QCOMPARE(page.bottomLinkLocation, expected.at(5));
        QVERIFY(!page.title3Lines);
        QVERIFY(!page.runCheckBoxNotChecked);
        QVERIFY(!page.showReadmeCheckBoxNotChecked);
    }

    void finishPageFlags()
    {
        ORNAInstallerSettings s;
        read(header + "Settings {\n" + minimal +
                 "InstallerFinishPage {\ntitle3Lines = yes\nrunCheckBoxNotChecked = true\n"
                 "runCommandParameters = \"a  <%InstallDir%>\"\nshowReadmeFile = doc/r.txt\n"
                 "showReadmeCheckBoxNotChecked = 1\nshowReadmeText = Readme\n}\n}\n",
             s);
        QVERIFY(s.finishPage.title3Lines);
        QVERIFY(s.finishPage.runCheckBoxNotChecked);
        QCOMPARE(s.finishPage.runCommandParameters, QStringLiteral("a  <%InstallDir%>"));
        QCOMPARE(s.finishPage.showReadmeFile, QStringLiteral("doc/r.txt"));
        QVERIFY(s.finishPage.showReadmeCheckBoxNotChecked);
        QCOMPARE(s.finishPage.showReadmeText, QStringLiteral("Readme"));
    }

    // This test program is graphical: the icon is read, and a missing one reported.
    void installerIconInGraphicalApplication()
    {
        ORNAInstallerSettings s;
        QString path;
        const QByteArray log =
            read(header + "Settings {\n" + minimal + "installerIcon = /nonexistent/i.png\n}\n", s,
                 &path);
        QCOMPARE(log, error("Error in " + path.toUtf8() +
                            ": installerIcon does not exist: /nonexistent/i.png"));

        QImage image(8, 8, QImage::Format_ARGB32);
        image.fill(Qt::red);
        const QString icon = m_work.filePath(QStringLiteral("icon.png"));
        QVERIFY(image.save(icon));
        QCOMPARE(
            read(header + "Settings {\n" + minimal + "installerIcon = " + icon.toUtf8() + "\n}\n",
                 s),
            QByteArray());
        QVERIFY(!QApplication::windowIcon().isNull());
    }

    // A console run never looks at the icon.
    void installerIconIgnoredOnConsole()
    {
        const QString file = m_work.filePath(QStringLiteral("console.settings"));
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(header + "Settings {\n" + minimal + "installerIcon = /nonexistent/i.png\n}\n");
        out.close();
        const TestSupport::ProcessResult result = TestSupport::runProgram(
            TestSupport::binaryPath(QStringLiteral("LinuxInstaller")),
            {QStringLiteral("--settings-file"), file, QStringLiteral("--mode"),
             QStringLiteral("console")},
            TestSupport::sandboxEnvironment(m_work.filePath(QStringLiteral("home"))));
        QCOMPARE(result.standardError, QByteArray("Error: No installation directory given.\n"));
        QCOMPARE(result.exitCode, 1);
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
