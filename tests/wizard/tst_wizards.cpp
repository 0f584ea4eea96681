// The wizards driven headless through real installations by archive scripts the test writes
// itself (the demo's archive goes through them on a display in tests/xdisplay).
#include "installerOptions.h"
#include "ornaBase.h"
#include "ornaInstaller.h"
#include "ornaUninstaller.h"
#include "pages/ornaInstallDirectoryPage.h"
#include "pages/ornaProgressPage.h"
#include "pages/ornaUninstallerProgressPage.h"
#include "testSupport.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextBrowser>
#include <QtTest>

namespace WizardTest {

template <typename Page>
Page *pageOf(const ORNAInstallerBase &engine)
{
    return engine.wizardWindow()->findChild<Page *>();
}

// Clicks a wizard button as a user would.
void click(QWizard *wizard, int which)
{
    QAbstractButton *button = wizard->button(QWizard::WizardButton(which));
    QVERIFY(button->isVisible() && button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
}

// A widget's text as a user sees it: "[x] " before a ticked box, "[text]" for a line edit.
QString widgetSeen(QWidget *widget)
{
    if (auto *group = qobject_cast<QGroupBox *>(widget))
        return group->title();
    if (auto *label = qobject_cast<QLabel *>(widget))
        return label->text();
    if (auto *browser = qobject_cast<QTextBrowser *>(widget))
        return browser->toPlainText();
    if (auto *edit = qobject_cast<QLineEdit *>(widget))
        return '[' + edit->text() + ']';
    if (auto *bar = qobject_cast<QProgressBar *>(widget))
        return bar->text();
    auto *button = qobject_cast<QAbstractButton *>(widget);
    if (button == nullptr || !button->isCheckable())
        return button ? button->text() : QString();
    return (button->isChecked() ? "[x] " : "[ ] ") + button->text();
}

// "title / subtitle", then the text of each visible widget of the page, one per line.
QString pageSeen(QWizardPage *page)
{
    QStringList lines{page->title() + " / " + page->subTitle()};
    for (QWidget *widget : page->findChildren<QWidget *>())
        if (widget->isVisibleTo(page) && !widgetSeen(widget).isEmpty())
            lines << widgetSeen(widget);
    return lines.join('\n');
}

// The current page as pageSeen, then its buttons: "Back off, Next on, Finish hidden, Cancel on".
QString seen(QWizard *wizard)
{
    QStringList states;
    for (int which :
         {QWizard::BackButton, QWizard::NextButton, QWizard::FinishButton, QWizard::CancelButton}) {
        const QAbstractButton *button = wizard->button(QWizard::WizardButton(which));
        const char *state = !button->isVisible() ? " hidden" : button->isEnabled() ? " on" : " off";
        states << button->text().remove(QRegularExpression("[&<>]")).trimmed() + state;
    }
    return pageSeen(wizard->currentPage()) + '\n' + states.join(", ");
}

// The widgets Tab reaches from the focus until it comes round again.
QList<QWidget *> tabChain(QWizard *window)
{
    window->activateWindow(); // a message box may have taken the activation with it
    if (!QTest::qWaitForWindowActive(window))
        return {};
    // A button hidden by the page change may still hold the focus.
    if (QApplication::focusWidget() == nullptr || !QApplication::focusWidget()->isVisible())
        window->button(QWizard::CancelButton)->setFocus(Qt::TabFocusReason);
    QList<QWidget *> chain;
    for (QWidget *current = QApplication::focusWidget(); chain.size() < 50;) {
        chain << current;
        QTest::keyClick(current, Qt::Key_Tab);
        current = QApplication::focusWidget();
        if (current == nullptr || current == chain.first() || !window->isAncestorOf(current))
            break;
    }
    return chain;
}

// Whether a widget is smaller than it asks to be (a word-wrapped label: for its text).
bool isCut(QWidget *widget)
{
    if (qobject_cast<QGroupBox *>(widget) || qobject_cast<QTextEdit *>(widget))
        return false; // their contents are measured on their own, or scroll
    auto *label = qobject_cast<QLabel *>(widget);
    QSize wanted = widget->sizeHint();
    if (label != nullptr && label->wordWrap())
        wanted = QSize(label->minimumSizeHint().width(), label->heightForWidth(label->width()));
    return !widget->sizeHint().isEmpty() &&
           (widget->width() < wanted.width() || widget->height() < wanted.height());
}

// What a user cannot read or reach: cut widgets, clashing accelerators, controls Tab misses.
QStringList pageFaults(QWizard *wizard)
{
    QTest::qWait(50); // the window adapts its size once the page is laid out
    QStringList faults;
    QHash<QChar, bool> accelerators;
    QList<QWidget *> controls;
    for (QWidget *widget : wizard->findChildren<QWidget *>()) {
        if (!widget->isVisibleTo(wizard) || widgetSeen(widget).isNull())
            continue;
        if (isCut(widget))
            faults << "cut: " + widgetSeen(widget).left(40);
        if (!qobject_cast<QAbstractButton *>(widget) && !qobject_cast<QLineEdit *>(widget))
            continue;
        if (widget->isEnabled())
            controls << widget;
        const int mark = widgetSeen(widget).indexOf(QRegularExpression("&[^&]"));
        const QChar key = mark < 0 ? QChar() : widgetSeen(widget).at(mark + 1).toLower();
        if (!key.isNull() && std::exchange(accelerators[key], true))
            faults << QStringLiteral("two controls with &") + key;
    }
    const QList<QWidget *> reached = tabChain(wizard);
    for (QWidget *control : controls) {
        // Radio buttons of one group are one stop; the arrow keys choose within it.
        const bool groupReached =
            std::any_of(reached.begin(), reached.end(), [control](QWidget *w) {
                return qobject_cast<QRadioButton *>(w) && qobject_cast<QRadioButton *>(control) &&
                       w->parentWidget() == control->parentWidget();
            });
        if (!reached.contains(control) && !groupReached)
            faults << "Tab never reaches " + widgetSeen(control);
    }
    return faults;
}

// The progress page's log as plain text, once the collected lines are written.
QString logText(QWizardPage *page)
{
    QCoreApplication::processEvents(); // the log writes its lines once per event-loop turn
    return page->findChild<QTextEdit *>()->toPlainText();
}

// The paragraphs of the log shown in red.
QStringList redParagraphs(QWizardPage *page)
{
    logText(page);
    QStringList red;
    const QTextDocument *document = page->findChild<QTextEdit *>()->document();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        if (block.begin().fragment().charFormat().foreground().color() == QColor(Qt::red))
            red << block.text();
    return red;
}

// Answers the next modal dialog of the wizard from the event loop (a box with the button, else
// rejects it); *seen is its title, for a box then " | text | buttons ([default]) | its parent".
void answerNextDialog(QWizard *wizard, int button, QString *seen, int tries = 300)
{
    QTimer::singleShot(10, wizard, [=]() {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (dialog == nullptr) // not shown yet: try again soon, for a while
            return tries > 0 ? answerNextDialog(wizard, button, seen, tries - 1) : void();
        *seen = dialog->windowTitle();
        auto *box = qobject_cast<QMessageBox *>(dialog);
        if (box == nullptr || box->button(QMessageBox::StandardButton(button)) == nullptr)
            return dialog->reject();
        QStringList buttons;
        for (QAbstractButton *each : box->buttons())
            buttons << (each == box->defaultButton() ? '[' + each->text() + ']' : each->text());
        *seen += " | " + box->text() + " | " + buttons.join(' ') + " | " +
                 box->parentWidget()->metaObject()->className();
        box->button(QMessageBox::StandardButton(button))->click();
    });
}

// Puts a desktop icon tool that waits for the gate first in PATH (returns the old one). Once the
// log shows text the buttons' states go to *buttons, the window closes if asked, the gate opens.
QByteArray gateStep(QTimer &timer, QWizard *wizard, QWizardPage *page, const QString &text,
                    const QString &gate, bool close, QString *buttons)
{
    QDir().mkpath(gate + ".bin");
    TestSupport::writeScript(gate + ".bin/xdg-desktop-icon",
                             TestSupport::gatedScript(gate, "", ""));
    QObject::connect(&timer, &QTimer::timeout, [=, &timer] {
        // Read without turning the event loop: this runs inside the busy step's own loop.
        if (!page->findChild<QTextEdit *>()->toPlainText().contains(text))
            return;
        timer.stop();
        *buttons = seen(wizard).section('\n', -1);
        if (close)
            wizard->close();
        TestSupport::writeFile(gate, "");
    });
    timer.start(20);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", (gate + ".bin:").toUtf8() + path);
    return path;
}

// The current page as seen, then what a user cannot read or reach there.
QString shows(QWizard *wizard)
{
    return (QStringList{seen(wizard)} + pageFaults(wizard)).join('\n');
}

// "Tool 2.0" with the demo's pictures and the parts named: licence (or its markup), readme,
// finish (options ticked unless unticked, link), links (a menu entry and a desktop shortcut).
ORNAInstallerSettings toolSettings(const QString &parts)
{
    ORNAInstallerSettings settings;
    settings.productTitle = "Tool 2.0";
    settings.installerTargetDirectory = "Tool";
    settings.uninstallerEnabled = true;
    settings.licenseText = parts.contains("markup")    ? "<html><p>Be <b>nice</b>.</p></html>"
                           : parts.contains("licence") ? "You may use <this> tool.\nLine two."
                                                       : "";
    settings.readmeText = parts.contains("readme") ? "Read <b>me</b>." : "";
    InstallerFinishPage &finish = settings.finishPage;
    finish.present = parts.contains("finish");
    finish.title = "All Done";
    finish.text = "<p>Tool is <b>ready</b>.</p>";
    if (parts.contains("options")) {
        finish.runCommand = "bin/Tool";
        finish.runCommandText = "Start Tool & Co";
        finish.showReadmeFile = "doc/README";
        finish.showReadmeText = "Show the readme";
        finish.runCheckBoxNotChecked = finish.showReadmeCheckBoxNotChecked =
            parts.contains("unticked");
    }
    finish.bottomLinkLocation = parts.contains("link") ? "https://example.org/a?b=1&c=2" : "";
    finish.bottomLinkTitle = "Visit us";
    settings.hasLinks = parts.contains("links");
    if (settings.hasLinks)
        settings.links = {{"bin/tool", {}, "Tool", {}, "Tool", {}}};
    const QString pictures = TestSupport::sourcePath("examples/demo/installer/%1.png");
    settings.logoImage = pictures.arg("logo");
    settings.bannerImage = pictures.arg("logo"); // narrower than the window: stretched
    settings.watermarkImage = pictures.arg("watermark");
    return settings;
}

} // namespace WizardTest

using namespace WizardTest;

const QString directoryPage =
    "Installation Directory\nTool 2.0 will be installed into the following directory.\n\n"
    "Click Browse to change it, Next to continue.\n[%1]\nB&rowse...";

class WizardsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void walkThrough();
    void pages_data();
    void pages();
    void endings_data();
    void endings();
    void uninstall_data();
    void uninstall();

private:
    // Prints one line per file it writes into data/, a line on standard error, then exits.
    InstallerOptions archive(int files, int exitCode);
    // Shows the wizard, goes to the settings page, types the directory and clicks Next.
    QWizard *typeDirectory(ORNAInstaller &installer, const QString &typed);

