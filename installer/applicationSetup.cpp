#include "applicationSetup.h"

#include "ornaUtils.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStyleFactory>

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

} // namespace

std::unique_ptr<QCoreApplication>
ApplicationSetup::createApplication(int &argc, char **argv, const QString &applicationDirectory)
{
    const QString display = ORNAUtils::environmentVariable(QStringLiteral("DISPLAY"));
    m_graphical = !display.isEmpty();
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

    // Qt aborts when the display cannot be opened; a fallback platform keeps the console
    // modes working. A platform the user chose is left alone.
    const bool chooseFallback = qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    if (chooseFallback)
        qputenv("QT_QPA_PLATFORM", "xcb;offscreen");
    previousHandler = qInstallMessageHandler(dropPlatformWarnings);
    std::unique_ptr<QCoreApplication> app(new QApplication(argc, argv));
    qInstallMessageHandler(previousHandler);
    if (useBundledPlugins)
        qunsetenv("QT_QPA_PLATFORM_PLUGIN_PATH"); // children must not inherit our choices
    if (chooseFallback) {
        qunsetenv("QT_QPA_PLATFORM");
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            m_displayProblem = QStringLiteral("the display '%1' cannot be opened").arg(display);
    }
    // Nothing is loaded from plug-in directories after the platform itself.
    QCoreApplication::setLibraryPaths(QStringList());
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    dropOwnLibraryPath(applicationDirectory);
    return app;
}
