#include "installerOptions.h"
#include "ornaBase.h"
#include "ornaUninstaller.h"
#include "pages/ornaUninstallerProgressPage.h"
#include "testSupport.h"
#include "wizardTestSupport.h"

#include <QAbstractButton>
#include <QLabel>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QWizard>
#include <QtTest>

namespace {

using WizardTest::TestUninstaller;

// Shows the wizard, answers the confirmation box with the given button and clicks Uninstall;
// false when the window never appeared.
bool answerConfirmation(TestUninstaller &uninstaller, QMessageBox::StandardButton answer,
                        WizardTest::MessageBoxSeen &seen)
{
    uninstaller.setupWizard();
    uninstaller.showWizard();
    QWizard *wizard = uninstaller.wizardWindow();
    if (!QTest::qWaitForWindowExposed(wizard))
        return false;
    WizardTest::answerMessageBox(answer, &seen);
    WizardTest::click(wizard, QWizard::NextButton);
    return true;
}

} // namespace

class UninstallerWizardTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void pages_data();
    void pages();
    void confirmation_data();
    void confirmation();
    void windowLivesWhileRemoving_data();
    void windowLivesWhileRemoving();

private:
    QTemporaryDir sandbox;
    QString installation;
};

void UninstallerWizardTest::initTestCase()
{
    ORNABase::initialize();
    QVERIFY(sandbox.isValid());
    qputenv("HOME", sandbox.filePath(QStringLiteral("home")).toUtf8());
    QDir().mkpath(sandbox.filePath(QStringLiteral("home")));
}

void UninstallerWizardTest::init()
{
    installation = sandbox.filePath(QStringLiteral("Tool <1>"));
    QDir().mkpath(installation + QStringLiteral("/Uninstaller"));
    QDir().mkpath(installation + QStringLiteral("/bin"));
    TestSupport::writeScript(installation + QStringLiteral("/bin/tool"), "");
    TestSupport::writeScript(installation + QStringLiteral("/Uninstaller/LinuxInstaller"), "");
    TestSupport::writeScript(installation + QStringLiteral("/uninstall"), "");
}

void UninstallerWizardTest::pages_data()
{
    QTest::addColumn<QString>("title");
    QTest::newRow("plain") << "Tool 2.0";
    QTest::newRow("markup") << "Tool & <Co>";
}

void UninstallerWizardTest::pages()
{
    QFETCH(QString, title);
    TestUninstaller uninstaller(installation + QStringLiteral("/Uninstaller"), title);
    uninstaller.setupWizard();
    QWizard *wizard = uninstaller.wizardWindow();
    QCOMPARE(wizard->pageIds(), (QList<int>{0, 1}));

    QWizardPage *welcome = wizard->page(0);
    QCOMPARE(welcome->title(), QStringLiteral("Welcome"));
    QCOMPARE(welcome->subTitle(),
             QStringLiteral("Welcome to the ") + title + QStringLiteral(" uninstaller"));
    // The directory goes in as it is, markup characters included.
    QCOMPARE(welcome->findChild<QLabel *>()->text(),
             QStringLiteral("You are going to remove ") + title +
                 QStringLiteral(" from your computer.<br><br><b>Note: the "
                                "installation directory will be completely "
                                "deleted:</b><br>") +
                 installation + QStringLiteral("<br><br>Click Uninstall to continue."));

    QWizardPage *progress = wizard->page(1);
    QCOMPARE(progress->title(), QStringLiteral("Uninstalling ") + title);

    uninstaller.showWizard();
    QVERIFY(QTest::qWaitForWindowExposed(wizard));
    QCOMPARE(wizard->button(QWizard::NextButton)->text(), QStringLiteral("Uninstall"));
    QVERIFY(!wizard->button(QWizard::BackButton)->isVisible());
}

void UninstallerWizardTest::confirmation_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("no closes without touching anything") << false;
    QTest::newRow("yes removes the installation") << true;
}