    QTemporaryDir sandbox;
};

// A HOME and XDG directories in the sandbox, and recording stand-ins for the desktop tools,
// gsettings and xdg-open (each appends its arguments to <tool>.record) first in PATH.
void WizardsTest::initTestCase()
{
    ORNABase::initialize();
    QVERIFY(sandbox.isValid());
    const QProcessEnvironment environment =
        TestSupport::sandboxEnvironment(sandbox.filePath("home"));
    for (const QString &name : environment.keys())
        if (name == "HOME" || name.startsWith("XDG_") || name == "GSETTINGS_BACKEND")
            qputenv(name.toUtf8().constData(), environment.value(name).toUtf8());
    QDir().mkpath(sandbox.filePath("bin"));
    for (const char *tool :
         {"xdg-icon-resource", "xdg-desktop-icon", "xdg-desktop-menu", "gsettings", "xdg-open"})
        TestSupport::writeScript(sandbox.filePath("bin/") + tool,
                                 "for a in \"$@\"; do echo \"$a\" >> '" +
                                     sandbox.filePath(tool).toUtf8() + ".record'; done\n");
    qputenv("PATH", sandbox.filePath("bin:").toUtf8() + qgetenv("PATH"));
}

InstallerOptions WizardsTest::archive(int files, int exitCode)
{
    InstallerOptions options;
    options.installScript = sandbox.filePath(QString("archive%1-%2").arg(files).arg(exitCode));
    TestSupport::writeScript(options.installScript,
                             "mkdir -p \"$2/data\"\nfor i in $(seq " + QByteArray::number(files) +
                                 "); do echo $i > \"$2/data/file$i\"; echo data/file$i; sleep "
                                 "0.1; done\necho 'note <b>not bold</b>' >&2\nexit " +
                                 QByteArray::number(exitCode) + "\n");
    return options;
}

