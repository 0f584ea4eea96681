#include "ornaInstaller.h"

#include "ornaDesktopEntryText.h"
#include "ornaFinishInstallationPage.h"
#include "ornaUnityLauncher.h"
#include "ornaUtils.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

using namespace ORNADesktopEntryText;

namespace {

// Used for the submenu when no configured link could lend its icon.
const char fallbackMenuIcon[] = "system-software-install";

const char openErrorPrefix[] = "Error: Failed to open file for writing: ";

// The first free name of the pattern; the counter is shared, so numbers keep increasing.
QString freeFileName(const QString &directory, const QString &stem, const QString &suffix,
                     int &counter)
{
    QString name;
    while (name.isEmpty() || QFileInfo::exists(name) || QFileInfo(name).isSymLink()) {
        name = directory + stem + QString::number(counter) + suffix;
        ++counter;
    }
    return name;
}

LinkEntry uninstallEntry(const QString &productTitle)
{
    LinkEntry entry;
    entry.application = QStringLiteral("uninstall");
    entry.icon = QStringLiteral("edit-delete");
    entry.name = QStringLiteral("Uninstall ") + productTitle;
    return entry;
}

} // namespace

QString ORNAInstallerBase::desktopEntriesDirectory() const
{
    return installDirectory + QStringLiteral("/Uninstaller/desktopEntries/");
}

void ORNAInstallerBase::installIcons()
{
    const QDir root(installDirectory + QStringLiteral("/bin/icons"));
    if (!root.exists())
        return;
    const QFileInfoList entries =
        root.entryInfoList(QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QFileInfo &entry : entries) {
        const QString baseName = entry.baseName();
        const int separator = baseName.indexOf(QLatin1Char('x'));
        if (separator < 0)
            continue;
        const QString size = baseName.left(separator);
        const QFileInfoList icons =
            QDir(entry.absoluteFilePath())
                .entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Unsorted);
        for (const QFileInfo &icon : icons)
            processIcon(icon.absoluteFilePath(), size);
    }
}

void ORNAInstaller::processIcon(const QString &iconFile, const QString &size)
{
    if (verbose)
        logMessage(QStringLiteral("Installing icon ") + iconFile);
    runTool(QStringLiteral("xdg-icon-resource"),
            {QStringLiteral("install"), QStringLiteral("--novendor"), QStringLiteral("--size"),
             size, iconFile});
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

    QList<LinkEntry> links = settings.links;
    const QString kind = menuEntries ? QStringLiteral("menu") : QStringLiteral("desktop");
    if (menuEntries && settings.uninstallerEnabled)
        links.append(uninstallEntry(settings.productTitle));

    const QString linkStem = settings.shortApplicationName + QStringLiteral("_link");
    const QString linkSuffix = QLatin1Char('-') + kind + QStringLiteral(".desktop");
    int counter = 1;
    QStringList written;
    for (const LinkEntry &link : links) {
        const QString name = freeFileName(directory, linkStem, linkSuffix, counter);
        if (!writeDesktopEntryFile(name, link, menuEntries))
            continue;
        if (install && !menuEntries)
            runTool(QStringLiteral("xdg-desktop-icon"),
                    {QStringLiteral("install"), QStringLiteral("--novendor"), name});
        written.append(name);
        if (addFavorites && !link.actions.isEmpty())
            addUnityLauncherFavorite(name);
    }

    if (!install || !menuEntries || written.isEmpty())
        return;
    int directoryCounter = 1;
    const QString directoryFile = freeFileName(directory, settings.shortApplicationName,
                                               QStringLiteral("-menu.directory"), directoryCounter);
    if (!writeMenuDirectoryFile(directoryFile))
        return;
    registerMenu(directory, QStringList{directoryFile} + written);
}

void ORNAInstaller::registerMenu(const QString &directory, QStringList files)
{
    // xdg-desktop-menu splits its file arguments at blanks: where the installation path has
    // one, the files are named from inside their directory.
    QString workingDirectory;
    if (directory.contains(QLatin1Char(' '))) {
        workingDirectory = directory;
        for (QString &file : files)
            file = QFileInfo(file).fileName();
    }
    runTool(QStringLiteral("xdg-desktop-menu"),
            QStringList{QStringLiteral("install"), QStringLiteral("--novendor")} + files,
            workingDirectory);
}

bool ORNAInstaller::writeDesktopEntryFile(const QString &fileName, const LinkEntry &link,
                                          bool menuEntry)
{
    const QString entryName = menuEntry ? link.name : link.desktopName;
    if (!menuEntry && entryName.isEmpty())
        return false;

    QString exec = quoteExecArgument(installDirectory + QLatin1Char('/') + link.application);
    if (!link.arguments.isEmpty())
        exec += QLatin1Char(' ') + execArguments(link.arguments, installDirectory);

    QString text = QStringLiteral("[Desktop Entry]\nValue=1.0\nType=Application\nName=") +
                   escapeValue(entryName) + QStringLiteral("\nExec=") +
                   escapeValue(escapePercent(exec)) + QStringLiteral("\nIcon=") +
                   escapeValue(link.icon) + QLatin1Char('\n');
    if (menuEntry)
        text += QStringLiteral("Categories=") + escapeValue(settings.menuCategory) +
                QStringLiteral(";\n");
    if (!link.actions.isEmpty()) {
        QStringList identifiers;
        QString sections;
        for (const LinkAction &action : link.actions) {
            const QString identifier = actionIdentifier(action.name);
            identifiers.append(identifier);
            sections += QStringLiteral("\n\n[Desktop Action ") + identifier +
                        QStringLiteral("]\nName=") + escapeValue(action.name) +
                        QStringLiteral("\nExec=") +
                        escapeValue(escapePercent(
                            execArgument(installDirectory + QLatin1Char('/') + action.exec))) +
                        QLatin1Char('\n');
        }
        text += QStringLiteral("Actions=") + identifiers.join(QLatin1Char(';')) + sections;
    }
    return writeInstalledFile(fileName, text.toUtf8(), !menuEntry,
                              QString::fromLatin1(openErrorPrefix));
}

bool ORNAInstaller::writeMenuDirectoryFile(const QString &fileName)
{
    const QString icon = settings.links.isEmpty() ? QString::fromLatin1(fallbackMenuIcon)
                                                  : settings.links.first().icon;
    const QString text = QStringLiteral("[Desktop Entry]\nValue=1.0\nType=Directory\nName=") +
                         escapeValue(settings.productTitle) + QStringLiteral("\nIcon=") +
                         escapeValue(icon) + QLatin1Char('\n');
    return writeInstalledFile(fileName, text.toUtf8(), false, QString::fromLatin1(openErrorPrefix));
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
