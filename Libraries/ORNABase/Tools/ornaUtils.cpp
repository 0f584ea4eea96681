#include "ornaUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool removeDirectoryContents(int directory);

// Removes the entry NAME of DIRECTORY; a directory is emptied first. Opening with O_NOFOLLOW
// guarantees that a link swapped in for a directory is never walked into.
bool removeEntry(int directory, const char *name, unsigned char type)
{
    if (type == DT_UNKNOWN) {
        struct stat status;
        if (::fstatat(directory, name, &status, AT_SYMLINK_NOFOLLOW) != 0)
            return false;
        type = S_ISDIR(status.st_mode) ? DT_DIR : DT_REG;
    }
    if (type != DT_DIR)
        return ::unlinkat(directory, name, 0) == 0;
    const int child = ::openat(directory, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (child < 0) {
        // Replaced by something that is no directory since the listing: remove that instead.
        return errno == ELOOP || errno == ENOTDIR ? ::unlinkat(directory, name, 0) == 0 : false;
    }
    const bool result = removeDirectoryContents(child);
    return ::unlinkat(directory, name, AT_REMOVEDIR) == 0 && result;
}

struct DirectoryEntry
{
    std::string name;
    unsigned char type;
    ino_t inode;
};

// The whole listing is read before anything is removed: removing while reading leaves it
// unspecified whether later entries are still returned.
bool listDirectory(DIR *stream, std::vector<DirectoryEntry> &entries)
{
    errno = 0;
    while (const struct dirent *entry = ::readdir(stream)) {
        const char *name = entry->d_name;
        if (!(name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))))
            entries.push_back(DirectoryEntry{name, entry->d_type, entry->d_ino});
        errno = 0;
    }
    return errno == 0;
}

// Removes everything inside DIRECTORY and closes it. Failures do not stop the walk.
bool removeDirectoryContents(int directory)
{
    DIR *stream = ::fdopendir(directory);
    if (!stream) {
        ::close(directory);
        return false;
    }
    std::vector<DirectoryEntry> entries;
    bool result = listDirectory(stream, entries);
    // In inode order the file system updates its inode table front to back, not at random.
    std::sort(entries.begin(), entries.end(),
              [](const DirectoryEntry &a, const DirectoryEntry &b) { return a.inode < b.inode; });
    for (const DirectoryEntry &entry : entries)
        result = removeEntry(::dirfd(stream), entry.name.c_str(), entry.type) && result;
    ::closedir(stream);
    return result;
}

// The path without trailing separators, which would make a link to a directory count as the
// directory; empty when the path ends in "." or "..", which could not be removed anyway.
QByteArray pathToRemove(const QString &path)
{
    QByteArray encoded = QFile::encodeName(path);
    while (encoded.size() > 1 && encoded.endsWith('/'))
        encoded.chop(1);
    const QByteArray last = encoded.mid(encoded.lastIndexOf('/') + 1);
    if (last == "." || last == "..")
        return QByteArray();
    return encoded;
}

bool isFileSystemRoot(const struct stat &status)
{
    struct stat root;
    return ::stat("/", &root) == 0 && root.st_dev == status.st_dev && root.st_ino == status.st_ino;
}

} // namespace

namespace ORNAUtils {

QString environmentVariable(const QString &name)
{
    const char *value = std::getenv(name.toLocal8Bit().constData());
    if (!value)
        return QString();
    QString text = QString::fromLocal8Bit(value);
    if (text.isNull())
        text = QLatin1String("");
    return text;
}

QString normalizePath(const QString &path)
{
    QString cleaned = QDir::cleanPath(path);
    cleaned.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return cleaned;
}

QString removeExtension(const QString &path)
{
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? path : path.left(dot);
}

QString directoryOfPath(const QString &path)
{
    const QString native = QDir::toNativeSeparators(path);
    const int slash = native.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? native : native.left(slash);
}

bool isTrueText(const QString &text)
{
    if (text.isEmpty())
        return false;
    // Built once; function-local statics are initialised thread-safely.
    static const QSet<QString> trueWords = {QStringLiteral("true"), QStringLiteral("yes"),
                                            QStringLiteral("1"), QStringLiteral("on")};
    return trueWords.contains(text.toLower());
}

bool makePath(const QString &path)
{
    const QStringList pieces = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString running = path.startsWith(QLatin1Char('/')) ? QStringLiteral("/") : QString();
    QDir current;
    for (const QString &piece : pieces) {
        running += piece + QLatin1Char('/');
        if (!QFileInfo::exists(running) && !current.mkdir(running))
            return false;
    }
    return true;
}

bool removeDirectoryRecursively(const QString &path)
{
    const QByteArray encoded = pathToRemove(path);
    struct stat status;
    if (encoded.isEmpty() || ::lstat(encoded.constData(), &status) != 0)
        return false;
    // A link given as the tree itself is only unlinked: its target is not ours to delete.
    if (S_ISLNK(status.st_mode))
        return ::unlink(encoded.constData()) == 0;
    if (!S_ISDIR(status.st_mode) || isFileSystemRoot(status))
        return false;
    const int directory =
        ::open(encoded.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    bool result = directory >= 0 && removeDirectoryContents(directory);
    return ::rmdir(encoded.constData()) == 0 && result;
}

} // namespace ORNAUtils
