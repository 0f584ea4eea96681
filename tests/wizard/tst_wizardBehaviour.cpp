// What a user of the wizards meets: every page readable at its size (run once more at
// QT_SCALE_FACTOR=2), a wrong directory corrected on the settings page, no way back once the
// installation has started, and every control within reach of the keyboard.
#include "installerOptions.h"
#include "ornaBase.h"
#include "ornaInstaller.h"
#include "ornaUninstaller.h"
#include "pages/ornaInstallDirectoryPage.h"
#include "testSupport.h"
#include "wizardTestSupport.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QWizard>
#include <QtTest>

using WizardTest::click;

namespace {

class TestInstaller : public ORNAInstaller
{
public:
    explicit TestInstaller(const InstallerOptions &options)
        : ORNAInstaller(options, ORNAInstallerSettings(options))
    {}
    ORNAInstallDirectoryPage *directoryPage() const
    {
        return WizardTest::pageOf<ORNAInstallDirectoryPage>(*this);
    }
};

const QString forceHint = QStringLiteral(
    "You can force the installation by passing the --force-prefix command line option.\n"
    "WARNING: The uninstaller will delete the installation directory completely.\n");

// Tab from the first control of the window until the focus comes round again.
QList<QWidget *> tabChain(QWizard *window)
{
    QList<QWidget *> chain;
    // A message box may have taken the activation with it.
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window))
        return {};
    // A button hidden by the page change may still hold the focus.
    if (QApplication::focusWidget() == nullptr || !QApplication::focusWidget()->isVisible())
        window->button(QWizard::CancelButton)->setFocus(Qt::TabFocusReason);
    QWidget *start = QApplication::focusWidget();
    for (QWidget *current = start; current != nullptr && chain.size() < 50;) {
        chain << current;
        QTest::keyClick(current, Qt::Key_Tab);
        current = QApplication::focusWidget();
        if (current == start || !window->isAncestorOf(current))
            break;
    }
    return chain;
}

// Controls a user works with on the current page and in the button row.
QList<QWidget *> controls(QWizard *wizard)
{
    QList<QWidget *> found;
    for (QWidget *widget : wizard->findChildren<QWidget *>()) {
        auto *label = qobject_cast<QLabel *>(widget);
        const bool control =
            qobject_cast<QAbstractButton *>(widget) || qobject_cast<QLineEdit *>(widget) ||
            (label && label->textInteractionFlags() & Qt::LinksAccessibleByKeyboard);
        if (control && widget->isVisibleTo(wizard) && widget->isEnabled())
            found << widget;
    }
    return found;
}

} // namespace

// The page check's failures end the test at once.
#define CHECK_PAGE(wizard)                                                                         \
    do {                                                                                           \
        checkPage(wizard);                                                                         \
        if (QTest::currentTestFailed())                                                            \
            return;                                                                                \
    } while (false)

class WizardBehaviourTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void installerPagesFitAndWork();
    void uninstallerPagesFit();
    void settingsPageKeepsUser_data();
    void settingsPageKeepsUser();
    void tildeMeansHome();

private:
    InstallerOptions demoOptions(const QString &installScript) const;
    // Fails the test when a page cuts a widget, a control is out of Tab's reach or two
    // accelerators clash.
    void checkPage(QWizard *wizard);
    // Welcome, licence accepted, the directory typed in; the wizard then stands on the
    // settings page.
    void toSettingsPage(TestInstaller &installer, const QString &typed);

    QTemporaryDir sandbox;
};

void WizardBehaviourTest::initTestCase()
{
    ORNABase::initialize();
    QVERIFY(sandbox.isValid());
    WizardTest::sandboxThisProcess(sandbox.path());
    QDir().mkpath(sandbox.filePath(QStringLiteral("installer")));
    TestSupport::writeScript(sandbox.filePath(QStringLiteral("archive.sh")),
                             "echo one; echo two\n");
}

InstallerOptions WizardBehaviourTest::demoOptions(const QString &installScript) const
{
    InstallerOptions options;
    options.settingsFile =
        TestSupport::sourcePath(QStringLiteral("examples/demo/installer/installer.settings"));
    options.applicationDirectory = sandbox.filePath(QStringLiteral("installer"));
    options.installScript = installScript;
    return options;
}