QWizard *WizardsTest::typeDirectory(ORNAInstaller &installer, const QString &typed)
{
    installer.setupWizard();
    installer.showWizard();
    QWizard *wizard = installer.wizardWindow();
    click(wizard, QWizard::NextButton);
    pageOf<ORNAInstallDirectoryPage>(installer)->findChild<QLineEdit *>()->setText(typed);
    click(wizard, QWizard::NextButton);
    return wizard;
}

// One installation through every page, by mouse and keyboard, as a user sees it.
void WizardsTest::walkThrough()
{
    const QString home = QDir::homePath();
    ORNAInstaller installer(archive(3, 0),
                            toolSettings("licence readme finish options link links"));
    TestSupport::StreamCapture capture(1);
    installer.showWizard(); // before it is set up
    QCOMPARE(capture.text(), "Error: cannot show the wizard, because it is NULL\n");
    installer.setupWizard();
    installer.setProgressMaximum(3);
    installer.showWizard();
    QWizard *wizard = installer.wizardWindow();
    QVERIFY(QTest::qWaitForWindowActive(wizard));
    QCOMPARE(wizard->windowTitle(), "Installing Tool 2.0");
    // The banner grows with the header: its last row fills what the picture does not cover.
    QTRY_VERIFY(wizard->pixmap(QWizard::BannerPixmap).height() > 64);
    QCOMPARE(shows(wizard), "Welcome / Welcome to the Tool 2.0 Installer\nYou are going to install "
                            "Tool 2.0 on your computer.\n\nClick Next to continue.\n"
                            "Back off, Next on, Finish hidden, Cancel on");
    click(wizard, QWizard::NextButton);
    QCOMPARE(shows(wizard), "License Agreement / Please read the following license agreement.\n"
                            "You may use <this> tool.\nLine two.\n"
                            "[ ] I &accept the terms of the license agreement.\n"
                            "[ ] I &do not accept the terms of the license agreement.\n"
                            "Back on, Next off, Finish hidden, Cancel on");
    // Next once the licence is accepted, here with Space.
    const auto choices = wizard->currentPage()->findChildren<QRadioButton *>();
    choices[0]->setFocus();
    QTest::keyClick(choices[0], Qt::Key_Space);
    QVERIFY(seen(wizard).endsWith("Next on, Finish hidden, Cancel on"));
    click(wizard, QWizard::NextButton);
    QCOMPARE(shows(wizard),
             "Installation Settings / Customize the installation.\nShortcuts\n"
             "Specify if you want to create desktop shortcuts and program menu "
             "entries.\n[x] Create &desktop shortcuts\n[x] Create start &menu entries\n" +
                 directoryPage.arg(home + "/Tool") +
                 "\nBack on, Next on, Finish hidden, Cancel on");
    QTest::keyClick(wizard, Qt::Key_D, Qt::AltModifier); // unticks the desktop shortcuts
    QString dialog;
    answerNextDialog(wizard, QMessageBox::NoButton, &dialog);
    QTest::mouseClick(wizard->currentPage()->findChild<QPushButton *>(), Qt::LeftButton);
    QCOMPARE(dialog, "Choose Installation Directory");
    auto *edit = wizard->currentPage()->findChild<QLineEdit *>();
    QCOMPARE(edit->text(), home + "/Tool"); // a cancelled Browse keeps the directory
    // Refused, the directory page keeps the user, with a box that says why.
    const QString force =
        "\n\nYou can force the installation by passing the --force-prefix command line option.\n"
        "WARNING: The uninstaller will delete the installation directory completely.\n";
    const QString full = sandbox.filePath("full");
    TestSupport::writeFile(full + "/file", "");
    const QList<QStringList> refused = {
        {"", "Error: the given installation directory is an empty string."},
        {"Programs/Tool",
         "Error: The installation directory 'Programs/Tool' is not a full path.\n\n"
         "Please give a full path starting with / (or with ~/ for a directory "
         "in your home directory)."},
        {"~", "Error: Refusing to install in the home directory." + force},
        {"/", "Error: Refusing to install in the root directory." + force},
        {full, "Error: The installation directory '" + full + "' is not empty." + force}};
    for (const QStringList &typedAndSaid : refused) {
        answerNextDialog(wizard, QMessageBox::Ok, &dialog);
        edit->setText(typedAndSaid[0]);
        click(wizard, QWizard::NextButton);
        QCOMPARE(dialog, "Installation Directory | " + typedAndSaid[1] +
                             " | OK | ORNAInstallDirectoryPage");
        QCOMPARE(wizard->currentPage(), pageOf<ORNAInstallDirectoryPage>(installer));
    }
    edit->clear();
    QTest::keyClicks(edit, "~/Programs/<b>Tool</b>");
    click(wizard, QWizard::NextButton);
    // The directory as the wizard will use it, shown as text.
    const QString target = home + "/Programs/<b>Tool</b>";
    QCOMPARE(shows(wizard), QString("Start Installation /  \nTool 2.0 will be installed into this "
                                    "directory:\n\n%1\n\nClick Finish to start the installation "
                                    "process, or click Back to change the settings.\nBack on, "
                                    "Next on, Finish hidden, Cancel on")
                                .arg(target));
    click(wizard, QWizard::NextButton);
    QWizardPage *progress = wizard->currentPage();
    QTRY_VERIFY_WITH_TIMEOUT(logText(progress).endsWith("\nFinished."), 60000);
    QCOMPARE(shows(wizard), "Installing Tool 2.0 ... /  \nProgress\n100%\n"
                            "Back off, Next on, Finish hidden, Cancel on");
    QCOMPARE(logText(progress).count("Installing Tool 2.0 in " + target), 1);
    QCOMPARE(redParagraphs(progress), QStringList{"note <b>not bold</b>"});
    QVERIFY(QFile::exists(target + "/data/file3") && QFile::exists(target + "/uninstall"));
    // Menu entries, but no desktop shortcut once unticked.
    QVERIFY(QFile::exists(sandbox.filePath("xdg-desktop-menu.record")));
    QVERIFY(!QFile::exists(sandbox.filePath("xdg-desktop-icon.record")));
    // No way back to another directory once the installation has started.
    click(wizard, QWizard::NextButton);
    QCOMPARE(shows(wizard), "Readme / Please read this information.\nRead <b>me</b>.\n"
                            "Back off, Next on, Finish hidden, Cancel on");
    click(wizard, QWizard::NextButton);
    QCOMPARE(shows(wizard),
             "All Done /  \n<p>Tool is <b>ready</b>.</p>\n[x] Start Tool && Co\n"
             "[x] Show the readme\nVisit us\nBack off, Next hidden, Finish on, Cancel on");
    // The bottom link and, on Finish, the readme open in the user's programs.
    QTest::mouseClick(wizard->currentPage()->findChild<QPushButton *>(), Qt::LeftButton);
    const QString opened = sandbox.filePath("xdg-open.record");
    QTRY_COMPARE(TestSupport::readAll(opened), "https://example.org/a?b=1&c=2\n");
    click(wizard, QWizard::FinishButton);
    QTRY_COMPARE(TestSupport::readAll(opened).split('\n').value(1), target + "/doc/README");
    QVERIFY(!wizard->isVisible());
    QCOMPARE(installer.exitCode(0), 0);
}

