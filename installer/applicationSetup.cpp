#include "applicationSetup.h"

#include "ornaUtils.h"

#include <QApplication>
#include <QStyleFactory>

namespace {

QtMessageHandler previousHandler = nullptr;

// Qt's own complaints while it looks for a display go nowhere: we say it ourselves.
void dropPlatformWarnings(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtDebugMsg || type == QtWarningMsg || type == QtInfoMsg)
        return;
    if (previousHandler)
        previousHandler(type, context, text);
}

} // namespace

std::unique_ptr<QCoreApplication> ApplicationSetup::createApplication(int &argc, char **argv)
{
    const QString display = ORNAUtils::environmentVariable(QStringLiteral("DISPLAY"));
    m_graphical = !display.isEmpty();
    if (!m_graphical) {
        m_displayProblem = QStringLiteral("no display is available (DISPLAY is not set)");
        std::unique_ptr<QCoreApplication> app(new QCoreApplication(argc, argv));
        QCoreApplication::setLibraryPaths(QStringList());
        return app;
    }

    // Qt aborts when the display cannot be opened; a fallback platform keeps the console
    // modes working. A platform the user chose is left alone.
    const bool chooseFallback = qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    if (chooseFallback)
        qputenv("QT_QPA_PLATFORM", "xcb;offscreen");
    previousHandler = qInstallMessageHandler(dropPlatformWarnings);
    std::unique_ptr<QCoreApplication> app(new QApplication(argc, argv));
    qInstallMessageHandler(previousHandler);
    if (chooseFallback) {
        qunsetenv("QT_QPA_PLATFORM"); // children must not inherit our choice
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            m_displayProblem = QStringLiteral("the display '%1' cannot be opened").arg(display);
    }
    // Nothing is loaded from plug-in directories after the platform itself.
    QCoreApplication::setLibraryPaths(QStringList());
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    return app;
}
