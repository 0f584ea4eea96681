#include "ornaUninstaller.h"

#include "installerOptions.h"
#include "ornaDeletionGuard.h"
#include "ornaTreeRemoval.h"
#include "ornaUnityLauncher.h"
#include "pages/ornaUninstallerProgressPage.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QWizard>

namespace {

QString canonical(const QString &path)
{
    return QFileInfo(path).canonicalFilePath();
}

bool isInside(const QString &path, const QString &directory)
{
    return !directory.isEmpty() && path.startsWith(directory + QLatin1Char('/'));
}

void enableButton(QWizard *wizard, QWizard::WizardButton which)
{
    if (QAbstractButton *button = wizard->button(which))
        button->setEnabled(true);
}

} // namespace

ORNAUninstaller::ORNAUninstaller(const InstallerOptions &options,
                                 const ORNAInstallerSettings &settings,
                                 const QString &applicationDirectory, const QString &runningProgram)
    : ORNAInstallerBase(options, settings), runningProgram(runningProgram)
{
    this->applicationDirectory = applicationDirectory;
    installDirectory =
        QDir::cleanPath(QDir(applicationDirectory).absoluteFilePath(QStringLiteral("..")));
    // The installer cannot create a directory through a link, so a prefix that is a link led to
    // a directory the user made: it is emptied and stays, and the link keeps working.
    const QFileInfo started(QDir::cleanPath(options.applicationDirectory + QStringLiteral("/..")));
    keepInstallDirectory =
        started.isSymLink() && started.canonicalFilePath() == canonical(installDirectory);
}

void ORNAUninstaller::removeDesktopEntries()
{
    const QDir directory(desktopEntriesDirectory());
    if (!directory.exists())
        return;
    logMessage(QStringLiteral("Removing desktop shortcuts and program menu entries..."));
    const QFileInfoList entries = directory.entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    QStringList menuFiles;
    QStringList directoryFiles;
    for (const QFileInfo &entry : entries) {
        const QString path = entry.absoluteFilePath();
        if (path.endsWith(QStringLiteral("menu.desktop"))) {
            runTool(QStringLiteral("xdg-desktop-menu"), {QStringLiteral("uninstall"), path});
            menuFiles.append(entry.fileName());
        } else {
            runTool(QStringLiteral("xdg-desktop-icon"), {QStringLiteral("uninstall"), path});
            if (path.endsWith(QStringLiteral("-menu.directory")))
                directoryFiles.append(entry.fileName());
        }
    }
    // The entries alone leave the submenu and its directory file registered. The tool matches
    // the submenu's entries by bare file name when uninstalling.
    for (const QString &directoryFile : directoryFiles)
        runTool(QStringLiteral("xdg-desktop-menu"),
                QStringList{QStringLiteral("uninstall"), directoryFile} + menuFiles);
    removeUnityLauncherFavorites();
    installIcons();
}

void ORNAUninstaller::removeUnityLauncherFavorites()
{
    QString listText;
    QStringList favorites;
    if (!ORNAUnityLauncher::readFavorites(listText) ||
        !ORNAUnityLauncher::parseList(listText, favorites))
        return;
    const QString directory = canonical(installDirectory);
    QStringList kept;
    for (const QString &favorite : favorites) {
        const bool ours =
            QDir::isAbsolutePath(favorite) &&
            (isInside(favorite, installDirectory) || isInside(canonical(favorite), directory));
        if (!ours)
            kept.append(favorite);
    }
    if (kept.size() != favorites.size())
        ORNAUnityLauncher::writeFavorites(ORNAUnityLauncher::formatList(kept));
}

bool ORNAUninstaller::deleteInstallationDirectory()
{
    const ORNADeletionGuard::Refusal refusal = ORNADeletionGuard::refusalFor(installDirectory);
    if (!refusal.refused())
        return removeInstallationTree();
    showRefusal(refusal);
    return false;
}

