// A wizard installation measured from the moment the progress page is entered until
// "Finished.", with the page's responsiveness while the archive script runs: the longest gap
// between the ticks of a 10 ms timer, and between paint events of the progress bar, which the
// timer asks to be repainted on every tick (a bar that has not changed is not painted at all,
// so without that request a gap would only say that the script was slow).
//
//   wizardBenchmark SETTINGS ARCHIVE UNPACKED_PRODUCT FILE_COUNT TARGET [--verbose]
//
// Prints one line: "install S ticks-max MS paint-max MS paints N".
#include "installerOptions.h"
#include "ornaBase.h"
#include "ornaInstaller.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QProgressBar>
#include <QTimer>
#include <QWizard>

#include <cstdio>
#include <functional>

namespace {

// The longest interval between successive calls of mark().
class GapMeter
{
public:
    explicit GapMeter(const QElapsedTimer &clock) : clock(clock) {}

    void mark()
    {
        const qint64 now = clock.nsecsElapsed();
        if (last >= 0 && now - last > longest)
            longest = now - last;
        last = now;
        ++count;
    }
    double longestMs() const { return longest / 1e6; }
    int marks() const { return count; }

private:
    const QElapsedTimer &clock;
    qint64 last = -1;
    qint64 longest = 0;
    int count = 0;
};

// Records the paint events of the widgets it watches.
class PaintWatcher : public QObject
{
public:
    explicit PaintWatcher(GapMeter &meter) : meter(meter) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            meter.mark();
        return QObject::eventFilter(watched, event);
    }

private:
    GapMeter &meter;
};

// Stops the clock when the installation reports its end.
class MeasuredInstaller : public ORNAInstaller
{
public:
    using ORNAInstaller::ORNAInstaller;
    std::function<void()> onFinished;

    void logMessage(const QString &message) override
    {
        ORNAInstaller::logMessage(message);
        if (message == QLatin1String("Finished.") && onFinished)
            onFinished();
    }
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ORNABase::initialize();
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 6) {
        std::fputs("usage: wizardBenchmark SETTINGS ARCHIVE UNPACKED_PRODUCT FILE_COUNT TARGET "
                   "[--verbose]\n",
                   stderr);
        return 2;
    }
    InstallerOptions options;
    options.settingsFile = arguments.at(1);
    options.installScript = arguments.at(2);
    options.tempDirectory = arguments.at(3);
    options.fileCount = arguments.at(4).toInt();
    options.prefix = arguments.at(5);
    options.verbose = arguments.value(6) == QLatin1String("--verbose");
    options.createDesktopFiles = false;

    MeasuredInstaller installer(options);
    installer.setVerbose(options.verbose);
    installer.setTempDirectory(options.tempDirectory);
    installer.setupWizard();
    installer.setProgressMaximum(options.fileCount);
    installer.showWizard();
    QWizard *wizard = installer.wizardWindow();
    if (!wizard)
        return 1;

    QElapsedTimer clock;
    GapMeter ticks(clock);
    GapMeter paints(clock);
    PaintWatcher watcher(paints);
    QTimer ticker;
    ticker.setInterval(10);
    ticker.setTimerType(Qt::PreciseTimer);
    QProgressBar *bar = nullptr;
    QObject::connect(&ticker, &QTimer::timeout, [&ticks, &bar]() {
        ticks.mark();
        bar->update();
    });
    double seconds = 0;
    installer.onFinished = [&]() {
        seconds = clock.nsecsElapsed() / 1e9;
        ticker.stop();
        QTimer::singleShot(0, wizard, &QWizard::close);
    };

    // Through the pages as they come, the proposed directory kept; the progress page starts
    // the installation when it is entered.
    QTimer::singleShot(0, [&]() {
        while (!wizard->currentPage()->title().startsWith(QLatin1String("Installing ")))
            wizard->next();
        bar = wizard->currentPage()->findChild<QProgressBar *>();
        bar->installEventFilter(&watcher);
        clock.start();
        ticker.start();
    });
    // The installer quits the application when its window closes.
    QApplication::setQuitOnLastWindowClosed(true);
    QApplication::exec();
    if (seconds == 0) {
        std::fputs("the installation did not finish\n", stderr);
        return 1;
    }
    std::printf("install %.3f ticks-max %.1f paint-max %.1f paints %d\n", seconds,
                ticks.longestMs(), paints.longestMs(), paints.marks());
    return installer.hasInstallationFailed() ? 1 : 0;
}
