#include "installerOptions.h"
#include "ornaBase.h"
#include "ornaInstaller.h"
#include "pages/ornaFinishInstallationPage.h"
#include "pages/ornaInstallDirectoryPage.h"
#include "pages/ornaLicensePage.h"
#include "pages/ornaProgressPage.h"
#include "pages/ornaSummaryPage.h"
#include "testSupport.h"
#include "wizardTestSupport.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QWizard>
#include <QtTest>

using WizardTest::click;

namespace {

// The engine with settings given by the test instead of a settings file.
class TestInstaller : public ORNAInstaller
{
public:
    TestInstaller(const ORNAInstallerSettings &values, const InstallerOptions &options)
        : ORNAInstaller(options, values)
    {}
    ORNALicensePage *license() const { return WizardTest::pageOf<ORNALicensePage>(*this); }
    ORNAInstallDirectoryPage *directoryPage() const
    {
        return WizardTest::pageOf<ORNAInstallDirectoryPage>(*this);
    }
    ORNASummaryPage *summary() const { return WizardTest::pageOf<ORNASummaryPage>(*this); }
};

ORNAInstallerSettings makeSettings(bool licence, bool readme, bool finish)
{
    ORNAInstallerSettings settings;
    settings.productTitle = QStringLiteral("Tool 2.0");
    settings.installerTargetDirectory = QStringLiteral("Tool");
    if (licence)
        settings.licenseText = QStringLiteral("You may use <this> tool.\nLine two.");
    if (readme)
        settings.readmeText = QStringLiteral("Read <b>me</b>.");
    if (finish) {
        settings.finishPage.present = true;
        settings.finishPage.title = QStringLiteral("Installation Finished");
        settings.finishPage.text = QStringLiteral("The installation has finished.");
    }
    return settings;
}

const QString welcomeTitle = QStringLiteral("Welcome");
const QString licenceTitle = QStringLiteral("License Agreement");
const QString settingsTitle = QStringLiteral("Installation Settings");
const QString summaryTitle = QStringLiteral("Start Installation");
const QString progressTitle = QStringLiteral("Installing Tool 2.0 ...");
const QString readmeTitle = QStringLiteral("Readme");
const QString finishTitle = QStringLiteral("Installation Finished");

QWidget *widgetByText(QWidget *page, const QString &text)
{
    for (QAbstractButton *button : page->findChildren<QAbstractButton *>())
        if (button->text() == text)
            return button;
    return nullptr;
}

} // namespace

class InstallerWizardTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void pageOrder_data();
    void pageOrder();
    void pageTexts_data();
    void pageTexts();
    void licenceNextFollowsAcceptance();
    void settingsPage_data();
    void settingsPage();
    void proposedDirectory_data();
    void proposedDirectory();
    void browseCancelledKeepsText();
    void summaryTextAsTyped_data();
    void summaryTextAsTyped();
    void finishPage_data();
    void finishPage();
    void bottomLinkOpensWithXdgOpen();
    void pictures();
    void showWithoutWizardLogsError();

private:
    QTemporaryDir sandbox;
};

void InstallerWizardTest::initTestCase()
{
    ORNABase::initialize();
    QVERIFY(sandbox.isValid());
    // Anything started from here finds the recording tools first and a home in the sandbox.
    QDir(sandbox.path()).mkpath(QStringLiteral("bin"));
    qputenv("HOME", sandbox.filePath(QStringLiteral("home")).toUtf8());
    QDir(sandbox.path()).mkpath(QStringLiteral("home"));
    qputenv("PATH", (sandbox.filePath(QStringLiteral("bin")) + QLatin1Char(':')).toUtf8() +
                        qgetenv("PATH"));
}