void WizardsTest::pages_data()
{
    QTest::addColumn<QString>("parts");
    QTest::addColumn<QString>("expected"); // the page of that title, or the titles of all pages
    const QString finish = "All Done /  \n<p>Tool is <b>ready</b>.</p>";
    QTest::addRow("bare") << QString()
                          << "Welcome, Installation Settings, Start Installation, Installing Tool "
                             "2.0 ...";
    QTest::addRow("licence as markup")
        << "markup"
        << "License Agreement / Please read the following license agreement.\nBe nice.\n[ ] I "
           "&accept the terms of the license agreement.\n[ ] I &do not accept the terms of the "
           "license agreement.";
    QTest::addRow("prefix, no shortcuts")
        << "prefix"
        << "Installation Settings / Customize the installation.\n" + directoryPage.arg("/");
    QTest::addRow("finish, unticked")
        << "finish options unticked" << finish + "\n[ ] Start Tool && Co\n[ ] Show the readme";
    QTest::addRow("finish, text only") << "finish" << finish;
}

// The pages present for the settings and what they show.
void WizardsTest::pages()
{
    QFETCH(QString, parts);
    QFETCH(QString, expected);
    InstallerOptions options;
    options.prefix = parts.contains("prefix") ? "/" : "";
    options.forcePrefix = true; // takes any directory, even the root
    ORNAInstaller installer(options, toolSettings(parts));
    installer.setupWizard();
    QStringList shown;
    for (QWizardPage *each : installer.wizardWindow()->findChildren<QWizardPage *>())
        if (!expected.contains(" / ") || expected.startsWith(each->title() + " / "))
            shown << (expected.contains(" / ") ? pageSeen(each) : each->title());
    QCOMPARE(shown.join(", "), expected);
    QString box;
    answerNextDialog(installer.wizardWindow(), QMessageBox::Ok, &box);
    QVERIFY(pageOf<ORNAInstallDirectoryPage>(installer)->validatePage());
}

