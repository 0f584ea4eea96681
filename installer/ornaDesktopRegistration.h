#ifndef ORNADESKTOPREGISTRATION_H
#define ORNADESKTOPREGISTRATION_H

#include "ornaInstallerSettings.h"
#include "ornaToolCommand.h"

#include <QByteArray>
#include <QStringList>

#include <functional>

// One file of the desktop integration: a desktop shortcut, a menu entry or a submenu.
struct ORNADesktopFile
{
    QString path;
    QString name;
    QByteArray text;
    bool executable = false;
    // Pinned to the Unity launcher when favourites are added (a link with actions).
    bool favourite = false;
};

// What the desktop integration of an installation writes and runs: the entry files with their
// names and texts, the icons, and the xdg-utils command lines. The installation carries it out;
// the dry run shows it, so both follow the same rules.
class ORNADesktopRegistration
{
public:
    // taken(path) tells whether a file name is in use already.
    ORNADesktopRegistration(const ORNAInstallerSettings &settings, const QString &installDirectory,
                            std::function<bool(const QString &)> taken);

    // Desktop shortcuts (links with a desktop name) or menu entries (every link, then the
    // uninstaller's), named with the first free numbers.
    QList<ORNADesktopFile> entries(bool menuEntries) const;
    // The submenu's directory file.
    ORNADesktopFile menuDirectory() const;
    // A desktop entry file's text; empty when the link has no entry of the kind.
    QString entryText(const LinkEntry &link, bool menuEntry) const;

    static ORNAToolCommand iconCommand(const QString &iconFile, const QString &size);
    static ORNAToolCommand shortcutCommand(const QString &file);
    // Registers the submenu's directory file and its entries in one call.
    static ORNAToolCommand menuCommand(const QString &directory, QStringList files);
    // The size of an icon of the product (bin/icons/<size>x.../<file>, relative to the
    // installation directory); empty for every other path.
    static QString iconSize(const QString &relativePath);

private:
    QString freeFileName(const QString &stem, const QString &suffix, int &counter) const;

    const ORNAInstallerSettings &settings;
    QString installDirectory;
    QString directory;
    std::function<bool(const QString &)> taken;
};

#endif // ORNADESKTOPREGISTRATION_H