void InstallerWizardTest::pageOrder_data()
{
    QTest::addColumn<bool>("licence");
    QTest::addColumn<bool>("readme");
    QTest::addColumn<bool>("finish");
    QTest::addColumn<QStringList>("titles");
    const QStringList core = {settingsTitle, summaryTitle, progressTitle};
    for (int mask = 0; mask < 8; ++mask) {
        const bool licence = mask & 1, readme = mask & 2, finish = mask & 4;
        QStringList titles = {welcomeTitle};
        if (licence)
            titles << licenceTitle;
        titles << core;
        if (readme)
            titles << readmeTitle;
        if (finish)
            titles << finishTitle;
        QTest::addRow("licence=%d readme=%d finish=%d", licence, readme, finish)
            << licence << readme << finish << titles;
    }
}

void InstallerWizardTest::pageOrder()
{
    QFETCH(bool, licence);
    QFETCH(bool, readme);
    QFETCH(bool, finish);
    QFETCH(QStringList, titles);
    TestInstaller installer(makeSettings(licence, readme, finish), InstallerOptions());
    installer.setupWizard();
    QWizard *wizard = installer.wizardWindow();
    QVERIFY(wizard);
    QCOMPARE(WizardTest::pageTitles(wizard), titles);
    QCOMPARE(installer.license() != nullptr, licence);
}

void InstallerWizardTest::pageTexts_data()
{
    QTest::addColumn<QString>("licenceText");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("subTitle");
    QTest::addColumn<QString>("text");
    QTest::newRow("welcome") << "" << 0 << "Welcome to the Tool 2.0 Installer"
                             << "You are going to install Tool 2.0 on your computer.\n\n"
                                "Click Next to continue.";
    QTest::newRow("licence as text") << "You may use <this> tool.\nLine two." << 1
                                     << "Please read the following license agreement."
                                     << "You may use <this> tool.\nLine two.";
    QTest::newRow("licence as markup") << "<html><body><p>Be <b>nice</b>.</p></body></html>" << 1
                                       << "Please read the following license agreement."
                                       << "Be nice.";
    QTest::newRow("progress") << "" << 3 << " "
                              << "Progress";
    QTest::newRow("readme") << "" << 4 << "Please read this information."
                            << "Read <b>me</b>.";
}

// What each page says, in the window named after the product.
void InstallerWizardTest::pageTexts()
{
    QFETCH(QString, licenceText);
    QFETCH(int, page);
    QFETCH(QString, subTitle);
    QFETCH(QString, text);
    ORNAInstallerSettings settings = makeSettings(false, true, false);
    settings.licenseText = licenceText;
    TestInstaller installer(settings, InstallerOptions());
    installer.setupWizard();
    QCOMPARE(installer.wizardWindow()->windowTitle(), QStringLiteral("Installing Tool 2.0"));
    QWizardPage *shown = installer.wizardWindow()->page(page);
    QCOMPARE(shown->subTitle(), subTitle);
    auto *browser = shown->findChild<QTextBrowser *>();
    QCOMPARE(browser ? browser->toPlainText() : WizardTest::labelTexts(shown).join('\n'), text);
    if (browser)
        QVERIFY(browser->isReadOnly());
}

void InstallerWizardTest::licenceNextFollowsAcceptance()
{
    TestInstaller installer(makeSettings(true, false, false), InstallerOptions());
    installer.setupWizard();
    installer.showWizard();
    QWizard *wizard = installer.wizardWindow();
    QVERIFY(QTest::qWaitForWindowExposed(wizard));
    QAbstractButton *next = wizard->button(QWizard::NextButton);
    auto radios = installer.license()->findChildren<QRadioButton *>();
    QRadioButton *accept = radios[0];
    QRadioButton *decline = radios[1];

    click(wizard, QWizard::NextButton);
    QCOMPARE(wizard->currentId(), 1);
    QVERIFY(!next->isEnabled());
    QTest::mouseClick(accept, Qt::LeftButton);
    QVERIFY(next->isEnabled());
    QTest::mouseClick(decline, Qt::LeftButton);
    QVERIFY(!next->isEnabled());
    QTest::mouseClick(accept, Qt::LeftButton);
    QVERIFY(installer.license()->isLicenseAccepted());
    click(wizard, QWizard::NextButton);
    QCOMPARE(wizard->currentId(), 2);

    // Re-entering keeps the rule: accepted stays accepted, declined stays blocked.
    click(wizard, QWizard::BackButton);
    QCOMPARE(wizard->currentId(), 1);
    QVERIFY(next->isEnabled());
    QTest::mouseClick(decline, Qt::LeftButton);
    QVERIFY(!next->isEnabled());
    click(wizard, QWizard::BackButton);
    click(wizard, QWizard::NextButton);
    QCOMPARE(wizard->currentId(), 1);
    QVERIFY(!next->isEnabled());
}

