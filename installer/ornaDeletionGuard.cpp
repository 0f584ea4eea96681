#include "ornaDeletionGuard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace ORNADeletionGuard {

namespace {

bool sameDirectory(const QString &canonicalPath, const QString &other)
{
    return !canonicalPath.isEmpty() && canonicalPath == QFileInfo(other).canonicalFilePath();
}

Refusal refusal(const QString &title, const QString &reason)
{
    return {title, QStringLiteral("Refusing to delete the installation directory") + reason +
                       QStringLiteral(". Please delete the directory yourself.")};
}

bool hasType(const QString &path, mode_t type, struct stat &status)
{
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 &&
           (status.st_mode & S_IFMT) == type;
}

// Links are not followed: an installation holds the real files.
bool isInstallationOf(const QString &directory, const QString &runningProgram)
{
    struct stat status;
    struct stat program;
    struct stat running;
    return hasType(directory + QStringLiteral("/uninstall"), S_IFREG, status) &&
           hasType(directory + QStringLiteral("/Uninstaller"), S_IFDIR, status) &&
           hasType(directory + QStringLiteral("/Uninstaller/LinuxInstaller"), S_IFREG, program) &&
           ::stat(QFile::encodeName(runningProgram).constData(), &running) == 0 &&
           running.st_dev == program.st_dev && running.st_ino == program.st_ino;
}

} // namespace

Refusal installationRefusal(const QString &directory, const QString &runningProgram)
{
    if (isInstallationOf(directory, runningProgram))
        return {};
    return {QStringLiteral("Refusing to delete a directory that is no installation"),
            QStringLiteral("Refusing to delete ") + directory +
                QStringLiteral(", because it is no installation: it must hold the uninstall "
                               "script and Uninstaller/ with this program in it. Nothing was "
                               "deleted.")};
}

Refusal refusalFor(const QString &directory)
{
    const QString canonicalPath = QFileInfo(directory).canonicalFilePath();
    if (sameDirectory(canonicalPath, QDir::homePath()))
        return refusal(QStringLiteral("Refusing to delete the installation directory"),
                       QStringLiteral(", because it is the home directory"));
    if (QDir::isRelativePath(directory))
        return refusal(QStringLiteral("Refusing to delete a relative installation directory"),
                       QString());
    if (sameDirectory(canonicalPath, QDir::rootPath()))
        return refusal(QStringLiteral("Refusing to delete the root directory"),
                       QStringLiteral(", because it is the root directory"));
    if (sameDirectory(canonicalPath, QDir::tempPath()))
        return refusal(QStringLiteral("Refusing to delete the temporary directory"),
                       QStringLiteral(", because it is the temporary directory"));
    return {};
}

} // namespace ORNADeletionGuard
