#include "ornaDesktopRegistration.h"

#include "ornaDesktopEntryText.h"

#include <QFileInfo>

using namespace ORNADesktopEntryText;

namespace {

// Used for the submenu when no configured link could lend its icon.
const char fallbackMenuIcon[] = "system-software-install";

LinkEntry uninstallEntry(const QString &productTitle)
{
    LinkEntry entry;
    entry.application = QStringLiteral("uninstall");
    entry.icon = QStringLiteral("edit-delete");
    entry.name = QStringLiteral("Uninstall ") + productTitle;
    return entry;
}

} // namespace

ORNADesktopRegistration::ORNADesktopRegistration(const ORNAInstallerSettings &settings,
                                                 const QString &installDirectory,
                                                 std::function<bool(const QString &)> taken)
    : settings(settings), installDirectory(installDirectory),
      directory(installDirectory + QStringLiteral("/Uninstaller/desktopEntries/")),
      taken(std::move(taken))
{}

// The first free name of the pattern; the counter is shared, so numbers keep increasing.
QString ORNADesktopRegistration::freeFileName(const QString &stem, const QString &suffix,
                                              int &counter) const
{
    QString name;
    while (name.isEmpty() || taken(name)) {
        name = directory + stem + QString::number(counter) + suffix;
        ++counter;
    }
    return name;
}

QList<ORNADesktopFile> ORNADesktopRegistration::entries(bool menuEntries) const
{
    QList<LinkEntry> links = settings.links;
    if (menuEntries && settings.uninstallerEnabled)
        links.append(uninstallEntry(settings.productTitle));
    const QString stem = settings.shortApplicationName + QStringLiteral("_link");
    const QString suffix = QLatin1Char('-') +
                           (menuEntries ? QStringLiteral("menu") : QStringLiteral("desktop")) +
                           QStringLiteral(".desktop");
    int counter = 1;
    QList<ORNADesktopFile> files;
    for (const LinkEntry &link : links) {
        // A link without a shortcut still uses up its number.
        const QString path = freeFileName(stem, suffix, counter);
        const QString text = entryText(link, menuEntries);
        if (text.isEmpty())
            continue;
        files.append({path, menuEntries ? link.name : link.desktopName, text.toUtf8(), !menuEntries,
                      !link.actions.isEmpty()});
    }
    return files;
}

ORNADesktopFile ORNADesktopRegistration::menuDirectory() const
{
    int counter = 1;
    const QString icon = settings.links.isEmpty() ? QString::fromLatin1(fallbackMenuIcon)
                                                  : settings.links.first().icon;
    const QString text = QStringLiteral("[Desktop Entry]\nValue=1.0\nType=Directory\nName=") +
                         escapeValue(settings.productTitle) + QStringLiteral("\nIcon=") +
                         escapeValue(icon) + QLatin1Char('\n');
    return {freeFileName(settings.shortApplicationName, QStringLiteral("-menu.directory"), counter),
            settings.productTitle, text.toUtf8(), false, false};
}

QString ORNADesktopRegistration::entryText(const LinkEntry &link, bool menuEntry) const
{
    const QString entryName = menuEntry ? link.name : link.desktopName;
    if (!menuEntry && entryName.isEmpty())
        return QString();

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
    if (link.actions.isEmpty())
        return text;
    QStringList identifiers;
    QString sections;
    for (const LinkAction &action : link.actions) {
        const QString identifier = actionIdentifier(action.name);
        identifiers.append(identifier);
        sections +=
            QStringLiteral("\n\n[Desktop Action ") + identifier + QStringLiteral("]\nName=") +
            escapeValue(action.name) + QStringLiteral("\nExec=") +
            escapeValue(
                escapePercent(execArgument(installDirectory + QLatin1Char('/') + action.exec))) +
            QLatin1Char('\n');
    }
    return text + QStringLiteral("Actions=") + identifiers.join(QLatin1Char(';')) + sections;
}

ORNAToolCommand ORNADesktopRegistration::iconCommand(const QString &iconFile, const QString &size)
{
    return {QStringLiteral("xdg-icon-resource"),
            {QStringLiteral("install"), QStringLiteral("--novendor"), QStringLiteral("--size"),
             size, iconFile},
            QString()};
}

ORNAToolCommand ORNADesktopRegistration::shortcutCommand(const QString &file)
{
    return {QStringLiteral("xdg-desktop-icon"),
            {QStringLiteral("install"), QStringLiteral("--novendor"), file},
            QString()};
}

ORNAToolCommand ORNADesktopRegistration::menuCommand(const QString &directory, QStringList files)
{
    // xdg-desktop-menu splits its file arguments at blanks: where the installation path has
    // one, the files are named from inside their directory.
    QString workingDirectory;
    if (directory.contains(QLatin1Char(' '))) {
        workingDirectory = directory;
        for (QString &file : files)
            file = QFileInfo(file).fileName();
    }
    return {QStringLiteral("xdg-desktop-menu"),
            QStringList{QStringLiteral("install"), QStringLiteral("--novendor")} + files,
            workingDirectory};
}

QString ORNADesktopRegistration::iconSize(const QString &relativePath)
{
    const QStringList parts = relativePath.split(QLatin1Char('/'));
    if (parts.size() != 4 || parts.at(0) != QLatin1String("bin") ||
        parts.at(1) != QLatin1String("icons") || parts.at(3).isEmpty() ||
        parts.at(3).startsWith(QLatin1Char('.')))
        return QString();
    // The directory's name up to its first dot: "48x48" and "16x16.old" give 48 and 16.
    const QString baseName = parts.at(2).section(QLatin1Char('.'), 0, 0);
    const int separator = baseName.indexOf(QLatin1Char('x'));
    return separator < 0 ? QString() : baseName.left(separator);
}