void WizardsTest::endings_data()
{
    QTest::addColumn<QString>("how");      // what the user does, or what stands in the way
    QTest::addColumn<QString>("expected"); // the page at the end, empty when the window is gone
    QTest::addColumn<QStringList>("red");
    QTest::addColumn<int>("exitCode");
    const QString progress = "Installing Tool 2.0 ... /  \nProgress\n";
    const QString done = progress + "100%\nBack off, Next on, Finish hidden, Cancel on";
    const QString note = "note <b>not bold</b>";
    QTest::addRow("Cancel, then Yes") << "Cancel Yes" << QString() << QStringList() << 1;
    QTest::addRow("Escape, then No") << "Escape No" << done << QStringList{note} << 0;
    QTest::addRow("window closed, then Yes") << "close Yes" << QString() << QStringList() << 1;
    QTest::addRow("archive script fails")
        << "fails"
        << "Installation Failed /  \nTool 2.0 could not be installed.\n\nThe log below says what "
           "went wrong. Click Finish to close the installer.\n"
           "Back off, Next hidden, Finish on, Cancel on"
        << QStringList{note, "Error: The installation script failed with exit code 2."} << 1;
    QTest::addRow("directory cannot be created")
        << "file in the way" << progress + "Back off, Next off, Finish hidden, Cancel on"
        << QStringList{"Error: Failed to create installation directory: TARGET"} << 1;
    QTest::addRow("previous installation removed")
        << "previous" << done << QStringList{"old two", note} << 0;
    QTest::addRow("window closed during the removal")
        << "previous close" << QString() << QStringList{"old two"} << 1;
    QTest::addRow("desktop shortcut registered") << "links" << done << QStringList{note} << 0;
    QTest::addRow("window closed during the registration")
        << "links close" << QString() << QStringList{note} << 0;
}

