#ifndef TREETESTENGINES_H
#define TREETESTENGINES_H

#include "installerOptions.h"
#include "ornaInstaller.h"
#include "ornaUninstaller.h"

#include <QDir>
#include <QFile>
#include <QStringList>

// Engines whose protected state the tests set directly and whose messages they collect.
class TreeInstaller : public ORNAInstaller
{
public:
    explicit TreeInstaller(const QString &directory, const InstallerOptions &options = {})
        : ORNAInstaller(options)
    {
        installDirectory = directory;
    }

    ORNAInstallerSettings &editSettings() { return settings; }
    void setApplicationDirectory(const QString &directory) { applicationDirectory = directory; }
    void setCreateDesktopFiles(bool on) { createDesktopFiles = on; }

    void logMessage(const QString &message) override { log.append(message); }
    void logError(const QString &message) override { log.append(QStringLiteral("E:") + message); }

    QStringList log;
};

// Records the icon pass instead of running the icon tool.
class IconRecorder : public TreeInstaller
{
public:
    using TreeInstaller::TreeInstaller;
    void processIcon(const QString &iconFile, const QString &size) override
    {
        icons.append(size + QLatin1Char(' ') + iconFile);
    }
    QStringList icons;
};

class TreeUninstaller : public ORNAUninstaller
{
public:
    explicit TreeUninstaller(const QString &applicationDirectory)
        : ORNAUninstaller(InstallerOptions(), applicationDirectory)
    {}

    void setWizard(QWizard *window) { wizard = window; }
    void logMessage(const QString &message) override { log.append(message); }
    void logError(const QString &message) override { log.append(QStringLiteral("E:") + message); }

    QStringList log;
};

inline bool writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

#endif // TREETESTENGINES_H
