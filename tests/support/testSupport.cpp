#include "testSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

namespace TestSupport {

ProcessResult runProgram(const QString &program, const QStringList &arguments,
                         const QProcessEnvironment &environment, const QString &workingDirectory,
                         int timeoutMs)
{
    ProcessResult result;
    QProcess process;
    process.setProcessEnvironment(environment);
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    process.start(program, arguments, QIODevice::ReadOnly);
    result.started = process.waitForStarted(30000);
    if (!result.started)
        return result;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
    }
    result.standardOutput = process.readAllStandardOutput();
    result.standardError = process.readAllStandardError();
    result.crashed = process.exitStatus() == QProcess::CrashExit;
    result.exitCode = process.exitCode();
    return result;
}

QString binaryPath(const QString &name)
{
    return QStringLiteral(ORNA_BIN_DIR "/") + name;
}

QString sourcePath(const QString &relative)
{
    const QString root = QStringLiteral(ORNA_SOURCE_DIR);
    return relative.isEmpty() ? root : root + QLatin1Char('/') + relative;
}

QProcessEnvironment sandboxEnvironment(const QString &home, bool keepDisplay)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QStringList directories = {QStringLiteral("Desktop"), QStringLiteral(".local/share"),
                                     QStringLiteral(".config"), QStringLiteral(".cache"),
                                     QStringLiteral(".gsettings")};
    for (const QString &directory : directories)
        QDir(home).mkpath(directory);
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
    environment.insert(QStringLiteral("XDG_DESKTOP_DIR"), home + QStringLiteral("/Desktop"));
    environment.insert(QStringLiteral("XDG_UTILS_INSTALL_MODE"), QStringLiteral("user"));
    environment.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("keyfile"));
    environment.remove(QStringLiteral("XDG_CONFIG_DIRS"));
    if (!keepDisplay) {
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    }
    return environment;
}

QProcessEnvironment archiveEnvironment(const QString &home, const QString &temporary)
{
    QProcessEnvironment environment = sandboxEnvironment(home);
    environment.insert(QStringLiteral("TMPDIR"), temporary);
    return environment;
}

QString WorkDirectory::fresh(const QString &stem)
{
    const QString path = directory.filePath(stem + QString::number(++counter));
    QDir().mkpath(path);
    return path;
}

bool writeScript(const QString &path, const QByteArray &body)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    file.write("#!/usr/bin/env bash\n");
    file.write(body);
    file.close();
    return file.setPermissions(file.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeGroup |
                               QFileDevice::ExeOther);
}

QByteArray gatedScript(const QString &gate, const QByteArray &before, const QByteArray &after)
{
    const QByteArray file = '\'' + QFile::encodeName(gate) + '\'';
    return before + "\nfor i in $(seq 200); do [ -e " + file +
           " ] && break; sleep 0.05; done\n[ -e " + file +
           " ] || { echo 'gate timed out' >&2; exit 1; }\n" + after + '\n';
}

QByteArray expectedUsage(const QString &name)
{
    return "Usage: " + name.toUtf8() +
           " [options]\n\nAvailable Options\n"
           "    --mode [ARG]        sets the mode to run the installer in\n"
           "                        Available values: silent (requires to specify --prefix) "
           "or default'\n"
           "    --prefix [ARG]      sets the installation directory\n"
           "    --no-desktop-files  prevents the creation of desktop icons and menu entries, "
           "e.g. if xdg-utils are not installed\n"
           "    --verbose           enables additional messages during installation\n"
           "    --help              shows this information\n";
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString unwrittenFifo()
{
    static QTemporaryDir directory;
    static const QString path = directory.filePath(QStringLiteral("fifo"));
    static const bool made = ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
    return made ? path : QStringLiteral("/no-fifo-could-be-made");
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QString makeInstallerDirectory(const QString &directory, const QByteArray &settings)
{
    const QString program = directory + QStringLiteral("/LinuxInstaller");
    QDir().mkpath(directory);
    QFile::remove(program);
    const bool made = QFile::copy(binaryPath(QStringLiteral("LinuxInstaller")), program) &&
                      writeFile(directory + QStringLiteral("/installer.settings"), settings);
    return made ? directory : QString();
}

QString makeArchive(const QString &product, const QString &installerDirectory,
                    const QString &archive)
{
    const ProcessResult made =
        runProgram(QStringLiteral("bash"), {sourcePath(QStringLiteral("tools/make-archive")),
                                            product, installerDirectory, archive});
    return made.exitCode == 0 ? archive : QString();
}

StreamCapture::StreamCapture(int fd) : m_fd(fd), m_stream(fd == 1 ? stdout : stderr)
{
    if (!m_file.open())
        return;
    std::fflush(m_stream);
    m_saved = ::dup(m_fd);
    ::dup2(m_file.handle(), m_fd);
}

StreamCapture::~StreamCapture()
{
    text();
}

QByteArray StreamCapture::text()
{
    if (m_saved >= 0) {
        std::fflush(m_stream);
        ::dup2(m_saved, m_fd);
        ::close(m_saved);
        m_saved = -1;
        m_file.seek(0);
        m_text = m_file.readAll();
    }
    return m_text;
}

QByteArray withoutLineNumbers(const QByteArray &text)
{
    static const QRegularExpression position(QStringLiteral("(\\.cpp)\\(\\d+\\)"));
    return QString::fromUtf8(text).replace(position, QStringLiteral("\\1(N)")).toUtf8();
}

QStringList fileNames(const QString &directory)
{
    return QDir(directory).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

QStringList filesBelow(const QString &directory)
{
    QStringList files;
    QDirIterator it(directory, QDir::Files | QDir::System | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(directory).relativeFilePath(it.next());
    files.sort();
    return files;
}

} // namespace TestSupport
