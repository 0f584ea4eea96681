// Reading installer.settings: keys, defaults, derived values and every error text.
#include "installerOptions.h"
#include "ornaBase.h"
#include "ornaInstallerSettings.h"
#include "testSupport.h"

#include <QApplication>
#include <QtTest>

namespace {

const QString minimalKeys = "product = Tool shortApplicationName = T installerTargetDirectory = "
                            "Tool version = 1";
const QString minimalValues = "product=Tool shortApplicationName=T installerTargetDirectory=Tool "
                              "version=1 productTitle=Tool 1";

// The values set, as key=value; a link as link=application,arguments,desktop,icon,name,action:exec
QString values(const ORNAInstallerSettings &s)
{
    // clang-format off
#define KEY(owner, name) {#name, QVariant(owner.name).toString()}
#define S(name) KEY(s, name)
#define P(name) KEY(s.finishPage, name)
    QList<std::pair<QString, QString>> fields = {S(product), S(shortApplicationName),
        S(installerTargetDirectory), S(version), S(productTitle), S(branding), S(company),
        S(productMenu), S(productVendor), S(applicationDebug), S(applicationRelease),
        S(menuCategory), S(licenseText), S(readmeText), S(logoImage), S(bannerImage),
        S(watermarkImage), S(runHalvaronInstall), S(runPackageManagerCleanup),
        S(uninstallerEnabled), S(hasLinks), P(present), P(title), P(title3Lines), P(text),
        P(runCommand), P(runCommandText), P(runCommandParameters), P(runCheckBoxNotChecked),
        P(showReadmeFile), P(showReadmeText), P(showReadmeCheckBoxNotChecked),
        P(bottomLinkTitle), P(bottomLinkLocation)};
    // clang-format on
    for (const LinkEntry &link : s.links) {
        QStringList parts = {link.application, link.arguments, link.desktopName, link.icon,
                             link.name};
        for (const LinkAction &action : link.actions)
            parts << action.name + ':' + action.exec;
        fields.append({"link", parts.join(',')});
    }
    QStringList set;
    for (const auto &[key, value] : fields)
        if (!value.isEmpty() && value != "false")
            set << key + '=' + value;
    return set.join(' ');
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_work;
    int m_counter = 0;

private Q_SLOTS:
    void initTestCase()
    {
        ORNABase::initialize();
        QImage image(8, 8, QImage::Format_ARGB32);
        image.fill(Qt::red);
        QVERIFY(image.save(m_work.filePath("icon.png")));
    }

    // Rows: keys (M: minimal product; "Other..." a whole file), values (M: the minimal ones; icon:
    // a window icon), errors ("|" between; !key: missing). PATH is in LOCAL with the text files.
    void settings_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("errors");
        const auto row = [](const char *name, const QString &keys, const QString &expected,
                            const QString &errors = {}) {
            QTest::newRow(name) << keys << expected << errors;
        };
        const QString addOn = " addOnForProduct = B addOnForProductInstallDirectory = BaseDir"
                              " addOnForProductTitle = \"B 9\"";
        const QString page = " present=true title=Installation Finished"
                             " text=The installation has finished.";
        row("complete",
            "M branding=B company=C productMenu=M productVendor=V applicationDebug=d"
            " applicationRelease=r runHalvaronInstall=Yes runPackageManagerCleanup=ON"
            " uninstallerEnabled=2 menuCategory=S licenseFile=\"$(LOCAL)/licence.txt\""
            " readmeFile=$(LOCAL)/readme.txt logoImage=$(LOCAL)/logo.png unknown=x product=Y"
            " InstallerFinishPage { }",
            "M branding=B company=C productMenu=M productVendor=V applicationDebug=d"
            " applicationRelease=r menuCategory=S licenseText=Licence text\nsecond line\n"
            " readmeText=Readme logoImage=LOCAL/logo.png runHalvaronInstall=true"
            " runPackageManagerCleanup=true present=true title=Installation Finished text=The"
            " installation has finished. runCommand=r runCommandText=Start Tool 1");
        row("finish page of debug",
            "M applicationDebug=d InstallerFinishPage { bottomLinkLocation=L }",
            "M applicationDebug=d" + page +
                " runCommand=d runCommandText=Start Tool 1 bottomLinkTitle=L bottomLinkLocation=L");
        row("finish page given",
            "M applicationRelease=r InstallerFinishPage { title=T text=\"*<b>d</b>*\" runCommand=x"
            " runCommandText=G bottomLinkLocation=L bottomLinkTitle=S title3Lines=yes"
            " runCheckBoxNotChecked=true runCommandParameters=\"a  b\" showReadmeFile=f"
            " showReadmeCheckBoxNotChecked=1 showReadmeText=R }",
            "M applicationRelease=r present=true title=T title3Lines=true text=<b>d</b>"
            " runCommand=x runCommandText=G runCommandParameters=a  b runCheckBoxNotChecked=true"
            " showReadmeFile=f showReadmeText=R showReadmeCheckBoxNotChecked=true bottomLinkTitle=S"
            " bottomLinkLocation=L");
        row("add-on", "M" + addOn,
            "product=Tool shortApplicationName=T installerTargetDirectory=BaseDir version=1"
            " productTitle=Tool for B 9");
        row("add-on with title", "product = P shortApplicationName = S productTitle = X" + addOn,
            "product=P shortApplicationName=S installerTargetDirectory=BaseDir"
            " productTitle=X for B 9");
        row("add-on keys",
            "product = P shortApplicationName = S addOnForProduct = B installerTargetDirectory = D",
            "product=P shortApplicationName=S productTitle=P for ",
            "!addOnForProductInstallDirectory|!addOnForProductTitle");
        row("mandatory keys", "version = 1 productTitle = Z", "version=1 productTitle=Z",
            "!product|!shortApplicationName|!installerTargetDirectory");
        row("no Settings node", "Other { product = X }", "",
            "Failed to parse PATH: Settings tag not found");
        // Files that do not exist are named, pictures kept; a FIFO would hang the installer.
        const QString fifo = TestSupport::unwrittenFifo();
        row("files missing",
            "M logoImage=/no/l bannerImage=\"\" watermarkImage=/no/w licenseFile=$(LOCAL)/no"
            " readmeFile=" +
                fifo + " installerIcon=/no/i",
            "M logoImage=/no/l watermarkImage=/no/w",
            "Error in PATH: logoImage does not exist: /no/l|"
            "Error in PATH: watermarkImage does not exist: /no/w|"
            "Given licenseFile does not exist: LOCAL/no|Failed to read " +
                fifo + ": not a regular file|Error in PATH: installerIcon does not exist: /no/i");
        row("link keys", "M link2 = true link2Action2 = yes link2Action9 = yes link9 = true",
            "M hasLinks=true link=,,,,,:",
            "!link2Application|!link2Icon|!link2Name|!link2Action2Name|!link2Action2Exec");
        // Links and actions are numbered 1 to 8, gaps allowed.
        row("links",
            "M link1=no link2=1 link2Application=a link2Arguments=\"-x <%InstallDir%>\""
            " link2DesktopName=\"A d\" link2Icon=i link2Name=A link2Action1=1 link2Action1Name=\"O"
            " s\" link2Action1Exec=e link2Action3=on link2Action3Name=3 link2Action3Exec=3"
            " link2Action9=1 link2Action9Name=9 link2Action9Exec=9 link5=yes link5Application=b"
            " link5Icon=b link5Name=B link9=1 link9Application=c link9Icon=c link9Name=C",
            "M hasLinks=true link=a,-x <%InstallDir%>,A d,i,A,O s:e,3:3 link=b,,,b,B");
        row("syntax error keeps what was read",
            "product = Tool\n = \nshortApplicationName = T installerTargetDirectory = D",
            "product=Tool shortApplicationName=T installerTargetDirectory=D productTitle=Tool ",
            "Failed to parse PATH: PATH(4):Unexpected Equal char after token: Tool");
        row("syntax error without settings", "Other {\n    = x\n}\n", "",
            "Failed to parse PATH: PATH(4):Unexpected close brace after token: x|"
            "Failed to parse PATH: Settings tag not found");
        // This program is graphical: the icon is read (the last row: it stays for the rest).
        row("icon", "M installerIcon = $(LOCAL)/../icon.png", "M icon");
    }
    void settings()
    {
        QFETCH(QString, keys);
        QFETCH(QString, expected);
        QFETCH(QString, errors);
        const QString local = m_work.filePath(QString::number(++m_counter));
        const QString path = local + "/installer.settings";
        keys = keys.startsWith("Other") ? keys : "Settings {\n" + keys + "\n}\n";
        QVERIFY(TestSupport::writeFile(
            path, "// KTF v1 utf8\n" +
                      keys.replace(QRegularExpression("^(Settings {\n)M\\b"), "\\1" + minimalKeys)
                          .toUtf8()));
        QVERIFY(TestSupport::writeFile(local + "/licence.txt", "Licence text\nsecond line\n") &&
                TestSupport::writeFile(local + "/readme.txt", "Readme") &&
                TestSupport::writeFile(local + "/logo.png", ""));
        InstallerOptions options;
        options.settingsFile = path;
        ORNAInstallerSettings settings;
        const QByteArray log = TestSupport::withoutLineNumbers(
            TestSupport::captureStderr([&] { settings = ORNAInstallerSettings(options); }));
        // The KTF reader may log entries of its own; the settings reader's must all be there.
        QByteArray own;
        for (const QByteArray &line : log.split('\n'))
            if (!line.isEmpty() && (errors.isEmpty() || line.contains("ORNAInstallerSettings")))
                own += line + '\n';
        QString wanted;
        for (const QString &error : errors.split('|', Qt::SkipEmptyParts))
            wanted += "ERROR: ornaInstallerSettings.cpp(N):  ORNAError:  ORNAInstallerSettings " +
                      error + " \n";
        wanted.replace(QRegularExpression("!(\\w+)"),
                       "Failed to parse settings: \\1 tag not found");
        QCOMPARE(own, wanted.replace("PATH", path).replace("LOCAL", local).toUtf8());
        expected.replace(QRegularExpression("^M"), minimalValues).replace("LOCAL", local);
        QCOMPARE(values(settings) + (QApplication::windowIcon().pixmap(8).isNull() ? "" : " icon"),
                 expected);
    }

    // A console run never looks at the icon.
    void installerIconIgnoredOnConsole()
    {
        const QString file = m_work.filePath("console.settings");
        QVERIFY(TestSupport::writeFile(
            file, ("Settings { " + minimalKeys + " installerIcon = /none.png }").toUtf8()));
        const TestSupport::ProcessResult result =
            TestSupport::runProgram(TestSupport::binaryPath("LinuxInstaller"),
                                    {"--settings-file", file, "--mode", "console"},
                                    TestSupport::sandboxEnvironment(m_work.filePath("home")));
        QCOMPARE(result.standardError, QByteArray("Error: No installation directory given.\n"));
        QCOMPARE(result.exitCode, 1);
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
