// The installer wizard driven through real installations by small archive scripts that the test
// writes itself (the demo product's archive goes through the wizard on a display, in
// tests/xdisplay).
#include "installerOptions.h"
#include "ornaBase.h"
#include "ornaInstaller.h"
#include "pages/ornaFinishInstallationPage.h"
#include "pages/ornaInstallDirectoryPage.h"
#include "pages/ornaLicensePage.h"
#include "pages/ornaProgressPage.h"
#include "testSupport.h"
#include "wizardTestSupport.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QWizard>
#include <QtTest>

using WizardTest::click;

namespace {

class TestInstaller : public ORNAInstaller
{
public:
    TestInstaller(const InstallerOptions &options, const ORNAInstallerSettings &values)
        : ORNAInstaller(options, values)
    {}
    ORNALicensePage *license() const { return WizardTest::pageOf<ORNALicensePage>(*this); }
    ORNAInstallDirectoryPage *directoryPage() const
    {
        return WizardTest::pageOf<ORNAInstallDirectoryPage>(*this);
    }
    ORNAProgressPage *progressPageWidget() const
    {
        return WizardTest::pageOf<ORNAProgressPage>(*this);
    }
};

} // namespace

class InstallerFlowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void noWayBackWhileRunning_data();
    void noWayBackWhileRunning();
    void lateErrorStaysOnProgressPage();
    void cancelDuringCopy_data();
    void cancelDuringCopy();
    void failedInstallationEndsOnFailurePage();
    void busyStepsKeepTheWindowAlive_data();
    void busyStepsKeepTheWindowAlive();

private:
    // Welcome, licence (accepted), settings with the directory typed in, summary, progress.
    void driveToProgressPage(TestInstaller &installer, const QString &directory);
    ORNAInstallerSettings plainSettings() const;
    QString writeSlowScript(const QString &name, int lines);
    // A script that copies a file into data/ every 0.1 s, then exits with exitCode.
    QString writeCopyingScript(const QString &name, int files, int exitCode);
    // A target below a directory of its own that also holds a canary file.
    QString targetBesideCanary(const QString &name);
    void verifyCanary(const QString &target);

    QTemporaryDir sandbox;
};

void InstallerFlowTest::initTestCase()
{
    ORNABase::initialize();
    QVERIFY(sandbox.isValid());
    WizardTest::sandboxThisProcess(sandbox.path());
}

ORNAInstallerSettings InstallerFlowTest::plainSettings() const
{
    ORNAInstallerSettings settings;
    settings.productTitle = QStringLiteral("Tool");
    settings.installerTargetDirectory = QStringLiteral("Tool");
    settings.uninstallerEnabled = true;
    return settings;
}

QString InstallerFlowTest::writeSlowScript(const QString &name, int lines)
{
    const QString path = sandbox.filePath(name);
    TestSupport::writeScript(path, "echo 'oops <b>not bold</b>' >&2\nfor i in $(seq " +
                                       QByteArray::number(lines) +
                                       "); do echo file$i; sleep 0.1; done\n");
    return path;
}

QString InstallerFlowTest::writeCopyingScript(const QString &name, int files, int exitCode)
{
    const QString path = sandbox.filePath(name);
    TestSupport::writeScript(
        path, "mkdir -p \"$2/data\"\nfor i in $(seq " + QByteArray::number(files) +
                  "); do echo $i > \"$2/data/file$i\"; echo data/file$i; "
                  "sleep 0.1; done\n[ " +
                  QByteArray::number(exitCode) + " = 0 ] || echo 'broken payload' >&2\nexit " +
                  QByteArray::number(exitCode) + "\n");
    return path;
}

QString InstallerFlowTest::targetBesideCanary(const QString &name)
{
    const QString directory = sandbox.filePath(name);
    TestSupport::writeFile(directory + QStringLiteral("/canary"), "canary\n");
    return directory + QStringLiteral("/Tool");
}

void InstallerFlowTest::verifyCanary(const QString &target)
{
    const QString directory = QFileInfo(target).path();
    QCOMPARE(TestSupport::readAll(directory + QStringLiteral("/canary")), QByteArray("canary\n"));
    QStringList expected{QStringLiteral("canary")};
    if (QFileInfo::exists(target))
        expected.append(QStringLiteral("Tool"));
    QCOMPARE(QDir(directory).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), expected);
}