void ORNAUninstaller::showRefusal(const ORNADeletionGuard::Refusal &refusal)
{
    if (wizard)
        QMessageBox::critical(wizard, refusal.title, refusal.text, QMessageBox::Ok,
                              QMessageBox::NoButton);
    else
        logError(refusal.text);
}

bool ORNAUninstaller::removeInstallationTree()
{
    ORNATreeRemoval removal(installDirectory);
    // The uninstaller goes last, and stays while anything else does: an uninstallation that
    // was stopped half-way or could not remove everything can be run again.
    removal.setRemoveLast({QStringLiteral("Uninstaller"), QStringLiteral("uninstall")});
    removal.setKeepDirectory(keepInstallDirectory);
    if (removal.run())
        return true;
    for (const QString &mountPoint : removal.mountPoints())
        logError(QStringLiteral("Error: Left ") + mountPoint +
                 QStringLiteral(" alone, because another file system is mounted there."));
    const qint64 left = removal.entriesLeft();
    if (left == 0) {
        logError(QStringLiteral("Error: Could not delete the installation directory ") +
                 installDirectory + QStringLiteral("."));
        return false;
    }
    logError(QStringLiteral("Error: Could not delete the installation directory ") +
             installDirectory + QStringLiteral(" completely: ") + QString::number(left) +
             (left == 1 ? QStringLiteral(" entry is") : QStringLiteral(" entries are")) +
             QStringLiteral(" left in it.") +
             (removal.lastKept() ? QStringLiteral(" The uninstaller is kept there, so that it "
                                                  "can be run again.")
                                 : QString()));
    return false;
}

void ORNAUninstaller::processIcon(const QString &iconFile, const QString &size)
{
    runTool(QStringLiteral("xdg-icon-resource"),
            {QStringLiteral("uninstall"), QStringLiteral("--novendor"), QStringLiteral("--size"),
             size, QFileInfo(iconFile).baseName()});
}

bool ORNAUninstaller::removeInstallation()
{
    // Nothing is unregistered or deleted unless this program runs from the installation; the
    // directories that are never deleted keep their own refusal.
    const ORNADeletionGuard::Refusal refusal =
        ORNADeletionGuard::installationRefusal(installDirectory, runningProgram);
    const bool installation = !refusal.refused();
    if (!installation && !ORNADeletionGuard::refusalFor(installDirectory).refused()) {
        showRefusal(refusal);
        return false;
    }
    const ORNADeletionGuard::Refusal deletion = ORNADeletionGuard::refusalFor(installDirectory);
    bool removed = false;
    runWork([&] {
        if (installation)
            removeDesktopEntries();
        logMessage(QStringLiteral("Deleting the installation directory ") + installDirectory +
                   QStringLiteral("..."));
        if (!deletion.refused())
            removed = removeInstallationTree();
    });
    if (deletion.refused())
        showRefusal(deletion);
    return removed;
}

bool ORNAUninstaller::uninstall()
{
    logToPage = true;
    const bool result = removeInstallation();
    if (wizard) {
        if (progressPage)
            progressPage->setFinished();
        enableButton(wizard, QWizard::FinishButton);
    }
    logMessage(QStringLiteral("Done."));
    logToPage = false;
    if (wizard) {
        enableButton(wizard, QWizard::NextButton);
        enableButton(wizard, QWizard::BackButton);
    }
    return result;
}

void ORNAUninstaller::logMessage(const QString &message)
{
    if (passedToOwnThread([this, message] { ORNAUninstaller::logMessage(message); }))
        return;
    if (logToPage && progressPage)
        progressPage->appendMessage(message);
    else
        ORNAInstallerBase::logMessage(message);
}

void ORNAUninstaller::logError(const QString &message)
{
    if (passedToOwnThread([this, message] { ORNAUninstaller::logError(message); }))
        return;
    if (logToPage && progressPage)
        progressPage->appendError(message);
    else
        ORNAInstallerBase::logError(message);
}
