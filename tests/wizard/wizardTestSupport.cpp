#include "wizardTestSupport.h"

#include "testSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBlock>
#include <QTextBrowser>
#include <QtTest>

namespace WizardTest {

void click(QWizard *wizard, int which)
{
    QAbstractButton *button = wizard->button(QWizard::WizardButton(which));
    QVERIFY(button->isVisible());
    QVERIFY(button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
}

static QString widgetSeen(QWidget *widget)
{
    if (auto *group = qobject_cast<QGroupBox *>(widget))
        return group->title();
    if (auto *label = qobject_cast<QLabel *>(widget))
        return label->text();
    if (auto *browser = qobject_cast<QTextBrowser *>(widget))
        return browser->toPlainText();
    if (auto *edit = qobject_cast<QLineEdit *>(widget))
        return QLatin1Char('[') + edit->text() + QLatin1Char(']');
    if (auto *bar = qobject_cast<QProgressBar *>(widget))
        return bar->text();
    if (auto *button = qobject_cast<QAbstractButton *>(widget))
        return (button->isCheckable() ? QLatin1String(button->isChecked() ? "[x] " : "[ ] ")
                                      : QLatin1String()) +
               button->text();
    return QString();
}

QString pageSeen(QWizardPage *page)
{
    QStringList lines{page->title() + QStringLiteral(" / ") + page->subTitle()};
    for (QWidget *widget : page->findChildren<QWidget *>())
        if (widget->isVisibleTo(page) && !widgetSeen(widget).isEmpty())
            lines << widgetSeen(widget);
    return lines.join(QLatin1Char('\n'));
}

QString seen(QWizard *wizard)
{
    QStringList states;
    for (int which :
         {QWizard::BackButton, QWizard::NextButton, QWizard::FinishButton, QWizard::CancelButton}) {
        const QAbstractButton *button = wizard->button(QWizard::WizardButton(which));
        states << button->text().remove(QRegularExpression("[&<>]")).trimmed() +
                      (!button->isVisible()  ? " hidden"
                       : button->isEnabled() ? " on"
                                             : " off");
    }
    return pageSeen(wizard->currentPage()) + '\n' + states.join(", ");
}

// Tab from the focus until it comes round again.
static QList<QWidget *> tabChain(QWizard *window)
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

static QString clipped(QWidget *widget)
{
    auto *label = qobject_cast<QLabel *>(widget);
    QSize wanted = widget->sizeHint();
    if (label != nullptr && label->wordWrap())
        wanted = QSize(label->minimumSizeHint().width(), label->heightForWidth(label->width()));
    if (widget->sizeHint().isEmpty() ||
        (widget->width() >= wanted.width() && widget->height() >= wanted.height()))
        return QString();
    return QStringLiteral("%1 '%2' is cut")
        .arg(widget->metaObject()->className(), widgetSeen(widget).left(40));
}

QStringList pageFaults(QWizard *wizard)
{
    QTest::qWait(50); // the window adapts its size once the page is laid out
    QStringList faults;
    QSet<QChar> accelerators;
    QList<QWidget *> controls;
    for (QWidget *widget : wizard->findChildren<QWidget *>()) {
        const bool text = qobject_cast<QLabel *>(widget) || qobject_cast<QLineEdit *>(widget) ||
                          qobject_cast<QAbstractButton *>(widget);
        if (!widget->isVisibleTo(wizard) || !(text || qobject_cast<QProgressBar *>(widget)))
            continue;
        faults << clipped(widget);
        const auto *label = qobject_cast<QLabel *>(widget);
        if (widget->isEnabled() &&
            (label ? label->textInteractionFlags() & Qt::LinksAccessibleByKeyboard
                   : !qobject_cast<QProgressBar *>(widget)))
            controls << widget;
        const QString name = qobject_cast<QAbstractButton *>(widget) ? widgetSeen(widget) : "";
        const int mark = name.indexOf(QRegularExpression(QStringLiteral("&[^&]")));
        if (mark < 0)
            continue;
        if (accelerators.contains(name.at(mark + 1).toLower()))
            faults << QStringLiteral("Two controls with ") + name.mid(mark, 2);
        accelerators.insert(name.at(mark + 1).toLower());
    }
    const QList<QWidget *> reached = tabChain(wizard);
    for (QWidget *control : controls) {
        // Radio buttons of one group are one stop; the arrow keys choose within it.
        const bool groupReached =
            qobject_cast<QRadioButton *>(control) &&
            std::any_of(reached.begin(), reached.end(), [control](QWidget *widget) {
                return qobject_cast<QRadioButton *>(widget) &&
                       widget->parentWidget() == control->parentWidget();
            });
        if (!reached.contains(control) && !groupReached)
            faults << QStringLiteral("Tab never reaches ") + widgetSeen(control);
    }
    faults.removeAll(QString());
    return faults;
}

QString logText(QWizardPage *page)
{
    QCoreApplication::processEvents(); // the log writes its lines once per event-loop turn
    return page->findChild<QTextEdit *>()->toPlainText();
}

QStringList redParagraphs(QWizardPage *page)
{
    logText(page);
    QStringList red;
    const QTextDocument *document = page->findChild<QTextEdit *>()->document();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().foreground().color() == QColor(Qt::red)) {
                red << block.text();
                break;
            }
    return red;
}

void answerNextDialog(int button, QString *seen)
{
    QTimer::singleShot(0, qApp, [button, seen]() {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return answerNextDialog(button, seen); // not shown yet: try again on the next turn
        *seen = dialog->windowTitle();
        auto *box = qobject_cast<QMessageBox *>(dialog);
        if (box == nullptr || button == QMessageBox::NoButton)
            return dialog->reject();
        QStringList buttons;
        for (QAbstractButton *each : box->buttons())
            buttons << (each == box->defaultButton() ? '[' + each->text() + ']' : each->text());
        *seen += " | " + box->text() + " | " + buttons.join(' ') + " | " +
                 box->parentWidget()->metaObject()->className();
        box->button(QMessageBox::StandardButton(button))->click();
    });
}

void sandboxThisProcess(const QString &root)
{
    const QProcessEnvironment environment =
        TestSupport::sandboxEnvironment(root + QStringLiteral("/home"));
    for (const QString &name : environment.keys())
        if (name == QLatin1String("HOME") || name.startsWith(QLatin1String("XDG_")) ||
            name == QLatin1String("GSETTINGS_BACKEND"))
            qputenv(name.toUtf8().constData(), environment.value(name).toUtf8());
    QDir().mkpath(root + QStringLiteral("/bin"));
    for (const char *tool :
         {"xdg-icon-resource", "xdg-desktop-icon", "xdg-desktop-menu", "gsettings", "xdg-open"}) {
        const QByteArray record = (root + '/' + tool + ".record").toUtf8();
        TestSupport::writeScript(root + "/bin/" + tool,
                                 "for a in \"$@\"; do echo \"$a\" >> '" + record + "'; done\n");
    }
    qputenv("PATH", (root + QStringLiteral("/bin:")).toUtf8() + qgetenv("PATH"));
}

void whenLogShows(QTimer &timer, QWizardPage *page, const QString &text,
                  const std::function<void()> &act)
{
    QObject::connect(&timer, &QTimer::timeout, [&timer, page, text, act] {
        // Read without turning the event loop: this runs inside the busy step's own loop.
        if (page->findChild<QTextEdit *>()->toPlainText().contains(text)) {
            timer.stop();
            act();
        }
    });
    timer.start(20);
}

} // namespace WizardTest