void WizardBehaviourTest::checkPage(QWizard *wizard)
{
    QTest::qWait(50); // the window adapts its size once the page is laid out
    const QString page = wizard->currentPage()->title();
    const QStringList clipped = WizardTest::clippedWidgets(wizard);
    QVERIFY2(clipped.isEmpty(), qPrintable(page + QStringLiteral(": ") + clipped.join(", ")));

    QSet<QChar> accelerators;
    for (QWidget *control : controls(wizard)) {
        const QString text = qobject_cast<QAbstractButton *>(control)
                                 ? qobject_cast<QAbstractButton *>(control)->text()
                                 : QString();
        const int mark = text.indexOf(QRegularExpression(QStringLiteral("&[^&]")));
        if (mark < 0)
            continue;
        const QChar key = text.at(mark + 1).toLower();
        QVERIFY2(!accelerators.contains(key), qPrintable(page + QStringLiteral(": &") + key));
        accelerators.insert(key);
    }
    const QList<QWidget *> reached = tabChain(wizard);
    for (QWidget *control : controls(wizard)) {
        // Radio buttons of one group are one stop; the arrow keys choose within it.
        const bool groupReached =
            qobject_cast<QRadioButton *>(control) &&
            std::any_of(reached.begin(), reached.end(), [control](QWidget *widget) {
                return qobject_cast<QRadioButton *>(widget) &&
                       widget->parentWidget() == control->parentWidget();
            });
        QVERIFY2(reached.contains(control) || groupReached,
                 qPrintable(page + QStringLiteral(": Tab never reaches ") +
                            control->metaObject()->className() + QLatin1Char(' ') +
                            control->accessibleName() + QLatin1Char(' ') +
                            control->property("text").toString()));
    }
}

void WizardBehaviourTest::installerPagesFitAndWork()
{
    TestInstaller installer(demoOptions(sandbox.filePath(QStringLiteral("archive.sh"))));
    installer.setupWizard();
    installer.showWizard();
    QWizard *wizard = installer.wizardWindow();
    QVERIFY(QTest::qWaitForWindowActive(wizard));
    CHECK_PAGE(wizard);
    click(wizard, QWizard::NextButton);
    CHECK_PAGE(wizard);
    // Space chooses the radio button that has the focus.
    auto *accept = wizard->currentPage()->findChild<QRadioButton *>();
    accept->setFocus();
    QTest::keyClick(accept, Qt::Key_Space);
    QVERIFY(accept->isChecked());
    click(wizard, QWizard::NextButton);
    CHECK_PAGE(wizard);
    const QString target = sandbox.filePath(QStringLiteral("home/Halvaron"));
    installer.directoryPage()->findChild<QLineEdit *>()->setText(target);
    click(wizard, QWizard::NextButton);
    CHECK_PAGE(wizard);
    click(wizard, QWizard::NextButton);
    QVERIFY(!wizard->button(QWizard::BackButton)->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(wizard->button(QWizard::NextButton)->isEnabled(), 60000);
    CHECK_PAGE(wizard);
    // Once started, the installation is never taken back by another directory: no Back on
    // any later page.
    for (int page = 0; page < 2; ++page) {
        QVERIFY(!wizard->button(QWizard::BackButton)->isEnabled());
        click(wizard, QWizard::NextButton);
        CHECK_PAGE(wizard);
    }
    QVERIFY(!wizard->button(QWizard::BackButton)->isEnabled());

    // The bottom link opens with Enter once Tab has reached it, and only the link.
    const QString record = sandbox.filePath(QStringLiteral("xdg-open.record"));
    QFile::remove(record);
    QWidget *link = nullptr;
    for (int tabs = 0; tabs < 10 && link == nullptr; ++tabs) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        if (QApplication::focusWidget()->property("text") == "Visit the Halvaron web site")
            link = QApplication::focusWidget();
    }
    QVERIFY(link);
    QTest::keyClick(link, Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(TestSupport::readAll(record).contains("cwd="), 20000);
    QCOMPARE(TestSupport::readAll(record).split('\n').first(), "https://halva.example/halvaron");
    QVERIFY(wizard->isVisible());
}

void WizardBehaviourTest::uninstallerPagesFit()
{
    const QString installed = sandbox.filePath(QStringLiteral("installed"));
    QDir().mkpath(installed + QStringLiteral("/Uninstaller"));
    TestSupport::writeScript(installed + QStringLiteral("/Uninstaller/LinuxInstaller"), "");
    TestSupport::writeScript(installed + QStringLiteral("/uninstall"), "");
    WizardTest::TestUninstaller uninstaller(demoOptions(QString()),
                                            installed + QStringLiteral("/Uninstaller"));
    uninstaller.setupWizard();
    uninstaller.showWizard();
    QWizard *wizard = uninstaller.wizardWindow();
    QVERIFY(QTest::qWaitForWindowActive(wizard));
    CHECK_PAGE(wizard);
    WizardTest::MessageBoxSeen seen;
    WizardTest::answerMessageBox(QMessageBox::Yes, &seen);
    click(wizard, QWizard::NextButton);
    QTRY_VERIFY(!QFileInfo::exists(installed));
    QTRY_VERIFY(wizard->button(QWizard::FinishButton)->isEnabled());
    CHECK_PAGE(wizard);
}

void WizardBehaviourTest::toSettingsPage(TestInstaller &installer, const QString &typed)
{
    installer.setupWizard();
    installer.showWizard();
    QWizard *wizard = installer.wizardWindow();
    click(wizard, QWizard::NextButton);
    wizard->currentPage()->findChild<QRadioButton *>()->click();
    click(wizard, QWizard::NextButton);
    QCOMPARE(wizard->currentPage(), installer.directoryPage());
    installer.directoryPage()->findChild<QLineEdit *>()->setText(typed);
}

void WizardBehaviourTest::settingsPageKeepsUser_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    const QString occupied = sandbox.filePath(QStringLiteral("occupied"));
    QDir().mkpath(occupied);
    TestSupport::writeScript(occupied + QStringLiteral("/file"), "");
    QTest::newRow("empty") << ""
                           << "Error: the given installation directory is an empty string.";
    QTest::newRow("relative")
        << "Programs/Halvaron"
        << "Error: The installation directory 'Programs/Halvaron' is not a full path.\n\n"
           "Please give a full path starting with / (or with ~/ for a directory in your home "
           "directory).";
    QTest::newRow("home") << "~"
                          << "Error: Refusing to install in the home directory.\n\n" + forceHint;
    QTest::newRow("home below") << "~/Programs/.."
                                << "Error: Refusing to install in the home directory.\n\n" +
                                       forceHint;
    QTest::newRow("root") << "/"
                          << "Error: Refusing to install in the root directory.\n\n" + forceHint;
    QTest::newRow("not empty") << occupied
                               << "Error: The installation directory '" + occupied +
                                      "' is not empty.\n\n" + forceHint;
}

