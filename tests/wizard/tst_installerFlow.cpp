// The installer wizard driven through a real installation: the demo product's archive, made by
// tools/make-archive, and small archive scripts that the test writes itself.
#include "installerOptions.h"
#include "ornaBase.h"
#include "ornaFinishInstallationPage.h"
#include "ornaInstallDirectoryPage.h"
#include "ornaInstaller.h"
#include "ornaLicensePage.h"
#include "ornaProgressPage.h"
#include "testSupport.h"
#include "wizardTestSupport.h"

#include <QAbstractButton>
#include <QDirIterator>
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
    explicit TestInstaller(const InstallerOptions &options) : ORNAInstaller(options) {}
    TestInstaller(const InstallerOptions &options, const ORNAInstallerSettings &values)
        : ORNAInstaller(options)
    {
        settings = values;
    }
    ORNALicensePage *license() const { return licensePage; }
    ORNAInstallDirectoryPage *directoryPage() const { return installDirectoryPage; }
    ORNAProgressPage *progressPageWidget() const { return progressPage; }
};

QStringList filesBelow(const QString &root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::System | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(root).relativeFilePath(it.next());
    files.sort();
    return files;
}

int countOf(const QString &text, const QString &line)
{
    return text.split(QLatin1Char('\n')).count(line);
}

} // namespace

class InstallerFlowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void demoInstallationThroughThePages();
    void noWayBackWhileRunning();
    void lateErrorStaysOnProgressPage();
    void emptyFileCountKeepsBarWithoutRange();

private:
    // Welcome, licence (accepted), settings with the directory typed in, summary, progress.
    void driveToProgressPage(TestInstaller &installer, const QString &directory);
    ORNAInstallerSettings plainSettings() const;
    QString writeSlowScript(const QString &name, int lines);

    QTemporaryDir sandbox;
    QString staging;
    QString archive;
    int demoFileCount = 0;
};

