#ifndef ORNAFILE_H
#define ORNAFILE_H

#include <QByteArray>
#include <QString>

// Copying and reading files, on disk or as members of registered zip archives.
class ORNAFile
{
public:
    // Copies one file, replacing an existing target, and carries its times over.
    static bool copyFile(const QString &source, const QString &target);

    // The whole content; in text mode line ends are normalised. Empty when missing.
    static QByteArray readFile(const QString &path, bool textMode);

    // True for files and directories on disk and for members of registered archives.
    static bool fileExists(const QString &path);
};

#endif // ORNAFILE_H
