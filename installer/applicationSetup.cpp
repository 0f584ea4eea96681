#include "applicationSetup.h"

#include "ornaUtils.h"
#include "ornaWidgetDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QStyleFactory>
#include <QTemporaryDir>

namespace {

QtMessageHandler previousHandler = nullptr;

// Qt's own complaints while it looks for a display go nowhere: we say it ourselves.
void dropPlatformWarnings(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtWarningMsg || type == QtInfoMsg || type == QtCriticalMsg)
        return;
    if (previousHandler)
        previousHandler(type, context, text);
}

// The archive and the uninstall script put our own libraries on the search path. Once they are
// loaded, that entry goes, so the tools and the product we start use their system's libraries.
void dropOwnLibraryPath(const QString &applicationDirectory)
{
    const QString value = qEnvironmentVariable("LD_LIBRARY_PATH");
    if (value.isEmpty())
        return;
    const QString own = QDir::cleanPath(applicationDirectory);
    QStringList kept;
    for (const QString &entry : value.split(QLatin1Char(':')))
        if (QDir::cleanPath(entry) != own)
            kept << entry;
    if (kept.isEmpty())
        qunsetenv("LD_LIBRARY_PATH");
    else
        qputenv("LD_LIBRARY_PATH", QFile::encodeName(kept.join(QLatin1Char(':'))));
}

// Plug-ins the Wayland platform loads by itself: the window shell and the title bar. A bundle
// keeps them beside the executable (the uninstaller's copy takes regular files only), the
// system in its plug-in directory.
const struct
{
    const char *kind;
    const char *file;
} waylandPlugins[] = {{"wayland-shell-integration", "libxdg-shell.so"},
                      {"wayland-decoration-client", "libbradient.so"}};

// A plug-in directory of our own holding links to just these plug-ins, so that the Wayland
// platform finds them and nothing else is loaded from anywhere. Empty when there is none.
QString privateWaylandPluginDirectory(QTemporaryDir &directory, bool bundled,
                                      const QString &applicationDirectory)
{
    if (!directory.isValid())
        return QString();
    const QString systemPlugins = QLibraryInfo::path(QLibraryInfo::PluginsPath);
    for (const auto &plugin : waylandPlugins) {
        const QString kind = QLatin1String(plugin.kind);
        const QString file = QLatin1String(plugin.file);
        const QString source =
            bundled ? applicationDirectory + QLatin1Char('/') + file
                    : systemPlugins + QLatin1Char('/') + kind + QLatin1Char('/') + file;
        QDir(directory.path()).mkpath(kind);
        QFile::link(source, directory.filePath(kind + QLatin1Char('/') + file));
    }
    return directory.path();
}

} // namespace

ApplicationSetup::ApplicationSetup() = default;
ApplicationSetup::~ApplicationSetup() = default;

std::unique_ptr<QCoreApplication>
ApplicationSetup::createApplication(int &argc, char **argv, const QString &applicationDirectory)
{
    const QString display = ORNAUtils::environmentVariable(QStringLiteral("DISPLAY"));
    const QString waylandDisplay =
        ORNAUtils::environmentVariable(QStringLiteral("WAYLAND_DISPLAY"));
    m_graphical = !display.isEmpty() || !waylandDisplay.isEmpty();
    if (!m_graphical) {
        m_displayProblem = QStringLiteral("no display is available (DISPLAY is not set)");
        std::unique_ptr<QCoreApplication> app(new QCoreApplication(argc, argv));
        QCoreApplication::setLibraryPaths(QStringList());
        dropOwnLibraryPath(applicationDirectory);
        return app;
    }

    // A bundled installer carries its platform plug-ins beside the executable.
    const bool useBundledPlugins = qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM_PLUGIN_PATH") &&
                                   QFileInfo::exists(applicationDirectory + "/libqxcb.so");
    if (useBundledPlugins) {
        // Only there: a Qt of the system must not lend us plug-ins of another version.
        qputenv("QT_QPA_PLATFORM_PLUGIN_PATH", QFile::encodeName(applicationDirectory));
        QCoreApplication::setLibraryPaths(QStringList(applicationDirectory));
    }

    // Wayland first where the session offers it, then X11. Qt aborts when no display can be
    // opened; a fallback platform keeps the console modes working. A platform the user chose
    // is left alone.
    const bool chooseFallback = qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    if (chooseFallback)
        qputenv("QT_QPA_PLATFORM",
                waylandDisplay.isEmpty() ? "xcb;offscreen" : "wayland;xcb;offscreen");
    QString waylandPlugins;
    if (!waylandDisplay.isEmpty()) {
        m_pluginDirectory = std::make_unique<QTemporaryDir>();
        waylandPlugins = privateWaylandPluginDirectory(*m_pluginDirectory, useBundledPlugins,
                                                       applicationDirectory);
        QCoreApplication::setLibraryPaths(QStringList(waylandPlugins) +
                                          QCoreApplication::libraryPaths());
    }
    previousHandler = qInstallMessageHandler(dropPlatformWarnings);
    std::unique_ptr<QCoreApplication> app(new QApplication(argc, argv));
    qInstallMessageHandler(previousHandler);
    if (useBundledPlugins)
        qunsetenv("QT_QPA_PLATFORM_PLUGIN_PATH"); // children must not inherit our choices
    if (chooseFallback) {
        qunsetenv("QT_QPA_PLATFORM");
        const QString platform = QGuiApplication::platformName();
        if (platform != QLatin1String("xcb") && platform != QLatin1String("wayland"))
            m_displayProblem = QStringLiteral("the display '%1' cannot be opened")
                                   .arg(waylandDisplay.isEmpty() ? display : waylandDisplay);
    }
    // Nothing is loaded from plug-in directories after the platform itself, except the
    // Wayland platform's own plug-ins, which it loads when the first window appears.
    const bool onWayland = QGuiApplication::platformName() == QLatin1String("wayland");
    QCoreApplication::setLibraryPaths(
        onWayland && !waylandPlugins.isEmpty() ? QStringList(waylandPlugins) : QStringList());
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    ORNAWidgetDialogs::install();
    dropOwnLibraryPath(applicationDirectory);
    return app;
}
