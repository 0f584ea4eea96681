#ifndef WIZARDTESTSUPPORT_H
#define WIZARDTESTSUPPORT_H

#include "installerOptions.h"
#include "ornaUninstaller.h"

#include <QMessageBox>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWizard>

#include <functional>

class QAbstractButton;
class QTextDocument;
class QWizardPage;

namespace WizardTest {

// An uninstaller whose running program is applicationDirectory/LinuxInstaller, so that a test
// tree holding that file and an uninstall script counts as its installation.
class TestUninstaller : public ORNAUninstaller
{
public:
    TestUninstaller(const InstallerOptions &options, const QString &applicationDirectory,
                    const ORNAInstallerSettings &settings)
        : ORNAUninstaller(options, settings, applicationDirectory,
                          applicationDirectory + QStringLiteral("/LinuxInstaller"))
    {}
    TestUninstaller(const InstallerOptions &options, const QString &applicationDirectory)
        : TestUninstaller(options, applicationDirectory, ORNAInstallerSettings(options))
    {}
    TestUninstaller(const QString &applicationDirectory, const QString &productTitle)
        : TestUninstaller(InstallerOptions(), applicationDirectory, titled(productTitle))
    {}

private:
    static ORNAInstallerSettings titled(const QString &title)
    {
        ORNAInstallerSettings settings;
        settings.productTitle = title;
        return settings;
    }
};

// The wizard's one page of the given class.
template <typename Page>
Page *pageOf(const ORNAInstallerBase &engine)
{
    return engine.wizardWindow() ? engine.wizardWindow()->findChild<Page *>() : nullptr;
}

// Clicks a wizard button as a user would.
void click(QWizard *wizard, int which);

// Titles of the wizard's pages in id order.
QStringList pageTitles(QWizard *wizard);

// The text of every label of the page, in creation order.
QStringList labelTexts(QWizardPage *page);

// The progress page's log as plain text, once the collected lines are written.
QString logText(QWizardPage *page);

// Paragraphs of the log that are shown in red.
QStringList redParagraphs(QWizardPage *page);

// What the question box looked like when it was answered.
struct MessageBoxSeen
{
    bool seen = false;
    QString title;
    QString text;
    QWidget *parent = nullptr;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

// Answers the next modal message box with the given button, from the event loop; records it.
void answerMessageBox(QMessageBox::StandardButton answer, MessageBoxSeen *seen);

// Rejects (cancels) the next modal dialog, from the event loop.
void cancelNextDialog(bool *seen);

// Gives this process a HOME and XDG directories below root and puts recording stand-ins for
// the desktop tools, gsettings and xdg-open (each writes root/<tool>.record) first in PATH.
void sandboxThisProcess(const QString &root);

// Visible labels, buttons and fields of the window that are smaller than they ask to be
// (word-wrapped labels: narrower than their minimum or lower than their text needs), each as
// "class 'text' size < wanted".
QStringList clippedWidgets(QWidget *window);

// Calls act once, from the event loop, as soon as the page's log shows text.
class WhenLogShows
{
public:
    WhenLogShows(QWizardPage *page, const QString &text, const std::function<void()> &act);
    bool done = false;

private:
    QTimer timer;
};

// Whether the wizard's buttons can be clicked: "Back off, Next off, Finish off, Cancel on".
QString buttonStates(QWizard *wizard);

// Writes a script that appends its arguments, one per line, and its working directory to
// recordFile; returns its path.
QString writeRecordingScript(const QString &path, const QString &recordFile);

} // namespace WizardTest

#endif // WIZARDTESTSUPPORT_H