void InstallerWizardTest::settingsPage_data()
{
    QTest::addColumn<bool>("hasLinks");
    QTest::newRow("links") << true;
    QTest::newRow("no links") << false;
}

void InstallerWizardTest::settingsPage()
{
    QFETCH(bool, hasLinks);
    ORNAInstallerSettings settings = makeSettings(false, false, false);
    settings.hasLinks = hasLinks;
    InstallerOptions options;
    options.prefix = QStringLiteral("/opt/Tool");
    TestInstaller installer(settings, options);
    installer.setupWizard();
    auto *page = installer.directoryPage();
    QCOMPARE(page->title(), settingsTitle);
    QCOMPARE(page->subTitle(), QStringLiteral("Customize the installation."));
    const auto groups = page->findChildren<QGroupBox *>();
    QStringList groupTitles;
    for (QGroupBox *group : groups)
        groupTitles << group->title();
    QStringList expectedGroups = {QStringLiteral("Installation Directory")};
    QStringList expectedLabels = {
        QStringLiteral("Tool 2.0 will be installed into the following directory.\n\n"
                       "Click Browse to change it, Next to continue.")};
    if (hasLinks) {
        expectedGroups.prepend(QStringLiteral("Shortcuts"));
        expectedLabels.prepend(QStringLiteral(
            "Specify if you want to create desktop shortcuts and program menu entries."));
    }
    QCOMPARE(groupTitles, expectedGroups);
    QCOMPARE(WizardTest::labelTexts(page), expectedLabels);

    auto *shortcuts =
        qobject_cast<QCheckBox *>(widgetByText(page, QStringLiteral("Create &desktop shortcuts")));
    auto *menu =
        qobject_cast<QCheckBox *>(widgetByText(page, QStringLiteral("Create start &menu entries")));
    QCOMPARE(shortcuts != nullptr, hasLinks);
    QCOMPARE(menu != nullptr, hasLinks);
    ORNAInstallDirectoryPage *directoryPage = installer.directoryPage();
    QCOMPARE(directoryPage->createDesktopShortcuts(), hasLinks);
    QCOMPARE(directoryPage->createMenuEntries(), hasLinks);
    if (hasLinks) {
        shortcuts->setChecked(false);
        QVERIFY(!directoryPage->createDesktopShortcuts());
        QVERIFY(directoryPage->createMenuEntries());
    }
    QVERIFY(widgetByText(page, QStringLiteral("B&rowse...")));
    QCOMPARE(page->findChild<QLineEdit *>()->text(), QStringLiteral("/opt/Tool"));
}

void InstallerWizardTest::proposedDirectory_data()
{
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("expected");
    QTest::newRow("prefix") << "/srv/x y"
                            << "Tool"
                            << "/srv/x y";
    QTest::newRow("home") << ""
                          << "Tool" << QDir::homePath() + "/Tool";
    QTest::newRow("no target") << ""
                               << "" << QDir::homePath() + "/";
}

void InstallerWizardTest::proposedDirectory()
{
    QFETCH(QString, prefix);
    QFETCH(QString, target);
    QFETCH(QString, expected);
    ORNAInstallerSettings settings = makeSettings(false, false, false);
    settings.installerTargetDirectory = target;
    InstallerOptions options;
    options.prefix = prefix;
    TestInstaller installer(settings, options);
    installer.setupWizard();
    QCOMPARE(installer.directoryPage()->findChild<QLineEdit *>()->text(), expected);
}

