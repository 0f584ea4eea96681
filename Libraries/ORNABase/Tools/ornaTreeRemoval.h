#ifndef ORNATREEREMOVAL_H
#define ORNATREEREMOVAL_H

#include <QByteArray>
#include <QByteArrayList>
#include <QString>
#include <QStringList>

#include <sys/types.h>

// Removes a directory with everything below it. Symbolic links are removed, never followed;
// a directory on another file system (a mount point, bind mounts included) is neither entered
// nor removed. Failures do not stop the walk; what is left is counted.
class ORNATreeRemoval
{
public:
    explicit ORNATreeRemoval(const QString &path);

    // Top-level entries that go after all the others, in this order, and only when all the
    // others are gone; otherwise they are kept.
    void setRemoveLast(const QStringList &names);

    // Empties the directory but leaves the directory itself.
    void setKeepDirectory(bool keep) { keepDirectory = keep; }

    // True when the directory itself is gone (or, when kept, empty). A path that is a link is
    // only unlinked.
    bool run();

    // Entries below the directory that are still there after run(), a mount point counting as
    // one and kept entries with everything in them.
    qint64 entriesLeft() const { return left; }
    // The directories on other file systems that were left alone.
    QStringList mountPoints() const { return skipped; }
    // Whether the entries to remove last were kept because others were left.
    bool lastKept() const { return kept; }

private:
    struct FileSystem
    {
        dev_t device = 0;
        quint64 mountId = 0;
        bool haveMountId = false;
    };
    static bool fileSystemOf(int descriptor, FileSystem &fileSystem);
    bool onRootFileSystem(int descriptor) const;
    // Each returns how many entries it left.
    qint64 removeContents(int directory, const QByteArray &path, const QByteArrayList &last);
    qint64 removeEntry(int directory, const QByteArray &path, const QByteArray &name,
                       unsigned char type);
    qint64 removeSubdirectory(int directory, const QByteArray &path, const QByteArray &name);
    qint64 unlinkEntry(int directory, const QByteArray &name, int flags) const;

    QByteArray encodedPath;
    QByteArrayList removeLast;
    FileSystem root;
    QStringList skipped;
    qint64 left = 0;
    // Only counts what is there: for kept entries.
    bool counting = false;
    bool keepDirectory = false;
    bool kept = false;
};

#endif // ORNATREEREMOVAL_H
