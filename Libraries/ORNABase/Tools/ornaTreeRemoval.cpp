#include "ornaTreeRemoval.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

struct DirectoryEntry
{
    QByteArray name;
    unsigned char type;
    ino_t inode;
};

// The whole listing is read before anything is removed: removing while reading leaves it
// unspecified whether later entries are still returned. In inode order the file system updates
// its inode table front to back, not at random.
std::vector<DirectoryEntry> listDirectory(DIR *stream)
{
    std::vector<DirectoryEntry> entries;
    while (const struct dirent *entry = ::readdir(stream)) {
        const char *name = entry->d_name;
        if (!(name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))))
            entries.push_back(DirectoryEntry{name, entry->d_type, entry->d_ino});
    }
    std::sort(entries.begin(), entries.end(),
              [](const DirectoryEntry &a, const DirectoryEntry &b) { return a.inode < b.inode; });
    return entries;
}

// Moves the entries named in last out of entries, in the order of last.
std::vector<DirectoryEntry> takeEntries(std::vector<DirectoryEntry> &entries,
                                        const QByteArrayList &last)
{
    std::vector<DirectoryEntry> taken;
    for (const QByteArray &name : last) {
        const auto found = std::find_if(entries.begin(), entries.end(),
                                        [&](const DirectoryEntry &e) { return e.name == name; });
        if (found != entries.end()) {
            taken.push_back(*found);
            entries.erase(found);
        }
    }
    return taken;
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

ORNATreeRemoval::ORNATreeRemoval(const QString &path) : encodedPath(pathToRemove(path)) {}

void ORNATreeRemoval::setRemoveLast(const QStringList &names)
{
    removeLast.clear();
    for (const QString &name : names)
        removeLast.append(QFile::encodeName(name));
}

bool ORNATreeRemoval::run()
{
    left = 0;
    skipped.clear();
    kept = false;
    struct stat status;
    if (encodedPath.isEmpty() || ::lstat(encodedPath.constData(), &status) != 0)
        return false;
    // A link given as the tree itself is only unlinked: its target is not ours to delete.
    if (S_ISLNK(status.st_mode))
        return ::unlink(encodedPath.constData()) == 0;
    if (!S_ISDIR(status.st_mode) || isFileSystemRoot(status))
        return false;
    const int directory =
        ::open(encodedPath.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (directory >= 0) {
        if (!fileSystemOf(directory, root)) {
            ::close(directory);
            return false;
        }
        left = removeContents(directory, encodedPath, removeLast);
        if (keepDirectory)
            return left == 0;
    }
    return !keepDirectory && ::rmdir(encodedPath.constData()) == 0;
}

// Bind mounts of the same file system share the device number; only the mount id tells them
// apart. Kernels without mount ids in statx fall back to the device.
bool ORNATreeRemoval::fileSystemOf(int descriptor, FileSystem &fileSystem)
{
    struct statx extended;
    if (::statx(descriptor, "", AT_EMPTY_PATH, STATX_MNT_ID, &extended) == 0) {
        fileSystem.device = makedev(extended.stx_dev_major, extended.stx_dev_minor);
        fileSystem.mountId = extended.stx_mnt_id;
        fileSystem.haveMountId = (extended.stx_mask & STATX_MNT_ID) != 0;
        return true;
    }
    struct stat status;
    if (::fstat(descriptor, &status) != 0)
        return false;
    fileSystem.device = status.st_dev;
    fileSystem.haveMountId = false;
    return true;
}

bool ORNATreeRemoval::onRootFileSystem(int descriptor) const
{
    FileSystem fileSystem;
    return fileSystemOf(descriptor, fileSystem) && fileSystem.device == root.device &&
           (!fileSystem.haveMountId || !root.haveMountId || fileSystem.mountId == root.mountId);
}

// Empties DIRECTORY and closes it. Failures do not stop the walk.
qint64 ORNATreeRemoval::removeContents(int directory, const QByteArray &path,
                                       const QByteArrayList &last)
{
    DIR *stream = ::fdopendir(directory);
    if (!stream) {
        ::close(directory);
        return 0;
    }
    std::vector<DirectoryEntry> entries = listDirectory(stream);
    const std::vector<DirectoryEntry> lastEntries = takeEntries(entries, last);
    qint64 result = 0;
    for (const DirectoryEntry &entry : entries)
        result += removeEntry(::dirfd(stream), path, entry.name, entry.type);
    const bool wasCounting = counting;
    kept = kept || (result != 0 && !lastEntries.empty());
    counting = counting || result != 0;
    for (const DirectoryEntry &entry : lastEntries)
        result += removeEntry(::dirfd(stream), path, entry.name, entry.type);
    counting = wasCounting;
    ::closedir(stream);
    return result;
}

qint64 ORNATreeRemoval::removeEntry(int directory, const QByteArray &path, const QByteArray &name,
                                    unsigned char type)
{
    if (type == DT_UNKNOWN) {
        struct stat status;
        if (::fstatat(directory, name.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0)
            return errno == ENOENT ? 0 : 1;
        type = S_ISDIR(status.st_mode) ? DT_DIR : DT_REG;
    }
    if (type == DT_DIR)
        return removeSubdirectory(directory, path, name);
    return unlinkEntry(directory, name, 0);
}

// Opening with O_NOFOLLOW guarantees that a link swapped in for a directory is never walked
// into; the opened directory itself tells whether it is another file system.
qint64 ORNATreeRemoval::removeSubdirectory(int directory, const QByteArray &path,
                                           const QByteArray &name)
{
    const int child =
        ::openat(directory, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (child < 0) {
        // Replaced by something that is no directory since the listing: remove that instead.
        if (errno == ELOOP || errno == ENOTDIR)
            return unlinkEntry(directory, name, 0);
        return errno == ENOENT ? 0 : 1;
    }
    const QByteArray childPath = path + '/' + name;
    if (!onRootFileSystem(child)) {
        ::close(child);
        if (!counting)
            skipped.append(QFile::decodeName(childPath));
        return 1;
    }
    const qint64 inside = removeContents(child, childPath, {});
    return inside + unlinkEntry(directory, name, AT_REMOVEDIR);
}

// Something that vanished meanwhile is as good as removed.
qint64 ORNATreeRemoval::unlinkEntry(int directory, const QByteArray &name, int flags) const
{
    if (counting)
        return 1;
    return ::unlinkat(directory, name.constData(), flags) == 0 || errno == ENOENT ? 0 : 1;
}
