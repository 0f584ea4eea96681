#include "installerOptions.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <cstring>

namespace {

void printError(const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

// An empty path stays empty: it must not silently become the working directory.
QString absolutePath(const QString &path)
{
    return path.isEmpty() ? path : QFileInfo(path).absoluteFilePath();
}

// Steps through the arguments; an option's value is the next argument, whatever it looks like.
class ArgumentReader
{
public:
    ArgumentReader(const QStringList &arguments, CommandLineFlags &flags)
        : m_arguments(arguments), m_flags(flags)
    {}

    bool atEnd() const { return m_index >= m_arguments.size(); }
    QString next() { return m_arguments.at(m_index++); }

    bool takeValue(const QString &option, QString &value)
    {
        if (atEnd()) {
            printError(QStringLiteral("Error: Missing argument to option '%1'\n").arg(option));
            m_flags.error = true;
            return false;
        }
        value = next();
        return true;
    }

private:
    const QStringList &m_arguments;
    CommandLineFlags &m_flags;
    int m_index = 0;
};

void reportError(CommandLineFlags &flags, const QString &text)
{
    printError(text);
    flags.error = true;
}

} // namespace

void parseArguments(const QStringList &arguments, InstallerOptions &options,
                    CommandLineFlags &flags)
{
    ArgumentReader reader(arguments, flags);
    while (!reader.atEnd()) {
        const QString argument = reader.next();
        QString value;
        if (argument == QLatin1String("--settings-file")) {
            if (!reader.takeValue(argument, value))
                continue;
            options.settingsFile = absolutePath(value);
            if (!QFileInfo::exists(options.settingsFile))
                reportError(flags, QStringLiteral("Error: Settings file does not exist: %1\n")
                                       .arg(options.settingsFile));
        } else if (argument == QLatin1String("--temp-directory")) {
            if (!reader.takeValue(argument, value))
                continue;
            options.tempDirectory = absolutePath(value);
            if (!QFileInfo(options.tempDirectory).isDir())
                reportError(flags, QStringLiteral("Error: temp directory does not exist: %1\n")
                                       .arg(options.tempDirectory));
        } else if (argument == QLatin1String("--no-desktop-files")) {
            options.createDesktopFiles = false;
        } else if (argument == QLatin1String("--file-count")) {
            if (reader.takeValue(argument, value))
                options.fileCount = value.toInt(nullptr, 10);
        } else if (argument == QLatin1String("--prefix")) {
            if (reader.takeValue(argument, value))
                options.prefix = absolutePath(value);
        } else if (argument == QLatin1String("--force-prefix")) {
            options.forcePrefix = true;
        } else if (argument == QLatin1String("--uninstall")) {
            flags.uninstall = true;
        } else if (argument == QLatin1String("--mode")) {
            if (!reader.takeValue(argument, value))
                continue;
            if (value == QLatin1String("console") || value == QLatin1String("silent"))
                options.consoleMode = true;
            else if (value != QLatin1String("default"))
                reportError(
                    flags,
                    QStringLiteral("Error: Unknown argument to option '--mode': %1\n").arg(value));
        } else if (argument == QLatin1String("-h") || argument == QLatin1String("-help") ||
                   argument == QLatin1String("--help")) {
            flags.help = true;
        } else if (argument == QLatin1String("--verbose")) {
            options.verbose = true;
        } else if (argument == QLatin1String("--dry-run")) {
            // A plan needs no window.
            options.dryRun = true;
            options.consoleMode = true;
        } else if (argument == QLatin1String("--progress")) {
            reportError(flags, QStringLiteral("Error: Missing argument to option '--progress'\n"));
        } else if (argument.startsWith(QLatin1String("--progress="))) {
            // Joined on purpose: the archive passes it on as one word, like the wrappers write it.
            const QString format = argument.mid(int(std::strlen("--progress=")));
            if (format == QLatin1String("json"))
                options.jsonProgress = true;
            else
                reportError(flags,
                            QStringLiteral("Error: Unknown argument to option '--progress': %1\n")
                                .arg(format));
        } else if (argument.startsWith(QLatin1Char('-'))) {
            reportError(flags, QStringLiteral("Error: Unknown option '%1'\n").arg(argument));
        } else if (options.installScript.isEmpty()) {
            options.installScript = argument;
        } else {
            reportError(flags, QStringLiteral("Error: Unexpected argument '%1'\n").arg(argument));
        }
    }
    // Checked once every argument is known, whatever their order.
    if (options.dryRun && flags.uninstall)
        reportError(flags, QStringLiteral("Error: Option '--dry-run' cannot be used with "
                                          "'--uninstall'\n"));
    else if (options.dryRun && options.prefix.isEmpty())
        reportError(flags, QStringLiteral("Error: Option '--dry-run' requires '--prefix'\n"));
}

QString usageText(const InstallerOptions &options, const QString &programPath)
{
    const QString name =
        QFileInfo(options.installScript.isEmpty() ? programPath : options.installScript).fileName();
    return QStringLiteral(
               "Usage: %1 [options]\n\nAvailable Options\n"
               "    --mode [ARG]        sets the mode to run the installer in\n"
               "                        Available values: silent (requires to specify --prefix) "
               "or default'\n"
               "    --prefix [ARG]      sets the installation directory\n"
               "    --no-desktop-files  prevents the creation of desktop icons and menu entries, "
               "e.g. if xdg-utils are not installed\n"
               "    --verbose           enables additional messages during installation\n"
               "    --help              shows this information\n")
        .arg(name);
}

QString applicationDirectoryOf(const QString &programPath)
{
    // A bare name was found through PATH, not in the working directory: ask the system.
    if (!programPath.contains(QLatin1Char('/'))) {
        const QFileInfo self(QStringLiteral("/proc/self/exe"));
        if (self.exists())
            return QFileInfo(self.symLinkTarget()).absolutePath();
    }
    return QFileInfo(programPath).absolutePath();
}