void WizardBehaviourTest::settingsPageKeepsUser()
{
    QFETCH(QString, typed);
    QFETCH(QString, message);
    TestInstaller installer(demoOptions(sandbox.filePath(QStringLiteral("archive.sh"))));
    toSettingsPage(installer, typed);
    QWizard *wizard = installer.wizardWindow();
    WizardTest::MessageBoxSeen seen;
    WizardTest::answerMessageBox(QMessageBox::Ok, &seen);
    click(wizard, QWizard::NextButton);
    QTRY_VERIFY(seen.seen);
    QCOMPARE(seen.text, message);
    QCOMPARE(seen.parent, installer.directoryPage());
    QCOMPARE(wizard->currentPage(), installer.directoryPage());
    QVERIFY(!installer.isInstallationRequested());

    // Corrected in place, the installation goes on.
    const QString target =
        sandbox.filePath(QStringLiteral("home/Corrected ") + QTest::currentDataTag());
    installer.directoryPage()->findChild<QLineEdit *>()->setText(target);
    click(wizard, QWizard::NextButton);
    click(wizard, QWizard::NextButton);
    QTRY_VERIFY_WITH_TIMEOUT(wizard->button(QWizard::NextButton)->isEnabled(), 60000);
    QVERIFY(QFileInfo::exists(target + QStringLiteral("/uninstall")));
}

void WizardBehaviourTest::tildeMeansHome()
{
    TestInstaller installer(demoOptions(QString()));
    toSettingsPage(installer, QStringLiteral("~/Programs/Halvaron"));
    click(installer.wizardWindow(), QWizard::NextButton);
    const QString used = QDir::homePath() + QStringLiteral("/Programs/Halvaron");
    QCOMPARE(installer.directoryPage()->installationDirectory(), used);
    QVERIFY(installer.wizardWindow()->currentPage()->findChild<QLabel *>()->text().contains(
        QStringLiteral("directory:\n\n") + used + QStringLiteral("\n\n")));
}

QTEST_MAIN(WizardBehaviourTest)
#include "tst_wizardBehaviour.moc"
