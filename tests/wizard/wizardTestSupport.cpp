#include "wizardTestSupport.h"

#include "testSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QWizard>
#include <QtTest>

namespace WizardTest {

void click(QWizard *wizard, int which)
{
    QAbstractButton *button = wizard->button(QWizard::WizardButton(which));
    QVERIFY(button->isVisible());
    QVERIFY(button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
}

QStringList pageTitles(QWizard *wizard)
{
    QStringList titles;
    for (int id : wizard->pageIds())
        titles << wizard->page(id)->title();
    return titles;
}

QStringList labelTexts(QWizardPage *page)
{
    QStringList texts;
    for (QLabel *label : page->findChildren<QLabel *>())
        texts << label->text();
    return texts;
}

static QTextEdit *logEdit(QWizardPage *page)
{
    QTextEdit *edit = page->findChild<QTextEdit *>();
    QCoreApplication::processEvents(); // the log writes its lines once per event-loop turn
    return edit;
}

QString logText(QWizardPage *page)
{
    QTextEdit *edit = logEdit(page);
    return edit ? edit->toPlainText() : QString();
}

QStringList redParagraphs(QWizardPage *page)
{
    QStringList red;
    QTextEdit *edit = logEdit(page);
    if (!edit)
        return red;
    for (QTextBlock block = edit->document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().foreground().color() == QColor(Qt::red)) {
                red << block.text();
                break;
            }
        }
    }
    return red;
}

void answerMessageBox(QMessageBox::StandardButton answer, MessageBoxSeen *seen)
{
    QTimer::singleShot(0, qApp, [answer, seen]() {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box == nullptr) {
            answerMessageBox(answer, seen); // not shown yet: try again on the next turn
            return;
        }
        seen->seen = true;
        seen->title = box->windowTitle();
        seen->text = box->text();
        seen->parent = box->parentWidget();
        seen->buttons = box->standardButtons();
        seen->defaultButton =
            box->standardButton(static_cast<QAbstractButton *>(box->defaultButton()));
        box->button(answer)->click();
    });
}

void cancelNextDialog(bool *seen)
{
    QTimer::singleShot(0, qApp, [seen]() {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            cancelNextDialog(seen);
            return;
        }
        *seen = true;
        dialog->reject();
    });
}

WhenLogShows::WhenLogShows(QWizardPage *page, const QString &text, const std::function<void()> &act)
{
    QObject::connect(&timer, &QTimer::timeout, [this, page, text, act] {
        // Read without turning the event loop: this runs inside the busy step's own loop.
        if (!page->findChild<QTextEdit *>()->toPlainText().contains(text))
            return;
        timer.stop();
        done = true;
        act();
    });
    timer.start(20);
}

QString buttonStates(QWizard *wizard)
{
    const std::pair<const char *, QWizard::WizardButton> buttons[] = {
        {"Back", QWizard::BackButton},
        {"Next", QWizard::NextButton},
        {"Finish", QWizard::FinishButton},
        {"Cancel", QWizard::CancelButton}};
    QStringList states;
    for (const auto &[name, which] : buttons)
        states << QLatin1String(name) + (wizard->button(which)->isEnabled()
                                             ? QStringLiteral(" on")
                                             : QStringLiteral(" off"));
    return states.join(QStringLiteral(", "));
}

void sandboxThisProcess(const QString &root)
{
    const QProcessEnvironment environment =
        TestSupport::sandboxEnvironment(root + QStringLiteral("/home"));
    for (const QString &name : environment.keys())
        if (name == QLatin1String("HOME") || name.startsWith(QLatin1String("XDG_")) ||
            name == QLatin1String("GSETTINGS_BACKEND"))
            qputenv(name.toUtf8().constData(), environment.value(name).toUtf8());
    const QString bin = root + QStringLiteral("/bin");
    QDir().mkpath(bin);
    for (const char *tool :
         {"xdg-icon-resource", "xdg-desktop-icon", "xdg-desktop-menu", "gsettings", "xdg-open"})
        writeRecordingScript(bin + QLatin1Char('/') + QLatin1String(tool),
                             root + QLatin1Char('/') + QLatin1String(tool) + ".record");
    qputenv("PATH", (bin + QLatin1Char(':')).toUtf8() + qgetenv("PATH"));
}

static QString widgetText(QWidget *widget)
{
    if (auto *label = qobject_cast<QLabel *>(widget))
        return label->text();
    if (auto *button = qobject_cast<QAbstractButton *>(widget))
        return button->text();
    if (auto *edit = qobject_cast<QLineEdit *>(widget))
        return edit->text();
    return QString();
}

QStringList clippedWidgets(QWidget *window)
{
    QStringList clipped;
    for (QWidget *widget : window->findChildren<QWidget *>()) {
        const bool checked =
            qobject_cast<QLabel *>(widget) || qobject_cast<QAbstractButton *>(widget) ||
            qobject_cast<QLineEdit *>(widget) || qobject_cast<QProgressBar *>(widget);
        if (!checked || !widget->isVisibleTo(window) || widget->sizeHint().isEmpty())
            continue;
        auto *label = qobject_cast<QLabel *>(widget);
        QSize wanted = widget->sizeHint();
        if (label != nullptr && label->wordWrap())
            wanted = QSize(label->minimumSizeHint().width(), label->heightForWidth(label->width()));
        if (widget->width() < wanted.width() || widget->height() < wanted.height())
            clipped << QStringLiteral("%1 '%2' %3x%4 < %5x%6")
                           .arg(QLatin1String(widget->metaObject()->className()),
                                widgetText(widget).left(40))
                           .arg(widget->width())
                           .arg(widget->height())
                           .arg(wanted.width())
                           .arg(wanted.height());
    }
    return clipped;
}

QString writeRecordingScript(const QString &path, const QString &recordFile)
{
    TestSupport::writeScript(path, "for a in \"$@\"; do echo \"$a\" >> '" + recordFile.toUtf8() +
                                       "'; done\necho \"cwd=$PWD\" >> '" + recordFile.toUtf8() +
                                       "'\n");
    return path;
}

} // namespace WizardTest