void UninstallerWizardTest::confirmation()
{
    QFETCH(bool, yes);
    TestUninstaller uninstaller(installation + QStringLiteral("/Uninstaller"),
                                QStringLiteral("Tool"));
    WizardTest::MessageBoxSeen seen;
    QVERIFY(answerConfirmation(uninstaller, yes ? QMessageBox::Yes : QMessageBox::No, seen));
    QWizard *wizard = uninstaller.wizardWindow();
    QVERIFY(seen.seen);
    QCOMPARE(seen.title, QStringLiteral("Confirm unstallation"));
    QCOMPARE(seen.text, QStringLiteral("Do you want to uninstall Tool?"));
    QCOMPARE(seen.parent, wizard);
    QCOMPARE(seen.defaultButton, QMessageBox::No);
    QCOMPARE(wizard->isVisible(), yes);
    if (!yes) {
        QTest::qWait(50);
        QVERIFY(QFile::exists(installation + QStringLiteral("/bin/tool")));
        return;
    }
    QCOMPARE(wizard->currentId(), 1);
    // Nothing to click while the work runs.
    QCOMPARE(WizardTest::buttonStates(wizard),
             QStringLiteral("Back off, Next off, Finish off, Cancel on"));
    QWizardPage *progress = wizard->page(1);
    QTRY_VERIFY_WITH_TIMEOUT(WizardTest::logText(progress).endsWith(QStringLiteral("Done.")),
                             30000);
    QCOMPARE(WizardTest::logText(progress), QStringLiteral("Deleting the installation directory ") +
                                                installation + QStringLiteral("...\nDone."));
    QVERIFY(!QFile::exists(installation));
    QCOMPARE(progress->findChild<QProgressBar *>()->value(), 1);
    QVERIFY(
        WizardTest::buttonStates(wizard).startsWith(QStringLiteral("Back on, Next on, Finish on")));

    // Back to the welcome page and forward again asks nothing and starts nothing.
    WizardTest::click(wizard, QWizard::BackButton);
    WizardTest::click(wizard, QWizard::NextButton);
    QTest::qWait(100);
    QCOMPARE(WizardTest::logText(progress).count(QStringLiteral("Done.")), 1);
    WizardTest::click(wizard, QWizard::FinishButton);
    QVERIFY(!wizard->isVisible());
}

void UninstallerWizardTest::windowLivesWhileRemoving_data()
{
    QTest::addColumn<bool>("close");
    QTest::newRow("watched to the end") << false;
    QTest::newRow("window closed meanwhile") << true;
}

// A desktop tool waits until the test opens its gate from the event loop: meanwhile the log
// shows the step and only Cancel can be clicked. A window closed meanwhile lets the removal
// run to its end.
void UninstallerWizardTest::windowLivesWhileRemoving()
{
    QFETCH(bool, close);
    const QString bin = sandbox.filePath(QStringLiteral("gated-bin"));
    const QString gate = sandbox.filePath(QStringLiteral("gate %1").arg(int(close)));
    TestSupport::writeFile(installation + QStringLiteral("/Uninstaller/desktopEntries/t.desktop"),
                           "[Desktop Entry]\n");
    TestSupport::writeFile(bin + QStringLiteral("/gsettings"), "");
    TestSupport::writeScript(bin + QStringLiteral("/gsettings"), "exit 1\n");
    TestSupport::writeScript(bin + QStringLiteral("/xdg-desktop-icon"),
                             TestSupport::gatedScript(gate, "", ""));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", (bin + QLatin1Char(':')).toUtf8() + path);
    TestUninstaller uninstaller(installation + QStringLiteral("/Uninstaller"),
                                QStringLiteral("Tool"));
    uninstaller.setupWizard();
    QWizard *wizard = uninstaller.wizardWindow();
    QString buttons;
    WizardTest::WhenLogShows opener(wizard->page(1), QStringLiteral("Removing desktop shortcuts"),
                                    [&] {
                                        buttons = WizardTest::buttonStates(wizard);
                                        if (close)
                                            wizard->close();
                                        TestSupport::writeFile(gate, "");
                                    });
    WizardTest::MessageBoxSeen seen;
    QVERIFY(answerConfirmation(uninstaller, QMessageBox::Yes, seen));
    QTRY_VERIFY_WITH_TIMEOUT(WizardTest::logText(wizard->page(1)).endsWith(QStringLiteral("Done.")),
                             30000);
    qputenv("PATH", path);
    QVERIFY(opener.done);
    QCOMPARE(buttons, QStringLiteral("Back off, Next off, Finish off, Cancel on"));
    // A removal that blocked the event loop would show the tool's failure.
    QCOMPARE(WizardTest::redParagraphs(wizard->page(1)), QStringList());
    QVERIFY(!QFile::exists(installation));
    QCOMPARE(wizard->isVisible(), !close);
}

QTEST_MAIN(UninstallerWizardTest)
#include "tst_uninstallerWizard.moc"
