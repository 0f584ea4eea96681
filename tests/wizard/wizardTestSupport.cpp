#include "wizardTestSupport.h"

#include "testSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLabel>
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

QString writeRecordingScript(const QString &path, const QString &recordFile)
{
    TestSupport::writeScript(path, "for a in \"$@\"; do echo \"$a\" >> '" + recordFile.toUtf8() +
                                       "'; done\necho \"cwd=$PWD\" >> '" + recordFile.toUtf8() +
                                       "'\n");
    return path;
}

} // namespace WizardTest