void InstallerFlowTest::driveToProgressPage(TestInstaller &installer, const QString &directory)
{
    QWizard *wizard = installer.wizardWindow();
    installer.showWizard();
    QVERIFY(QTest::qWaitForWindowExposed(wizard));
    click(wizard, QWizard::NextButton);
    if (installer.license()) {
        QTest::mouseClick(installer.license()->findChildren<QRadioButton *>().first(),
                          Qt::LeftButton);
        click(wizard, QWizard::NextButton);
    }
    auto *edit = installer.directoryPage()->findChild<QLineEdit *>();
    edit->clear();
    QTest::keyClicks(edit, directory);
    click(wizard, QWizard::NextButton);
    click(wizard, QWizard::NextButton);
    QCOMPARE(wizard->currentPage(), installer.progressPageWidget());
}

void InstallerFlowTest::noWayBackWhileRunning_data()
{
    QTest::addColumn<int>("fileCount");
    QTest::newRow("known file count") << 15;
    // Without a count the bar keeps running without a range.
    QTest::newRow("no file count") << 0;
}

void InstallerFlowTest::noWayBackWhileRunning()
{
    QFETCH(int, fileCount);
    InstallerOptions options;
    options.installScript = writeSlowScript(QStringLiteral("slow.sh"), 15);
    TestInstaller installer(options, plainSettings());
    installer.setupWizard();
    installer.setProgressMaximum(fileCount);
    QWizard *wizard = installer.wizardWindow();
    driveToProgressPage(installer,
                        sandbox.filePath(QStringLiteral("slow-target%1").arg(fileCount)));
    QTRY_VERIFY(installer.isInstallationRunning());
    // Nothing leads back to the settings while the script runs.
    QCOMPARE(WizardTest::buttonStates(wizard),
             QStringLiteral("Back off, Next off, Finish off, Cancel on"));
    QWizardPage *progress = installer.progressPageWidget();
    QTRY_VERIFY_WITH_TIMEOUT(WizardTest::logText(progress).endsWith(QStringLiteral("Finished.")),
                             60000);
    const QString log = WizardTest::logText(progress);
    QCOMPARE(log.count(QStringLiteral("Installing Tool in ")), 1);
    // Standard error in red, shown as text, not as markup.
    QCOMPARE(WizardTest::redParagraphs(progress), QStringList{"oops <b>not bold</b>"});
    auto *bar = progress->findChild<QProgressBar *>();
    QCOMPARE(bar->maximum(), fileCount);
    if (fileCount)
        QCOMPARE(bar->value(), fileCount);
    QCOMPARE(installer.progress(), 15);
    // No Readme, no finish page: the progress page is the last one, and Finish ends it.
    QVERIFY(wizard->button(QWizard::FinishButton)->isEnabled());
}

void InstallerFlowTest::lateErrorStaysOnProgressPage()
{
    // Accepted on the settings page; only the creation finds that a file is in the way.
    const QString blocked = sandbox.filePath(QStringLiteral("a-file"));
    TestSupport::writeScript(blocked, "");
    const QString target = blocked + QStringLiteral("/Tool");
    InstallerOptions options;
    options.installScript = writeSlowScript(QStringLiteral("never.sh"), 1);
    TestInstaller installer(options, plainSettings());
    installer.setupWizard();
    QWizard *wizard = installer.wizardWindow();
    driveToProgressPage(installer, target);
    QWizardPage *progress = installer.progressPageWidget();
    const QString error =
        QStringLiteral("Error: Failed to create installation directory: ") + target;
    QTRY_COMPARE(WizardTest::redParagraphs(progress), QStringList{error});
    QVERIFY(!wizard->button(QWizard::NextButton)->isEnabled());
    QVERIFY(!wizard->button(QWizard::FinishButton)->isEnabled());
    QVERIFY(!wizard->button(QWizard::BackButton)->isEnabled());
}

