#ifndef WIZARDTESTSUPPORT_H
#define WIZARDTESTSUPPORT_H

#include "ornaInstallerBase.h"

#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWizard>

#include <functional>

class QWizardPage;

namespace WizardTest {

// The wizard's one page of the given class.
template <typename Page>
Page *pageOf(const ORNAInstallerBase &engine)
{
    return engine.wizardWindow() ? engine.wizardWindow()->findChild<Page *>() : nullptr;
}

// Clicks a wizard button as a user would.
void click(QWizard *wizard, int which);

// What a page shows: "title / subtitle", then one line per visible group title, label, text
// browser, line edit ("[text]"), progress bar (its text) and button ("[x] " before a
// ticked box).
QString pageSeen(QWizardPage *page);

// The current page as pageSeen, then the state of each button:
// "Back off, Next on, Finish hidden, Cancel on".
QString seen(QWizard *wizard);

// What a user cannot read or reach on the current page: widgets smaller than they ask to be,
// two controls with one accelerator, controls that Tab never reaches.
QStringList pageFaults(QWizard *wizard);

// The progress page's log as plain text, and its paragraphs shown in red.
QString logText(QWizardPage *page);
QStringList redParagraphs(QWizardPage *page);

// Answers the next modal dialog from the event loop: a message box with the given button, any
// other dialog (or with NoButton) by rejecting it. Sets *seen to "title | text | buttons" with
// the default button in brackets, then " | parent" with the class of the box's parent.
void answerNextDialog(int button, QString *seen);

// Gives this process a HOME and XDG directories below root and puts recording stand-ins for
// the desktop tools, gsettings and xdg-open (each appends its arguments to root/<tool>.record)
// first in PATH.
void sandboxThisProcess(const QString &root);

// Calls act once, from the event loop, as soon as the page's log shows text.
void whenLogShows(QTimer &timer, QWizardPage *page, const QString &text,
                  const std::function<void()> &act);

} // namespace WizardTest

#endif // WIZARDTESTSUPPORT_H