void InstallerWizardTest::browseCancelledKeepsText()
{
    TestInstaller installer(makeSettings(false, false, false), InstallerOptions());
    installer.setupWizard();
    ORNAInstallDirectoryPage *page = installer.directoryPage();
    installer.directoryPage()->findChild<QLineEdit *>()->setText(QStringLiteral("/typed/here"));
    bool seen = false;
    WizardTest::cancelNextDialog(&seen);
    page->browseInstallationDirectory();
    QVERIFY(seen);
    QCOMPARE(page->installationDirectory(), QStringLiteral("/typed/here"));
}

void InstallerWizardTest::summaryTextAsTyped_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("plain") << "/opt/Tool";
    QTest::newRow("markup") << "/tmp/<b>x</b>";
}

void InstallerWizardTest::summaryTextAsTyped()
{
    QFETCH(QString, typed);
    TestInstaller installer(makeSettings(false, false, false), InstallerOptions());
    installer.setupWizard();
    installer.showWizard();
    QWizard *wizard = installer.wizardWindow();
    click(wizard, QWizard::NextButton);
    auto *edit = installer.directoryPage()->findChild<QLineEdit *>();
    edit->clear();
    QTest::keyClicks(edit, typed);
    click(wizard, QWizard::NextButton);
    QCOMPARE(wizard->currentPage(), installer.summary());
    QCOMPARE(installer.summary()->findChild<QLabel *>()->text(),
             QStringLiteral("Tool 2.0 will be installed into this directory:\n\n") + typed +
                 QStringLiteral("\n\nClick Finish to start the installation process, or click "
                                "Back to change the settings."));
}

void InstallerWizardTest::finishPage_data()
{
    QTest::addColumn<QString>("runCommand");
    QTest::addColumn<bool>("runNotChecked");
    QTest::addColumn<QString>("readmeFile");
    QTest::addColumn<bool>("readmeNotChecked");
    QTest::addColumn<QString>("linkLocation");
    QTest::newRow("bare") << "" << false << "" << false << "";
    QTest::newRow("run") << "bin/Tool" << false << "" << false << "";
    QTest::newRow("run unchecked") << "bin/Tool" << true << "" << false << "";
    QTest::newRow("readme") << "" << false << "doc/README" << false << "";
    QTest::newRow("readme unchecked") << "" << false << "doc/README" << true << "";
    QTest::newRow("all") << "bin/Tool" << false << "doc/README" << false
                         << "https://example.org/a?b=1&c=2";
}

void InstallerWizardTest::finishPage()
{
    QFETCH(QString, runCommand);
    QFETCH(bool, runNotChecked);
    QFETCH(QString, readmeFile);
    QFETCH(bool, readmeNotChecked);
    QFETCH(QString, linkLocation);
    ORNAInstallerSettings settings = makeSettings(false, false, true);
    InstallerFinishPage &record = settings.finishPage;
    record.title = QStringLiteral("All Done");
    record.text = QStringLiteral("<p>Tool is <b>ready</b>.</p>");
    record.runCommand = runCommand;
    record.runCommandText = QStringLiteral("Start Tool 2.0");
    record.runCheckBoxNotChecked = runNotChecked;
    record.showReadmeFile = readmeFile;
    record.showReadmeText = QStringLiteral("Show the readme");
    record.showReadmeCheckBoxNotChecked = readmeNotChecked;
    record.bottomLinkLocation = linkLocation;
    record.bottomLinkTitle = QStringLiteral("Visit us");
    TestInstaller installer(settings, InstallerOptions());
    installer.setupWizard();
    auto *page = qobject_cast<ORNAFinishInstallationPage *>(installer.wizardWindow()->page(4));
    QVERIFY(page);
    QCOMPARE(page->title(), QStringLiteral("All Done"));
    QCOMPARE(WizardTest::labelTexts(page), QStringList{record.text});

    auto *run = qobject_cast<QCheckBox *>(widgetByText(page, QStringLiteral("Start Tool 2.0")));
    auto *readme = qobject_cast<QCheckBox *>(widgetByText(page, QStringLiteral("Show the readme")));
    QCOMPARE(run != nullptr, !runCommand.isEmpty());
    QCOMPARE(readme != nullptr, !readmeFile.isEmpty());
    if (run)
        QCOMPARE(run->isChecked(), !runNotChecked);
    if (readme)
        QCOMPARE(readme->isChecked(), !readmeNotChecked);
    QCOMPARE(page->isRunChecked(), !runCommand.isEmpty() && !runNotChecked);
    QCOMPARE(page->isReadmeChecked(), !readmeFile.isEmpty() && !readmeNotChecked);
    QCOMPARE(widgetByText(page, QStringLiteral("Visit us")) != nullptr, !linkLocation.isEmpty());
}

