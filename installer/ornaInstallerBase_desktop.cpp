#include "ornaInstallerBase.h"

#include "ornaDesktopRegistration.h"

#include <QDir>
#include <QFileInfo>

QString ORNAInstallerBase::desktopEntriesDirectory() const
{
    return installDirectory + QStringLiteral("/Uninstaller/desktopEntries/");
}

void ORNAInstallerBase::installIcons()
{
    QStringList icons;
    const QString root = QStringLiteral("bin/icons/");
    const QFileInfoList directories = QDir(installDirectory + QLatin1Char('/') + root)
                                          .entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo &directory : directories) {
        const QStringList files = QDir(directory.absoluteFilePath()).entryList(QDir::Files);
        for (const QString &file : files)
            icons.append(root + directory.fileName() + QLatin1Char('/') + file);
    }
    // In name order, as the dry run lists them.
    icons.sort();
    for (const QString &icon : icons) {
        const QString size = ORNADesktopRegistration::iconSize(icon);
        if (!size.isEmpty())
            processIcon(installDirectory + QLatin1Char('/') + icon, size);
    }
}
