#include "ornaInstallationRollback.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <vector>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The names in a directory, without "." and ".."; the descriptor stays open.
std::vector<QByteArray> entryNames(int directory)
{
    std::vector<QByteArray> names;
    const int copy = ::dup(directory);
    DIR *stream = copy >= 0 ? ::fdopendir(copy) : nullptr;
    if (!stream) {
        if (copy >= 0)
            ::close(copy);
        return names;
    }
    ::rewinddir(stream);
    while (const struct dirent *entry = ::readdir(stream)) {
        const char *name = entry->d_name;
        if (!(name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))))
            names.emplace_back(name);
    }
    ::closedir(stream);
    return names;
}

int openDirectoryAt(int directory, const char *name)
{
    return ::openat(directory, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// The entry opened as a directory if it is one on device (a link is none); else -1.
int openSubdirectory(int directory, const QByteArray &name, dev_t device)
{
    struct stat status;
    if (::fstatat(directory, name.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISDIR(status.st_mode) || status.st_dev != device)
        return -1;
    return openDirectoryAt(directory, name.constData());
}

// Follows a link at the end of the path: the installation goes where it leads.
int openDirectory(const QString &path)
{
    return ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// Removes the entry with everything below it, without following links and without entering
// another file system than device; false if anything stayed.
bool removeEntry(int directory, const char *name, dev_t device)
{
    struct stat status;
    if (::fstatat(directory, name, &status, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT;
    if (!S_ISDIR(status.st_mode))
        return ::unlinkat(directory, name, 0) == 0;
    if (status.st_dev != device)
        return false;
    const int child = openDirectoryAt(directory, name);
    if (child < 0)
        return false;
    bool removed = true;
    for (const QByteArray &entry : entryNames(child))
        removed = removeEntry(child, entry.constData(), device) && removed;
    ::close(child);
    return ::unlinkat(directory, name, AT_REMOVEDIR) == 0 && removed;
}

bool lstatPath(const QString &path, struct stat &status)
{
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0;
}

} // namespace

void ORNAInstallationRollback::recordBefore(const QString &directory)
{
    target = QDir::cleanPath(QFileInfo(directory).absoluteFilePath());
    firstCreated.clear();
    existing.clear();
    recorded = true;

    struct stat status;
    QString path = target;
    while (!lstatPath(path, status)) {
        firstCreated = path;
        const QString parent = QFileInfo(path).path();
        if (parent == path)
            break;
        path = parent;
    }
    if (!firstCreated.isEmpty())
        return;
    // The target itself may be a link to a directory: the installation goes through it.
    const int root = openDirectory(target);
    if (root < 0)
        return;
    if (::fstat(root, &status) == 0)
        recordDirectory(root, QByteArray(), status.st_dev);
    ::close(root);
}

void ORNAInstallationRollback::recordDirectory(int directory, const QByteArray &prefix,
                                               dev_t device)
{
    for (const QByteArray &name : entryNames(directory)) {
        const QByteArray relative = prefix + name;
        existing.insert(relative);
        const int child = openSubdirectory(directory, name, device);
        if (child < 0)
            continue;
        recordDirectory(child, relative + '/', device);
        ::close(child);
    }
}

bool ORNAInstallationRollback::rollBack()
{
    if (!recorded)
        return true;
    recorded = false;
    struct stat status;
    if (!firstCreated.isEmpty()) {
        if (!lstatPath(firstCreated, status))
            return true;
        const QFileInfo created(firstCreated);
        const int parent = openDirectory(created.path());
        const bool removed =
            parent >= 0 &&
            removeEntry(parent, QFile::encodeName(created.fileName()), status.st_dev);
        if (parent >= 0)
            ::close(parent);
        return removed;
    }
    const int root = openDirectory(target);
    if (root < 0) // gone, or never a directory that anything could have been put into
        return errno == ENOENT || errno == ENOTDIR;
    const bool removed =
        ::fstat(root, &status) == 0 && rollBackDirectory(root, QByteArray(), status.st_dev);
    ::close(root);
    return removed;
}

bool ORNAInstallationRollback::rollBackDirectory(int directory, const QByteArray &prefix,
                                                 dev_t device) const
{
    bool removed = true;
    for (const QByteArray &name : entryNames(directory)) {
        const QByteArray relative = prefix + name;
        if (!existing.contains(relative)) {
            removed = removeEntry(directory, name.constData(), device) && removed;
            continue;
        }
        // What was there before stays; a directory that was there may hold new entries.
        const int child = openSubdirectory(directory, name, device);
        if (child < 0)
            continue;
        removed = rollBackDirectory(child, relative + '/', device) && removed;
        ::close(child);
    }
    return removed;
}
