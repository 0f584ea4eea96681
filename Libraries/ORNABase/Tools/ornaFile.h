#ifndef ORNAFILE_H
#define ORNAFILE_H

#include <QByteArray>
#include <QString>

// What reading a whole file gave.
struct ORNAFileContent
{
    QByteArray data;
    // Why nothing could be read; empty after a successful read.
    QString error;
    // The file is no regular file or too large, so it was not read at all.
    bool refused = false;
};

// Copying and reading files, on disk or as members of registered zip archives.
class ORNAFile
{
public:
    // Larger files are refused rather than read into memory.
    static constexpr qint64 maximumReadSize = qint64(256) * 1024 * 1024;

    // Copies one file, replacing an existing target, and carries its times over.
    static bool copyFile(const QString &source, const QString &target);

    // The whole content; in text mode line ends are normalised. Empty when missing, unreadable
    // or refused (see readWholeFile).
    static QByteArray readFile(const QString &path, bool textMode);

    // Reads a registered archive member or a regular file of at most maximumReadSize bytes. A
    // FIFO, device, directory or socket is refused unread: reading it could block or never end.
    static ORNAFileContent readWholeFile(const QString &path, bool textMode);

    // Why the file cannot be read as a whole (as readWholeFile would say); empty when it can.
    static QString readProblem(const QString &path);

    // True for files and directories on disk and for members of registered archives.
    static bool fileExists(const QString &path);
};

#endif // ORNAFILE_H