void InstallerWizardTest::bottomLinkOpensWithXdgOpen()
{
    const QString record = sandbox.filePath(QStringLiteral("xdg-open.record"));
    QFile::remove(record);
    WizardTest::writeRecordingScript(sandbox.filePath(QStringLiteral("bin/xdg-open")), record);
    ORNAInstallerSettings settings = makeSettings(false, false, true);
    settings.finishPage.bottomLinkLocation = QStringLiteral("https://example.org/x y");
    settings.finishPage.bottomLinkTitle = QStringLiteral("Visit");
    TestInstaller installer(settings, InstallerOptions());
    installer.setupWizard();
    QWizardPage *page = installer.wizardWindow()->page(4);
    QTest::mouseClick(qobject_cast<QPushButton *>(widgetByText(page, QStringLiteral("Visit"))),
                      Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(TestSupport::readAll(record).contains("cwd="), 20000);
    QCOMPARE(TestSupport::readAll(record).split('\n').first(),
             QByteArray("https://example.org/x y"));
}

// The product maker's pictures: a banner lower than the header is filled down with its last
// row; a picture that cannot be loaded is left out.
void InstallerWizardTest::pictures()
{
    QTemporaryDir pictures;
    QImage image(7, 5, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QVERIFY(image.save(pictures.filePath(QStringLiteral("blue.png"))));
    ORNAInstallerSettings settings = makeSettings(false, false, false);
    settings.logoImage = pictures.filePath(QStringLiteral("blue.png"));
    settings.bannerImage = settings.logoImage;
    settings.watermarkImage = pictures.filePath(QStringLiteral("missing.png"));
    TestInstaller installer(settings, InstallerOptions());
    installer.setupWizard();
    installer.showWizard();
    QWizard *wizard = installer.wizardWindow();
    QVERIFY(QTest::qWaitForWindowExposed(wizard));
    QCOMPARE(wizard->pixmap(QWizard::LogoPixmap).size(), QSize(7, 5));
    QVERIFY(wizard->pixmap(QWizard::WatermarkPixmap).isNull());
    QTRY_VERIFY(wizard->pixmap(QWizard::BannerPixmap).height() > 5);
    const QImage banner = wizard->pixmap(QWizard::BannerPixmap).toImage();
    QVERIFY(banner.width() > 7);
    QCOMPARE(banner.pixelColor(banner.width() - 1, banner.height() - 1), QColor(Qt::blue));
}

void InstallerWizardTest::showWithoutWizardLogsError()
{
    TestInstaller installer(makeSettings(false, false, false), InstallerOptions());
    TestSupport::StreamCapture capture(1);
    installer.showWizard();
    QCOMPARE(capture.text(), QByteArray("Error: cannot show the wizard, because it is NULL\n"));
}

QTEST_MAIN(InstallerWizardTest)
#include "tst_installerWizard.moc"
