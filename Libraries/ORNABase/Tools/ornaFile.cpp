#include "ornaFile.h"

#include "ornaLogging.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <utime.h>

bool ORNAFile::copyFile(const QString &source, const QString &target)
{
    if (!QFileInfo(source).isFile()) {
        ORNA_WARNING("ORNAFile", "file doesnt exist: " << source);
        return false;
    }
    QFile sourceFile(source);
    if (QFile::exists(target) && !QFile::remove(target)) {
        ORNA_WARNING("ORNAFile", "Could not copy file "
                                     << source << " to " << target
                                     << ": could not remove existing target file: "
                                     << QFile(target).errorString());
    } else if (sourceFile.copy(target)) {
        struct stat status;
        if (::stat(QFile::encodeName(source).constData(), &status) == 0) {
            struct utimbuf times;
            times.actime = status.st_atime;
            times.modtime = status.st_mtime;
            ::utime(QFile::encodeName(target).constData(), &times);
        }
        return true;
    }
    QString error = sourceFile.errorString();
    if (error.isEmpty())
        error = QStringLiteral("Unknown error");
    ORNA_WARNING("ORNAFile", "Could not copy file " << source << " to " << target << ": " << error);
    return false;
}

QByteArray ORNAFile::readFile(const QString &path, bool textMode)
{
    QFile file(path);
    if (!file.exists())
        return QByteArray();
    QIODevice::OpenMode mode = QIODevice::ReadOnly;
    if (textMode)
        mode |= QIODevice::Text;
    if (!file.open(mode))
        return QByteArray();
    return file.readAll();
}

bool ORNAFile::fileExists(const QString &path)
{
    return QFileInfo::exists(path);
}
