#ifndef INSTALLEROPTIONS_H
#define INSTALLEROPTIONS_H

#include <QString>
#include <QStringList>

// The parsed command line; owned by main for the whole run, read by the engines.
struct InstallerOptions
{
    QString settingsFile;
    qint32 fileCount = 0;
    bool consoleMode = false;
    QString installScript;
    QString prefix;
    QString applicationDirectory;
    bool verbose = false;
    bool forcePrefix = false;
    QString tempDirectory;
    bool createDesktopFiles = true;
    // --progress=json: events for programs instead of text lines (console runs only).
    bool jsonProgress = false;
    // --dry-run: the checks and the plan of a console installation, nothing written.
    bool dryRun = false;
};

// What the command line asked for besides the options themselves.
struct CommandLineFlags
{
    bool uninstall = false;
    bool help = false;
    bool error = false;
};

// Parses every argument after the program path; errors go to standard error and set the flag.
void parseArguments(const QStringList &arguments, InstallerOptions &options,
                    CommandLineFlags &flags);

// The usage text, naming the archive script if one was given, else the program.
QString usageText(const InstallerOptions &options, const QString &programPath);

// The directory of the program path, made absolute against the working directory.
QString applicationDirectoryOf(const QString &programPath);

#endif // INSTALLEROPTIONS_H