// How an installation ends when the user stops it, when it fails, and when its busy steps
// take their time. Only what the installation made goes, and the window stays responsive.
void WizardsTest::endings()
{
    QFETCH(QString, how);
    QFETCH(QString, expected);
    QFETCH(QStringList, red);
    QFETCH(int, exitCode);
    const QString target = sandbox.filePath(QTest::currentDataTag() + QStringLiteral("/Tool"));
    const QString gate = target + ".gate";
    TestSupport::writeFile(QFileInfo(target).path() + "/canary", "canary\n");
    if (how == "file in the way")
        TestSupport::writeFile(target, "mine\n");
    if (how.startsWith("previous")) {
        TestSupport::writeFile(target + "/Uninstaller/LinuxInstaller", "old\n");
        TestSupport::writeScript(target + "/uninstall",
                                 TestSupport::gatedScript(gate, "echo 'old one'",
                                                          "echo 'old two' "
                                                          ">&2\nrm -r Uninstaller uninstall"));
    }
    const bool asked = how.endsWith("Yes") || how.endsWith("No");
    ORNAInstaller installer(archive(asked ? 20 : 2, how == "fails" ? 2 : 0),
                            toolSettings("readme finish " + how));
    installer.setupWizard();
    installer.setProgressMaximum(how == "fails" ? 0 : 20); // no file count: a bar without range
    QWizard *wizard = installer.wizardWindow();
    QWizardPage *progress = pageOf<ORNAProgressPage>(installer);
    QString buttons, box;
    QTimer opener;
    const QByteArray path =
        gateStep(opener, wizard, progress, how.startsWith("links") ? "Creating desktop" : "old one",
                 gate, how.endsWith("close"), &buttons);
    click(typeDirectory(installer, target), QWizard::NextButton);
    if (asked) {
        QTRY_VERIFY(QFile::exists(target + "/data/file2"));
        answerNextDialog(wizard, how.endsWith("Yes") ? QMessageBox::Yes : QMessageBox::No, &box);
        if (how.startsWith("Cancel"))
            QTest::mouseClick(wizard->button(QWizard::CancelButton), Qt::LeftButton);
        else if (how.startsWith("Escape"))
            QTest::keyClick(wizard, Qt::Key_Escape);
        else
            wizard->close();
        QCOMPARE(box, "Cancel installation | Do you want to cancel the installation of Tool 2.0?\n"
                      "\nThe files installed so far will be removed. | &Yes [&No] | "
                      "ORNAGuardedWizard");
    }
    QTRY_VERIFY_WITH_TIMEOUT(
        installer.hasInstallationFailed() || logText(progress).endsWith("Finished."), 30000);
    qputenv("PATH", path);
    if (!expected.isEmpty())
        QTRY_COMPARE(seen(wizard), expected);
    QCOMPARE(wizard->isVisible(), !expected.isEmpty());
    // A busy step that blocked the event loop would show the gate's time-out or a tool's failure.
    QCOMPARE(redParagraphs(progress), red.replaceInStrings("TARGET", target));
    QCOMPARE(buttons, how.contains(QRegularExpression("^(previous|links)"))
                          ? "Back off, Next off, Finish hidden, Cancel on"
                          : "");
    QCOMPARE(installer.exitCode(0), exitCode);
    QCOMPARE(QFileInfo::exists(target + "/data/file2"), exitCode == 0);
    QCOMPARE(QFileInfo::exists(target), !how.contains(QRegularExpression("Yes|fails")));
    QCOMPARE(TestSupport::readAll(QFileInfo(target).path() + "/canary"), "canary\n");
    QCOMPARE(TestSupport::readAll(target), how.contains("file") ? "mine\n" : "");
    QVERIFY(TestSupport::readAll(target + "/Uninstaller/LinuxInstaller") != "old\n");
}