void InstallerFlowTest::cancelDuringCopy_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("yes");
    QTest::newRow("Cancel, then Yes") << QStringLiteral("Cancel") << true;
    QTest::newRow("Escape, then No") << QStringLiteral("Escape") << false;
    QTest::newRow("window closed, then Yes") << QStringLiteral("close") << true;
}

// While the copy runs, the wizard asks before it goes; Yes undoes the installation.
void InstallerFlowTest::cancelDuringCopy()
{
    QFETCH(QString, how);
    QFETCH(bool, yes);
    InstallerOptions options;
    options.installScript = writeCopyingScript(QStringLiteral("copying.sh"), 20, 0);
    TestInstaller installer(options, plainSettings());
    installer.setupWizard();
    QWizard *wizard = installer.wizardWindow();
    const QString target = targetBesideCanary(QStringLiteral("cancel-") + how);
    driveToProgressPage(installer, target);
    QTRY_VERIFY(QFile::exists(target + QStringLiteral("/data/file2")));

    WizardTest::MessageBoxSeen seen;
    WizardTest::answerMessageBox(yes ? QMessageBox::Yes : QMessageBox::No, &seen);
    if (how == QLatin1String("Cancel"))
        QTest::mouseClick(wizard->button(QWizard::CancelButton), Qt::LeftButton);
    else if (how == QLatin1String("Escape"))
        QTest::keyClick(wizard, Qt::Key_Escape);
    else
        wizard->close();
    QVERIFY(seen.seen);
    QCOMPARE(seen.title, QStringLiteral("Cancel installation"));
    QCOMPARE(seen.text, QStringLiteral("Do you want to cancel the installation of Tool?\n\nThe "
                                       "files installed so far will be removed."));
    QCOMPARE(seen.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(seen.defaultButton, QMessageBox::No);
    QCOMPARE(seen.parent, wizard);
    QCOMPARE(wizard->isVisible(), !yes);
    if (!yes)
        QTRY_VERIFY_WITH_TIMEOUT(WizardTest::logText(installer.progressPageWidget())
                                     .endsWith(QStringLiteral("Finished.")),
                                 30000);
    QVERIFY(!installer.isInstallationRunning());
    QCOMPARE(QFileInfo::exists(target + QStringLiteral("/data/file20")), !yes);
    QCOMPARE(QFileInfo::exists(target), !yes);
    QCOMPARE(installer.exitCode(0), yes ? 1 : 0);
    verifyCanary(target);
}

// After a failing script the wizard ends on the progress page, which says so above its log.
void InstallerFlowTest::failedInstallationEndsOnFailurePage()
{
    InstallerOptions options;
    options.installScript = writeCopyingScript(QStringLiteral("failing.sh"), 2, 2);
    ORNAInstallerSettings settings = plainSettings();
    settings.readmeText = QStringLiteral("Read me");
    settings.finishPage.present = true;
    settings.finishPage.title = QStringLiteral("Tool Is Ready");
    TestInstaller installer(options, settings);
    installer.setupWizard();
    QWizard *wizard = installer.wizardWindow();
    const QString target = targetBesideCanary(QStringLiteral("failing"));
    driveToProgressPage(installer, target);
    QWizardPage *progress = installer.progressPageWidget();
    QTRY_VERIFY_WITH_TIMEOUT(WizardTest::logText(progress).endsWith(QStringLiteral("Finished.")),
                             30000);

    QCOMPARE(progress->title(), QStringLiteral("Installation Failed"));
    QCOMPARE(WizardTest::labelTexts(progress),
             QStringList{QStringLiteral("Tool could not be installed.\n\nThe log below says what "
                                        "went wrong. Click Finish to close the installer.")});
    QCOMPARE(
        WizardTest::redParagraphs(progress),
        (QStringList{QStringLiteral("broken payload"),
                     QStringLiteral("Error: The installation script failed with exit code 2.")}));
    QVERIFY(WizardTest::logText(progress).contains(
        QStringLiteral("Removing what was installed in ") + target + QStringLiteral("...")));
    QCOMPARE(WizardTest::pageTitles(wizard).constLast(), progress->title());
    QVERIFY(!wizard->button(QWizard::NextButton)->isVisible());
    QVERIFY(!wizard->button(QWizard::BackButton)->isEnabled());
    click(wizard, QWizard::FinishButton);
    QTRY_VERIFY(!wizard->isVisible());
    QCOMPARE(installer.exitCode(0), 1);
    QVERIFY(!QFileInfo::exists(target));
    verifyCanary(target);
}

void InstallerFlowTest::busyStepsKeepTheWindowAlive_data()
{
    QTest::addColumn<bool>("previous");
    QTest::addColumn<bool>("close");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("previous installation removed") << true << false << 0;
    QTest::newRow("window closed during the removal") << true << true << 1;
    QTest::newRow("desktop shortcut registered") << false << false << 0;
    QTest::newRow("window closed during the registration") << false << true << 0;
}

// The previous installation's uninstall script, or the desktop tool of the finishing steps,
// waits until the test opens its gate from the event loop: meanwhile the log shows the step
// and only Cancel can be clicked. A window closed meanwhile lets the step run to its end;
// before the copy nothing is installed then, after it the installation is complete.
void InstallerFlowTest::busyStepsKeepTheWindowAlive()
{
    QFETCH(bool, previous);
    QFETCH(bool, close);
    QFETCH(int, exitCode);
    const QString target =
        sandbox.filePath(QStringLiteral("busy %1%2").arg(int(previous)).arg(int(close)));
    const QString gate = target + QStringLiteral(".gate");
    ORNAInstallerSettings settings = plainSettings();
    QString step = QStringLiteral("old one");
    if (previous) {
        TestSupport::writeFile(target + QStringLiteral("/Uninstaller/LinuxInstaller"), "old\n");
        TestSupport::writeScript(target + QStringLiteral("/uninstall"),
                                 TestSupport::gatedScript(gate, "echo 'old one'",
                                                          "echo 'old two' >&2\n"
                                                          "rm -r Uninstaller uninstall"));
    } else {
        step = QStringLiteral("Creating desktop shortcuts...");
        settings.hasLinks = true;
        settings.links = {{QStringLiteral("bin/tool"),
                           {},
                           QStringLiteral("Tool"),
                           {},
                           QStringLiteral("Tool"),
                           {}}};
        TestSupport::writeFile(target + QStringLiteral(".bin/xdg-desktop-icon"), "");
        TestSupport::writeScript(target + QStringLiteral(".bin/xdg-desktop-icon"),
                                 TestSupport::gatedScript(gate, "", ""));
    }
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", (target + QStringLiteral(".bin:")).toUtf8() + path);
    InstallerOptions options;
    options.installScript = writeCopyingScript(QStringLiteral("busy.sh"), 2, 0);
    TestInstaller installer(options, settings);
    installer.setupWizard();
    QWizard *wizard = installer.wizardWindow();
    QWizardPage *progress = installer.progressPageWidget();
    QString buttons;
    WizardTest::WhenLogShows opener(progress, step, [&] {
        buttons = WizardTest::buttonStates(wizard);
        if (close)
            wizard->close();
        TestSupport::writeFile(gate, "");
    });
    driveToProgressPage(installer, target);
    QTRY_VERIFY_WITH_TIMEOUT(
        installer.hasInstallationFailed() ||
            WizardTest::logText(progress).endsWith(QStringLiteral("Finished.")),
        30000);
    qputenv("PATH", path);
    QVERIFY(opener.done);
    QCOMPARE(buttons, QStringLiteral("Back off, Next off, Finish off, Cancel on"));
    // A step that blocked the event loop would show the gate's time-out or the tool's failure.
    QCOMPARE(WizardTest::redParagraphs(progress),
             previous ? QStringList{QStringLiteral("old two")} : QStringList());
    QCOMPARE(wizard->isVisible(), !close);
    QCOMPARE(installer.exitCode(0), exitCode);
    QCOMPARE(QFileInfo::exists(target + QStringLiteral("/data/file2")), exitCode == 0);
    QVERIFY(TestSupport::readAll(target + QStringLiteral("/Uninstaller/LinuxInstaller")) !=
            "old\n");
}

QTEST_MAIN(InstallerFlowTest)
#include "tst_installerFlow.moc"