void InstallerFlowTest::initTestCase()
{
    ORNABase::initialize();
    QVERIFY(sandbox.isValid());
    WizardTest::sandboxThisProcess(sandbox.path());
    staging = sandbox.filePath(QStringLiteral("installer"));
    QDir().mkpath(staging);
    const QString demo = TestSupport::sourcePath(QStringLiteral("examples/demo/installer"));
    for (const QString &name : QDir(demo).entryList(QDir::Files))
        QVERIFY(QFile::copy(demo + QLatin1Char('/') + name, staging + QLatin1Char('/') + name));
    QVERIFY(QFile::copy(TestSupport::binaryPath(QStringLiteral("LinuxInstaller")),
                        staging + QStringLiteral("/LinuxInstaller")));
    archive = sandbox.filePath(QStringLiteral("halvaron-demo.run"));
    const auto made = TestSupport::runProgram(
        QStringLiteral("bash"),
        {TestSupport::sourcePath(QStringLiteral("tools/make-archive")),
         TestSupport::sourcePath(QStringLiteral("examples/demo/product")), staging, archive});
    QVERIFY2(made.exitCode == 0, made.standardError.constData());
    demoFileCount =
        filesBelow(TestSupport::sourcePath(QStringLiteral("examples/demo/product"))).size();
    QVERIFY(demoFileCount > 5);
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

void InstallerFlowTest::demoInstallationThroughThePages()
{
    InstallerOptions options;
    options.settingsFile = staging + QStringLiteral("/installer.settings");
    options.applicationDirectory = staging;
    options.installScript = archive;
    options.tempDirectory = TestSupport::sourcePath(QStringLiteral("examples/demo/product"));
    TestInstaller installer(options);
    installer.setTempDirectory(options.tempDirectory);
    installer.setupWizard();
    installer.setProgressMaximum(demoFileCount);
    QWizard *wizard = installer.wizardWindow();
    const QString target = sandbox.filePath(QStringLiteral("home/Halvaron Demo"));
    driveToProgressPage(installer, target);
    QWizardPage *progress = installer.progressPageWidget();
    QVERIFY(!wizard->button(QWizard::NextButton)->isEnabled());
    QVERIFY(!wizard->button(QWizard::FinishButton)->isEnabled());

    QTRY_VERIFY_WITH_TIMEOUT(WizardTest::logText(progress).endsWith(QStringLiteral("Finished.")),
                             120000);
    auto *bar = progress->findChild<QProgressBar *>();
    QCOMPARE(bar->maximum(), demoFileCount);
    QCOMPARE(bar->value(), demoFileCount);
    QCOMPARE(installer.progress(), demoFileCount);
    QVERIFY(wizard->button(QWizard::NextButton)->isEnabled());
    QVERIFY(WizardTest::logText(progress).startsWith(QStringLiteral("Installing Halvaron 1.0 in ") +
                                                     target + QStringLiteral("...")));
    for (const QString &file :
         filesBelow(TestSupport::sourcePath(QStringLiteral("examples/demo/product"))))
        QVERIFY2(QFile::exists(target + QLatin1Char('/') + file), qPrintable(file));
    QVERIFY(QFile::exists(target + QStringLiteral("/Uninstaller/LinuxInstaller")));

    // No way back to another directory after the end.
    QVERIFY(!wizard->button(QWizard::BackButton)->isEnabled());
    QCOMPARE(countOf(WizardTest::logText(progress), QStringLiteral("Finished.")), 1);

    // The product's starter records how it was started; so does xdg-open.
    const QString starterRecord = sandbox.filePath(QStringLiteral("starter.record"));
    QFile::remove(target + QStringLiteral("/bin/linuxStarter.py"));
    WizardTest::writeRecordingScript(target + QStringLiteral("/bin/linuxStarter.py"),
                                     starterRecord);
    QFile::remove(sandbox.filePath(QStringLiteral("xdg-open.record")));
    click(wizard, QWizard::NextButton); // readme
    click(wizard, QWizard::NextButton); // finish page
    QVERIFY(qobject_cast<ORNAFinishInstallationPage *>(wizard->currentPage()));
    click(wizard, QWizard::FinishButton);
    QTRY_VERIFY(!wizard->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(TestSupport::readAll(starterRecord).contains("cwd="), 20000);
    QCOMPARE(TestSupport::readAll(starterRecord),
             "--data\n" + target.toUtf8() + "/data\ncwd=" + target.toUtf8() + "\n");
    const QString openRecord = sandbox.filePath(QStringLiteral("xdg-open.record"));
    QTRY_VERIFY_WITH_TIMEOUT(TestSupport::readAll(openRecord).contains("cwd="), 20000);
    QCOMPARE(TestSupport::readAll(openRecord),
             target.toUtf8() + "/doc/README.txt\ncwd=" + target.toUtf8() + "\n");
}

void InstallerFlowTest::noWayBackWhileRunning()
{
    InstallerOptions options;
    options.installScript = writeSlowScript(QStringLiteral("slow.sh"), 15);
    TestInstaller installer(options, plainSettings());
    installer.setupWizard();
    installer.setProgressMaximum(15);
    QWizard *wizard = installer.wizardWindow();
    driveToProgressPage(installer, sandbox.filePath(QStringLiteral("slow-target")));
    QTRY_VERIFY(installer.isInstallationRunning());
    // Nothing leads back to the settings while the script runs.
    QVERIFY(!wizard->button(QWizard::BackButton)->isEnabled());
    QVERIFY(!wizard->button(QWizard::NextButton)->isEnabled());
    QVERIFY(!wizard->button(QWizard::FinishButton)->isEnabled());
    QWizardPage *progress = installer.progressPageWidget();
    QTRY_VERIFY_WITH_TIMEOUT(WizardTest::logText(progress).endsWith(QStringLiteral("Finished.")),
                             60000);
    const QString log = WizardTest::logText(progress);
    QCOMPARE(log.count(QStringLiteral("Installing Tool in ")), 1);
    // Standard error in red, shown as text, not as markup.
    QCOMPARE(WizardTest::redParagraphs(progress), QStringList{"oops <b>not bold</b>"});
    QCOMPARE(progress->findChild<QProgressBar *>()->value(), 15);
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

void InstallerFlowTest::emptyFileCountKeepsBarWithoutRange()
{
    InstallerOptions options;
    options.installScript = writeSlowScript(QStringLiteral("count0.sh"), 3);
    TestInstaller installer(options, plainSettings());
    installer.setupWizard();
    installer.setProgressMaximum(0);
    driveToProgressPage(installer, sandbox.filePath(QStringLiteral("count0-target")));
    QWizardPage *progress = installer.progressPageWidget();
    auto *bar = progress->findChild<QProgressBar *>();
    QTRY_VERIFY(installer.isInstallationRunning());
    QCOMPARE(bar->maximum(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(WizardTest::logText(progress).endsWith(QStringLiteral("Finished.")),
                             60000);
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 0);
    QCOMPARE(installer.progress(), 3);
}

QTEST_MAIN(InstallerFlowTest)
#include "tst_installerFlow.moc"