void WizardsTest::uninstall_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("close");
    QTest::newRow("No leaves everything") << "Tool & <Co>" << int(QMessageBox::No) << false;
    QTest::newRow("Yes removes the installation") << "Tool 2.0" << int(QMessageBox::Yes) << false;
    QTest::newRow("window closed while removing") << "Tool" << int(QMessageBox::Yes) << true;
}

// The uninstaller asks first; a window closed during the removal lets it run to its end.
void WizardsTest::uninstall()
{
    QFETCH(QString, title);
    QFETCH(int, answer);
    QFETCH(bool, close);
    // The directory goes into the welcome text as it is, markup characters included.
    const QString installed = sandbox.filePath("Tool <" + QString(QTest::currentDataTag()) + '>');
    for (const char *file : {"/uninstall", "/Uninstaller/LinuxInstaller", "/bin/tool"})
        TestSupport::writeFile(installed + file, "");
    TestSupport::writeFile(installed + "/Uninstaller/desktopEntries/t.desktop", "");
    ORNAInstallerSettings settings;
    settings.productTitle = title;
    ORNAUninstaller uninstaller(InstallerOptions(), settings, installed + "/Uninstaller",
                                installed + "/Uninstaller/LinuxInstaller");
    uninstaller.setupWizard();
    uninstaller.showWizard();
    QWizard *wizard = uninstaller.wizardWindow();
    QVERIFY(QTest::qWaitForWindowActive(wizard));
    QCOMPARE(shows(wizard),
             QString("Welcome / Welcome to the %1 uninstaller\nYou are going to remove "
                     "%1 from your computer.<br><br><b>Note: the installation "
                     "directory will be completely deleted:</b><br>%2<br><br>Click "
                     "Uninstall to continue.\nBack hidden, Uninstall on, Finish "
                     "hidden, Cancel on")
                 .arg(title, installed));
    QWizardPage *progress = pageOf<ORNAUninstallerProgressPage>(uninstaller);
    QString buttons, box;
    QTimer opener;
    const QByteArray path = gateStep(opener, wizard, progress, "Removing desktop shortcuts",
                                     installed + ".gate", close, &buttons);
    answerNextDialog(wizard, answer, &box);
    click(wizard, QWizard::NextButton);
    QCOMPARE(box, "Confirm unstallation | Do you want to uninstall " + title +
                      "? | &Yes [&No] | QWizard");
    const bool yes = answer == QMessageBox::Yes;
    QCOMPARE(wizard->isVisible(), yes);
    QTRY_VERIFY_WITH_TIMEOUT(!yes || logText(progress).endsWith("Done."), 30000);
    qputenv("PATH", path);
    QCOMPARE(QFile::exists(installed), !yes);
    if (!yes)
        return;
    QCOMPARE(buttons, "Back off, Uninstall hidden, Finish off, Cancel on");
    // A removal that blocked the event loop would show the tool's failure.
    QCOMPARE(logText(progress), "Removing desktop shortcuts and program menu entries...\n"
                                "Deleting the installation directory " +
                                    installed + "...\nDone.");
    QCOMPARE(wizard->isVisible(), !close);
    if (close)
        return;
    QCOMPARE(shows(wizard), "Uninstalling " + title +
                                " /  \n100%\n"
                                "Back on, Uninstall hidden, Finish on, Cancel on");
    // Back to the welcome page and forward again asks nothing and starts nothing.
    click(wizard, QWizard::BackButton);
    click(wizard, QWizard::NextButton);
    QTest::qWait(100);
    QCOMPARE(logText(progress).count("Done."), 1);
    click(wizard, QWizard::FinishButton);
    QVERIFY(!wizard->isVisible());
}

QTEST_MAIN(WizardsTest)
#include "tst_wizards.moc"
