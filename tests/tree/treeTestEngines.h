#ifndef TREETESTENGINES_H
#define TREETESTENGINES_H

#include "installerOptions.h"
#include "ornaInstaller.h"
#include "ornaUninstaller.h"

#include "testSupport.h"

#include <QDir>
#include <QFile>
#include <QStringList>

// The options of an installation into directory, the installer's own files in
// applicationDirectory.
inline InstallerOptions treeOptions(const QString &directory,
                                    const QString &applicationDirectory = QString())
{
    InstallerOptions options;
    options.prefix = directory;
    options.applicationDirectory = applicationDirectory;
    return options;
}

// Engines whose messages the tests collect.
class TreeInstaller : public ORNAInstaller
{
public:
    TreeInstaller(const InstallerOptions &options, const ORNAInstallerSettings &settings)
        : ORNAInstaller(options, settings)
    {}
    explicit TreeInstaller(const QString &directory,
                           const ORNAInstallerSettings &settings = ORNAInstallerSettings())
        : TreeInstaller(treeOptions(directory), settings)
    {}

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
    // Runs as the tree's own Uninstaller/LinuxInstaller, not as the test program.
    explicit TreeUninstaller(const QString &applicationDirectory,
                             const QString &runningProgram = QString())
        : ORNAUninstaller(InstallerOptions(), ORNAInstallerSettings(), applicationDirectory,
                          runningProgram.isEmpty()
                              ? applicationDirectory + QStringLiteral("/LinuxInstaller")
                              : runningProgram)
    {}
    void logMessage(const QString &message) override { log.append(message); }
    void logError(const QString &message) override { log.append(QStringLiteral("E:") + message); }

    QStringList log;
};

using TestSupport::readAll;
using TestSupport::writeFile;

// Compiles a schema for the Unity launcher's favourites into directory.
inline bool compileLauncherSchema(const QString &directory)
{
    QDir().mkpath(directory);
    const QByteArray schema =
        "<schemalist>\n"
        "  <schema id=\"com.canonical.Unity.Launcher\" path=\"/com/canonical/unity/launcher/\">\n"
        "    <key name=\"favorites\" type=\"as\"><default>[]</default></key>\n"
        "  </schema>\n"
        "</schemalist>\n";
    if (!writeFile(directory + QStringLiteral("/com.canonical.Unity.Launcher.gschema.xml"), schema))
        return false;
    const TestSupport::ProcessResult result =
        TestSupport::runProgram(QStringLiteral("glib-compile-schemas"), {directory});
    return result.started && result.exitCode == 0;
}

// A sandboxed desktop below home with the launcher schema; for child processes.
inline QProcessEnvironment desktopSandbox(const QString &home)
{
    QProcessEnvironment environment = TestSupport::sandboxEnvironment(home);
    const QString schemas = home + QStringLiteral("/.schemas");
    if (compileLauncherSchema(schemas))
        environment.insert(QStringLiteral("GSETTINGS_SCHEMA_DIR"), schemas);
    return environment;
}

// The same sandbox for the test process itself, whose engines run the tools in-process.
inline void useDesktopSandbox(const QString &home)
{
    const QProcessEnvironment environment = desktopSandbox(home);
    for (const char *name :
         {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DESKTOP_DIR",
          "XDG_UTILS_INSTALL_MODE", "GSETTINGS_BACKEND", "GSETTINGS_SCHEMA_DIR"})
        qputenv(name, environment.value(QLatin1String(name)).toLocal8Bit());
    qunsetenv("XDG_CONFIG_DIRS");
}

#endif // TREETESTENGINES_H
