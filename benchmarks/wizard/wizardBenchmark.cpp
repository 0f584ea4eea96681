// A wizard installation measured from the moment the progress page is entered until
// "Finished.", with the page's responsiveness while the archive script runs: the longest gap
// between the ticks of a 10 ms timer, and between paint events of the progress bar, which the
// timer asks to be repainted on every tick (a bar that has not changed is not painted at all,
// so without that request a gap would only say that the script was slow). A previous
// installation in the target is removed first: its phase has its own longest tick gap.
//
//   wizardBenchmark SETTINGS ARCHIVE UNPACKED_PRODUCT FILE_COUNT TARGET [--verbose]
//   INSTALLATION/Uninstaller/LinuxInstaller --uninstall
//
// Prints one line: "install S ticks-max MS paint-max MS paints N removal-ticks-max MS", or
// for the uninstaller wizard, measured from its confirmation to "Done.",
// "uninstall S ticks-max MS paint-max MS paints N". The uninstaller removes only the tree of
// the program that runs, so for --uninstall this program is copied into the installation in
// place of its own uninstaller and started from there. Any other message box than the
// confirmation (a refusal) ends the run at once with its text and exit code 1.
#include "installerOptions.h"
#include "ornaBase.h"
#include "ornaInstaller.h"
#include "ornaUninstaller.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFileInfo>
#include <QMessageBox>
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
    // A new phase: the longest gap starts over, the last mark stays.
    void reset() { longest = 0; }
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

// Stops the clock when the installation reports its end; tells when the copy begins.
class MeasuredInstaller : public ORNAInstaller
{
public:
    using ORNAInstaller::ORNAInstaller;
    std::function<void()> onFinished;
    std::function<void()> onCopy;

    void logMessage(const QString &message) override
    {
        ORNAInstaller::logMessage(message);
        if (message.startsWith(QStringLiteral("Installing ") + settings.productTitle +
                               QStringLiteral(" in ")) &&
            onCopy)
            onCopy();
        if (message == QLatin1String("Finished.") && onFinished)
            onFinished();
    }
};

// Stops the clock at "Done.".
class MeasuredUninstaller : public ORNAUninstaller
{
public:
    using ORNAUninstaller::ORNAUninstaller;
    std::function<void()> onFinished;

    void logMessage(const QString &message) override
    {
        ORNAUninstaller::logMessage(message);
        if (message == QLatin1String("Done.") && onFinished)
            onFinished();
    }
};

// The responsiveness figures of one measured run.
struct Meters
{
    QElapsedTimer clock;
    GapMeter ticks{clock};
    GapMeter paints{clock};
    PaintWatcher watcher{paints};
    QTimer ticker;
    QProgressBar *bar = nullptr;
    double seconds = 0;

    Meters()
    {
        ticker.setInterval(10);
        ticker.setTimerType(Qt::PreciseTimer);
        QObject::connect(&ticker, &QTimer::timeout, [this]() {
            ticks.mark();
            if (bar)
                bar->update();
        });
    }
    void start(QProgressBar *watched)
    {
        bar = watched;
        bar->installEventFilter(&watcher);
        clock.start();
        ticker.start();
    }
    void stop(QWidget *window)
    {
        seconds = clock.nsecsElapsed() / 1e9;
        ticker.stop();
        QTimer::singleShot(0, window, &QWidget::close);
    }
    void print(const char *what) const
    {
        std::printf("%s %.3f ticks-max %.1f paint-max %.1f paints %d", what, seconds,
                    ticks.longestMs(), paints.longestMs(), paints.marks());
    }
};

// The uninstaller wizard on the installation this program runs from: Uninstall, Yes to the
// question, until "Done.".
int benchmarkUninstaller()
{
    InstallerOptions options;
    options.applicationDirectory =
        QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).absolutePath();
    options.settingsFile = options.applicationDirectory + QStringLiteral("/installer.settings");
    const QString installation = QFileInfo(options.applicationDirectory).absolutePath();
    MeasuredUninstaller uninstaller(options, ORNAInstallerSettings(options),
                                    options.applicationDirectory, QStringLiteral("/proc/self/exe"));
    uninstaller.setupWizard();
    uninstaller.showWizard();
    QWizard *wizard = uninstaller.wizardWindow();
    if (!wizard)
        return 1;
    Meters meters;
    uninstaller.onFinished = [&]() { meters.stop(wizard); };
    // Yes to the question as soon as it is shown; any later box is a failure.
    bool answered = false;
    bool unexpected = false;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&]() {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        if (answered) {
            std::fprintf(stderr, "unexpected message box: %s\n", qPrintable(box->text()));
            unexpected = true;
            QCoreApplication::exit(1);
            return;
        }
        answered = true;
        meters.start(wizard->page(1)->findChild<QProgressBar *>());
        box->button(QMessageBox::Yes)->click();
    });
    answer.start(20);
    QTimer::singleShot(0, wizard, &QWizard::next);
    QApplication::setQuitOnLastWindowClosed(true);
    QApplication::exec();
    if (unexpected || meters.seconds == 0 || QDir(installation).exists()) {
        std::fputs("the uninstallation did not finish\n", stderr);
        return 1;
    }
    meters.print("uninstall");
    std::printf("\n");
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ORNABase::initialize();
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 2 && arguments.at(1) == QLatin1String("--uninstall"))
        return benchmarkUninstaller();
    if (arguments.size() < 6) {
        std::fputs("usage: wizardBenchmark SETTINGS ARCHIVE UNPACKED_PRODUCT FILE_COUNT TARGET "
                   "[--verbose]\n       INSTALLATION/Uninstaller/LinuxInstaller --uninstall\n",
                   stderr);
        return 2;
    }
    InstallerOptions options;
    options.settingsFile = arguments.at(1);
    // The uninstaller copied into the installation is the LinuxInstaller beside the settings.
    options.applicationDirectory = QFileInfo(options.settingsFile).absolutePath();
    options.installScript = arguments.at(2);
    options.tempDirectory = arguments.at(3);
    options.fileCount = arguments.at(4).toInt();
    options.prefix = arguments.at(5);
    options.verbose = arguments.value(6) == QLatin1String("--verbose");
    options.createDesktopFiles = false;

    MeasuredInstaller installer(options, ORNAInstallerSettings(options));
    installer.setupWizard();
    installer.setProgressMaximum(options.fileCount);
    installer.showWizard();
    QWizard *wizard = installer.wizardWindow();
    if (!wizard)
        return 1;

    Meters meters;
    // The ticks until the copy begins belong to the removal of a previous installation.
    double removalGapMs = 0;
    installer.onCopy = [&]() {
        removalGapMs = meters.ticks.longestMs();
        meters.ticks.reset();
    };
    installer.onFinished = [&]() { meters.stop(wizard); };

    // Through the pages as they come, the proposed directory kept; the progress page starts
    // the installation when it is entered.
    QTimer::singleShot(0, [&]() {
        while (!wizard->currentPage()->title().startsWith(QLatin1String("Installing ")))
            wizard->next();
        meters.start(wizard->currentPage()->findChild<QProgressBar *>());
    });
    // The installer quits the application when its window closes.
    QApplication::setQuitOnLastWindowClosed(true);
    QApplication::exec();
    if (meters.seconds == 0) {
        std::fputs("the installation did not finish\n", stderr);
        return 1;
    }
    meters.print("install");
    std::printf(" removal-ticks-max %.1f\n", removalGapMs);
    return installer.hasInstallationFailed() ? 1 : 0;
}
