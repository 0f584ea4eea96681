// Reading installer.settings: keys, defaults, derived values and every error text.
#include "installerOptions.h"
#include "ornaBase.h"
#include "ornaInstallerSettings.h"
#include "testSupport.h"

#include <QApplication>
#include <QtTest>

namespace {

const QByteArray header = "// KTF v1 utf8\nSettings {\n";
const QByteArray minimal =
    "    product = Tool\n    shortApplicationName = T\n    installerTargetDirectory = Tool\n";

// One error entry of the settings reader as it appears on standard error.
QByteArray error(const QByteArray &text)
{
    return "ERROR: ornaInstallerSettings.cpp(N):  ORNAError:  ORNAInstallerSettings " + text +
           " \n";
}

QString joined(const QStringList &values)
{
    return values.join(QLatin1Char('|'));
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_work;
    int m_counter = 0;
    QString m_path; // the file read last

    // Reads the text as installer.settings of a fresh directory (the files of extra beside
    // it); returns what was logged, line numbers replaced by N.
    QByteArray read(const QByteArray &text, ORNAInstallerSettings &settings,
                    const QList<QPair<QString, QByteArray>> &extra = {})
    {
        const QString directory = m_work.filePath(QString::number(++m_counter));
        m_path = directory + QStringLiteral("/installer.settings");
        for (const auto &[name, content] : extra)
            TestSupport::writeFile(directory + QLatin1Char('/') + name, content);
        if (!TestSupport::writeFile(m_path, text))
            return "cannot write";
        InstallerOptions options;
        options.settingsFile = m_path;
        return TestSupport::withoutLineNumbers(
            TestSupport::captureStderr([&] { settings = ORNAInstallerSettings(options); }));
    }

    QString local() const { return QFileInfo(m_path).absolutePath(); }

private Q_SLOTS:
    void initTestCase()
    {
        ORNABase::initialize();
        QVERIFY(m_work.isValid());
    }

    void completeFile()
    {
        ORNAInstallerSettings s;
        QCOMPARE(
            read(header + minimal +
                     "    branding = B\n    company = C\n    productMenu = M\n"
                     "    productVendor = V\n    version = 3.1\n"
                     "    applicationDebug = bin/d\n    applicationRelease = bin/r\n"
                     "    runHalvaronInstall = Yes\n    runPackageManagerCleanup = ON\n"
                     "    uninstallerEnabled = 1\n    menuCategory = Science\n"
                     "    licenseFile = \"$(LOCAL)/licence.txt\"\n"
                     "    readmeFile = $(LOCAL)/readme.txt\n    logoImage = $(LOCAL)/logo.png\n"
                     "    unknownKey = ignored\n    product = Second\n}\n",
                 s,
                 {{"licence.txt", "Licence text\nsecond line\n"},
                  {"readme.txt", "Readme"},
                  {"logo.png", ""}}),
            QByteArray());
        QCOMPARE(joined({s.product, s.productTitle, s.shortApplicationName,
                         s.installerTargetDirectory, s.branding, s.company, s.productMenu,
                         s.productVendor, s.version, s.applicationDebug, s.applicationRelease,
                         s.menuCategory, s.licenseText, s.readmeText, s.logoImage, s.bannerImage}),
                 joined({"Tool", "Tool 3.1", "T", "Tool", "B", "C", "M", "V", "3.1", "bin/d",
                         "bin/r", "Science", "Licence text\nsecond line\n", "Readme",
                         local() + "/logo.png", ""}));
        QVERIFY(s.runHalvaronInstall && s.runPackageManagerCleanup && s.uninstallerEnabled);
        QVERIFY(!s.hasLinks && !s.finishPage.present);
    }

    void errors_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("expected"); // PATH is the settings file, LOCAL its directory
        QTest::newRow("no Settings node") << QByteArray("Other {\n    product = X\n}\n")
                                          << error("Failed to parse PATH: Settings tag not found");
        QTest::newRow("mandatory keys")
            << header + "    version = 1\n}\n"
            << error("Failed to parse settings: product tag not found") +
                   error("Failed to parse settings: shortApplicationName tag not found") +
                   error("Failed to parse settings: installerTargetDirectory tag not found");
        QTest::newRow("add-on keys")
            << header + "    product = P\n    shortApplicationName = S\n"
                        "    addOnForProduct = Base\n    installerTargetDirectory = ignored\n}\n"
            << error("Failed to parse settings: addOnForProductInstallDirectory tag not found") +
                   error("Failed to parse settings: addOnForProductTitle tag not found");
        QTest::newRow("pictures that do not exist")
            << header + minimal +
                   "    logoImage = /nonexistent/logo.png\n    bannerImage = \"\"\n"
                   "    watermarkImage = /nonexistent/w.bmp\n}\n"
            << error("Error in PATH: logoImage does not exist: /nonexistent/logo.png") +
                   error("Error in PATH: watermarkImage does not exist: /nonexistent/w.bmp");
        QTest::newRow("texts that do not exist")
            << header + minimal +
                   "    licenseFile = $(LOCAL)/missing.txt\n    readmeFile = "
                   "/nonexistent/r.txt\n}\n"
            << error("Given licenseFile does not exist: LOCAL/missing.txt") +
                   error("Given readmeFile does not exist: /nonexistent/r.txt");
        // A FIFO would hang the installer and a device fill its memory: only files are read.
        const QByteArray fifo = TestSupport::unwrittenFifo().toUtf8();
        QTest::newRow("texts that are no files")
            << header + minimal + "    licenseFile = " + fifo + "\n    readmeFile = /dev/zero\n}\n"
            << error("Failed to read " + fifo + ": not a regular file") +
                   error("Failed to read /dev/zero: not a regular file");
        QTest::newRow("licence is a directory")
            << header + minimal + "    licenseFile = $(LOCAL)\n}\n"
            << error("Failed to read LOCAL: not a regular file");
        QTest::newRow("link keys")
            << header + minimal +
                   "    link2 = true\n    link2Action2 = yes\n    link2Action9 = yes\n"
                   "    link9 = true\n}\n"
            << error("Failed to parse settings: link2Application tag not found") +
                   error("Failed to parse settings: link2Icon tag not found") +
                   error("Failed to parse settings: link2Name tag not found") +
                   error("Failed to parse settings: link2Action2Name tag not found") +
                   error("Failed to parse settings: link2Action2Exec tag not found");
        QTest::newRow("graphical run reads the icon")
            << header + minimal + "installerIcon = /nonexistent/i.png\n}\n"
            << error("Error in PATH: installerIcon does not exist: /nonexistent/i.png");
        QTest::newRow("syntax error keeps what was read")
            << header + "    product = Tool\n    = \n    shortApplicationName = T\n"
                        "    installerTargetDirectory = D\n}\n"
            << error("Failed to parse PATH: PATH(4):Unexpected Equal char after token: Tool");
        QTest::newRow("syntax error without settings")
            << QByteArray("Other {\n    = x\n}\n")
            << error("Failed to parse PATH: PATH(3):Unexpected close brace after token: x") +
                   error("Failed to parse PATH: Settings tag not found");
    }
    void errors()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, expected);
        ORNAInstallerSettings settings;
        const QByteArray log = read(text, settings);
        expected.replace("LOCAL", local().toUtf8()).replace("PATH", m_path.toUtf8());
        // The KTF reader may add entries of its own; the settings reader's must all be there,
        // in this order, and nothing else of its own.
        QByteArray own;
        for (const QByteArray &line : log.split('\n'))
            if (line.contains("ORNAInstallerSettings"))
                own += line + '\n';
        QCOMPARE(own, expected);
        if (QByteArray(QTest::currentDataTag()).startsWith("syntax error keeps"))
            QCOMPARE(settings.installerTargetDirectory, QStringLiteral("D"));
    }

    void titles_data()
    {
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("target");
        const QByteArray addOn = "addOnForProduct = Base\naddOnForProductInstallDirectory = BaseDir"
                                 "\naddOnForProductTitle = \"Base 9\"\n";
        QTest::newRow("product and version") << QByteArray("product = P\nversion = 2\n") << "P 2"
                                             << "Dir";
        QTest::newRow("no version keeps the blank") << QByteArray("product = P\n") << "P "
                                                    << "Dir";
        QTest::newRow("explicit title")
            << QByteArray("product = P\nproductTitle = \"My P\"\n") << "My P"
            << "Dir";
        QTest::newRow("add-on without title")
            << "product = P\nversion = 2\n" + addOn << "P for Base 9"
            << "BaseDir";
        QTest::newRow("add-on with title")
            << "product = P\nproductTitle = Extra\n" + addOn << "Extra for Base 9"
            << "BaseDir";
    }
    void titles()
    {
        QFETCH(QByteArray, keys);
        QFETCH(QString, title);
        QFETCH(QString, target);
        ORNAInstallerSettings s;
        QCOMPARE(read(header + "shortApplicationName = S\ninstallerTargetDirectory = Dir\n" + keys +
                          "}\n",
                      s),
                 QByteArray());
        QCOMPARE(s.productTitle, title);
        QCOMPARE(s.installerTargetDirectory, target);
    }

    void linksWithGaps()
    {
        ORNAInstallerSettings s;
        QCOMPARE(
            read(header + minimal +
                     "link1 = false\nlink1Application = never\n"
                     "link2 = true\nlink2Application = bin/a\nlink2Arguments = \"-x "
                     "<%InstallDir%>\"\n"
                     "link2DesktopName = \"A desk\"\nlink2Icon = a\nlink2Name = A\n"
                     "link2Action1 = true\nlink2Action1Name = \"Open Shell\"\n"
                     "link2Action1Exec = bin/sh\n"
                     "link2Action3 = on\nlink2Action3Name = Third\nlink2Action3Exec = bin/3\n"
                     "link2Action9 = true\nlink2Action9Name = Nine\nlink2Action9Exec = bin/9\n"
                     "link5 = yes\nlink5Application = bin/b\nlink5Icon = b\nlink5Name = B\n"
                     "link9 = true\nlink9Application = bin/9\nlink9Icon = c\nlink9Name = C\n}\n",
                 s),
            QByteArray());
        QVERIFY(s.hasLinks);
        QCOMPARE(s.links.size(), 2);
        const LinkEntry &a = s.links.at(0);
        const LinkEntry &b = s.links.at(1);
        QCOMPARE(joined({a.application, a.arguments, a.desktopName, a.icon, a.name,
                         a.actions.at(0).name, a.actions.at(0).exec, a.actions.at(1).name,
                         a.actions.at(1).exec, b.application, b.arguments, b.desktopName}),
                 joined({"bin/a", "-x <%InstallDir%>", "A desk", "a", "A", "Open Shell", "bin/sh",
                         "Third", "bin/3", "bin/b", "", ""}));
        QCOMPARE(a.actions.size(), 2);
        QVERIFY(b.actions.isEmpty());
    }

    void finishPage_data()
    {
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<QString>("expected"); // the page's texts and flags, joined by "|"
        const QString defaults = QStringLiteral("Installation Finished|The installation has "
                                                "finished.|%1|Start Tool 1|%2|%3||||0|0|0");
        QTest::newRow("release program") << QByteArray("applicationDebug = d\n"
                                                       "applicationRelease = r\n")
                                         << QByteArray() << defaults.arg("r", "", "");
        QTest::newRow("debug program")
            << QByteArray("applicationDebug = d\n") << QByteArray() << defaults.arg("d", "", "");
        QTest::newRow("bottom link title from location")
            << QByteArray() << QByteArray("bottomLinkLocation = https://x.example\n")
            << defaults.arg("", "https://x.example", "https://x.example");
        QTest::newRow("everything given")
            << QByteArray("applicationRelease = r\n")
            << QByteArray("title = T\ntext = \"*<b>done</b>*\"\nrunCommand = bin/x\n"
                          "runCommandText = Go\nbottomLinkLocation = L\nbottomLinkTitle = Site\n"
                          "title3Lines = yes\nrunCheckBoxNotChecked = true\n"
                          "runCommandParameters = \"a  <%InstallDir%>\"\n"
                          "showReadmeFile = doc/r.txt\nshowReadmeCheckBoxNotChecked = 1\n"
                          "showReadmeText = Readme\n")
            << "T|<b>done</b>|bin/x|Go|Site|L|a  <%InstallDir%>|doc/r.txt|Readme|1|1|1";
    }
    void finishPage()
    {
        QFETCH(QByteArray, keys);
        QFETCH(QByteArray, block);
        QFETCH(QString, expected);
        ORNAInstallerSettings s;
        QCOMPARE(read(header + minimal + "version = 1\n" + keys + "InstallerFinishPage {\n" +
                          block + "}\n}\n",
                      s),
                 QByteArray());
        const InstallerFinishPage &p = s.finishPage;
        QVERIFY(p.present);
        const auto flag = [](bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); };
        QCOMPARE(joined({p.title, p.text, p.runCommand, p.runCommandText, p.bottomLinkTitle,
                         p.bottomLinkLocation, p.runCommandParameters, p.showReadmeFile,
                         p.showReadmeText, flag(p.title3Lines), flag(p.runCheckBoxNotChecked),
                         flag(p.showReadmeCheckBoxNotChecked)}),
                 expected);
    }

    // This test program is graphical: an icon that exists is read.
    void installerIconInGraphicalApplication()
    {
        QImage image(8, 8, QImage::Format_ARGB32);
        image.fill(Qt::red);
        const QString icon = m_work.filePath(QStringLiteral("icon.png"));
        QVERIFY(image.save(icon));
        ORNAInstallerSettings s;
        QCOMPARE(read(header + minimal + "installerIcon = " + icon.toUtf8() + "\n}\n", s),
                 QByteArray());
        QVERIFY(!QApplication::windowIcon().isNull());
    }

    // A console run never looks at the icon.
    void installerIconIgnoredOnConsole()
    {
        const QString file = m_work.filePath(QStringLiteral("console.settings"));
        QVERIFY(TestSupport::writeFile(file, header + minimal + "installerIcon = /none.png\n}\n"));
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
