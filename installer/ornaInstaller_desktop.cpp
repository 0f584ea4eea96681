#include "ornaInstaller.h"

#include "ornaDesktopEntryText.h"
#include "ornaDesktopRegistration.h"
#include "ornaUnityLauncher.h"
#include "ornaUtils.h"
#include "pages/ornaFinishInstallationPage.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

using namespace ORNADesktopEntryText;

namespace {

const char openErrorPrefix[] = "Error: Failed to open file for writing: ";

} // namespace

void ORNAInstaller::processIcon(const QString &iconFile, const QString &size)
{
    if (verbose)
        logMessage(QStringLiteral("Installing icon ") + iconFile);
    runCommand(ORNADesktopRegistration::iconCommand(iconFile, size));
}

ORNADesktopRegistration ORNAInstaller::desktopRegistration(bool freshTree) const
{
    if (freshTree)
        return ORNADesktopRegistration(settings, installDirectory,
                                       [](const QString &) { return false; });
    return ORNADesktopRegistration(settings, installDirectory, [](const QString &path) {
        return QFileInfo::exists(path) || QFileInfo(path).isSymLink();
    });
}

void ORNAInstaller::createDesktopEntries(bool menuEntries, bool install, bool addFavorites)
{
    if (install)
        logMessage(
            QStringLiteral("Creating ") +
            (menuEntries ? QStringLiteral("menu entries") : QStringLiteral("desktop shortcuts")) +
            QStringLiteral("..."));
    const QString directory = desktopEntriesDirectory();
    if (makeOwnDirectory(installDirectory + QStringLiteral("/Uninstaller")))
        makeOwnDirectory(directory);

    const ORNADesktopRegistration registration = desktopRegistration(false);
    QStringList written;
    const QList<ORNADesktopFile> entries = registration.entries(menuEntries);
    for (const ORNADesktopFile &entry : entries) {
        if (!writeDesktopFile(entry))
            continue;
        if (install && !menuEntries)
            runCommand(ORNADesktopRegistration::shortcutCommand(entry.path));
        written.append(entry.path);
        if (addFavorites && entry.favourite)
            addUnityLauncherFavorite(entry.path);
    }

    if (!install || !menuEntries || written.isEmpty())
        return;
    const ORNADesktopFile submenu = registration.menuDirectory();
    if (writeDesktopFile(submenu))
        runCommand(
            ORNADesktopRegistration::menuCommand(directory, QStringList{submenu.path} + written));
}

bool ORNAInstaller::writeDesktopFile(const ORNADesktopFile &file)
{
    return writeInstalledFile(file.path, file.text, file.executable,
                              QString::fromLatin1(openErrorPrefix));
}

bool ORNAInstaller::writeDesktopEntryFile(const QString &fileName, const LinkEntry &link,
                                          bool menuEntry)
{
    const QString text = desktopRegistration(true).entryText(link, menuEntry);
    return !text.isEmpty() && writeDesktopFile({fileName, QString(), text.toUtf8(), !menuEntry});
}

bool ORNAInstaller::writeMenuDirectoryFile(const QString &fileName)
{
    ORNADesktopFile file = desktopRegistration(true).menuDirectory();
    file.path = fileName;
    return writeDesktopFile(file);
}

bool ORNAInstaller::addUnityLauncherFavorite(const QString &desktopFile)
{
    QString favorites;
    if (!ORNAUnityLauncher::readFavorites(favorites))
        return false;
    const QString extended = ORNAUnityLauncher::appendedList(favorites, desktopFile);
    return !extended.isEmpty() && ORNAUnityLauncher::writeFavorites(extended);
}

void ORNAInstaller::finishInstallation()
{
    if (!settings.finishPage.present || !finishPage)
        return;
    const InstallerFinishPage &page = settings.finishPage;
    if (finishPage->isRunChecked()) {
        const QString program = installDirectory + QLatin1Char('/') + page.runCommand;
        const QStringList arguments = runArguments(page.runCommandParameters, installDirectory);
        if (verbose)
            logMessage(QStringLiteral("Running '") + program + QLatin1Char(' ') +
                       arguments.join(QLatin1Char(' ')));
        QProcess::startDetached(program, arguments, installDirectory);
    }
    if (finishPage->isReadmeChecked()) {
        QString file = replaceInstallDirectory(page.showReadmeFile, installDirectory);
        if (QDir::isRelativePath(file))
            file = installDirectory + QLatin1Char('/') + file;
        QProcess::startDetached(QStringLiteral("xdg-open"), {file}, installDirectory);
    }
}
