#ifndef TESTSUPPORT_H
#define TESTSUPPORT_H

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <cstdio>

namespace TestSupport {

// What a finished child process left behind.
struct ProcessResult
{
    QByteArray standardOutput;
    QByteArray standardError;
    int exitCode = -1;
    bool crashed = false;
    bool started = false;
};

// Runs a program to its end (at most timeoutMs) and collects both output channels.
ProcessResult
runProgram(const QString &program, const QStringList &arguments,
           const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
           const QString &workingDirectory = QString(), int timeoutMs = 120000);

// build/bin/<name>
QString binaryPath(const QString &name);

// The source tree's root.
QString sourcePath(const QString &relative = QString());

// An environment whose HOME, XDG directories and gsettings store all lie below home, so that
// xdg-utils and gsettings register nothing outside it (also when the tests run as root).
// Creates home/Desktop and the XDG directories. DISPLAY and WAYLAND_DISPLAY are removed unless
// keepDisplay.
QProcessEnvironment sandboxEnvironment(const QString &home, bool keepDisplay = false);

// The sandbox environment with TMPDIR set to temporary, for archives, which unpack there.
QProcessEnvironment archiveEnvironment(const QString &home, const QString &temporary);

// A temporary directory that hands out new numbered subdirectories.
class WorkDirectory
{
public:
    bool isValid() const { return directory.isValid(); }
    QString path() const { return directory.path(); }
    QString filePath(const QString &name) const { return directory.filePath(name); }
    // A new directory <stem><number>, created.
    QString fresh(const QString &stem);

private:
    QTemporaryDir directory;
    int counter = 0;
};

// Writes an executable script (bash) to path; returns false if it could not be written.
bool writeScript(const QString &path, const QByteArray &body);

// A script body that runs before, waits (at most 10 s) until the file gate exists, then runs
// after; without the gate it says "gate timed out" on standard error and fails. A test opens
// the gate from its event loop: a step that blocks the loop ends with "gate timed out".
QByteArray gatedScript(const QString &gate, const QByteArray &before, const QByteArray &after);

// The installer's usage text as a user sees it, naming the given program or archive.
QByteArray expectedUsage(const QString &name);

// Reads a whole file; empty when missing.
QByteArray readAll(const QString &path);

// A FIFO that nobody writes to, made once per test program: reading it would block for ever.
QString unwrittenFifo();

// Writes a whole file, creating its directory; false if not everything could be written.
bool writeFile(const QString &path, const QByteArray &bytes);

// An installer directory as a product maker lays it out: a copy of the built LinuxInstaller
// and the given installer.settings. Returns the directory, or empty on failure.
QString makeInstallerDirectory(const QString &directory, const QByteArray &settings);

// Builds an archive with tools/make-archive; returns its path, or empty on failure.
QString makeArchive(const QString &product, const QString &installerDirectory,
                    const QString &archive);

// Sends a standard stream (1 or 2) of this process into a temporary file while it lives.
class StreamCapture
{
public:
    explicit StreamCapture(int fd);
    ~StreamCapture();
    StreamCapture(const StreamCapture &) = delete;
    StreamCapture &operator=(const StreamCapture &) = delete;

    // Ends the capture (once) and returns what was written.
    QByteArray text();

private:
    int m_fd;
    FILE *m_stream;
    int m_saved = -1;
    QTemporaryFile m_file;
    QByteArray m_text;
};

// What work wrote to standard error.
template <typename Work>
QByteArray captureStderr(Work work)
{
    StreamCapture capture(2);
    work();
    return capture.text();
}

// Every "name.cpp(123)" source position as "name.cpp(N)", so that expected log lines need not
// follow the line numbers of the code.
QByteArray withoutLineNumbers(const QByteArray &text);

// The file names in a directory, hidden ones too, sorted.
QStringList fileNames(const QString &directory);

// The files below a directory, hidden ones and those in subdirectories too, as sorted paths
// relative to it.
QStringList filesBelow(const QString &directory);

} // namespace TestSupport

#endif // TESTSUPPORT_H
