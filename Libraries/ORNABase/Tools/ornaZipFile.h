#ifndef ORNAZIPFILE_H
#define ORNAZIPFILE_H

#include <QByteArray>
#include <QString>

struct ORNAZipArchive;
struct ORNAZipMember;

// When an extraction writes its target.
typedef int ORNAZipOverwriteMode;
enum : ORNAZipOverwriteMode
{
    ORNAZipOverwriteAlways = 1,
    // Only when the target does not exist yet.
    ORNAZipOverwriteIfMissing = 2,
    // When the target is missing or older than the member.
    ORNAZipOverwriteIfOlder = 4,
    // When the target is missing or its time differs from the member's.
    ORNAZipOverwriteIfDifferent = 8,
    // When the target is missing or the user confirms in a message box.
    ORNAZipOverwriteAsk = 16,
};

// Members of registered zip archives, served as if they were files below the archive's prefix.
class ORNAZipFile
{
public:
    // Opens the archive and lists its files below PREFIX. False (with an error logged) when the
    // archive cannot be opened or its central directory cannot be read.
    static bool registerArchive(const QString &archivePath, const QString &prefix);

    // The member that PATH names in the first registered archive whose prefix it starts with.
    static const ORNAZipMember *findMember(const QString &path);

    // The member's bytes; empty (with errors logged) when it cannot be read.
    static QByteArray readMember(ORNAZipArchive *archive, const ORNAZipMember &member,
                                 const QString &memberPath);

    // Writes the member to TARGET (or to MEMBERPATH when TARGET is empty) and gives the file the
    // member's date. True when the target holds the member or was kept as the mode asks.
    static bool extractFile(ORNAZipArchive *archive, const ORNAZipMember &member,
                            const QString &memberPath, const QString &target,
                            ORNAZipOverwriteMode mode);

private:
    static bool shouldWrite(ORNAZipArchive *archive, const ORNAZipMember &member,
                            const QString &target, ORNAZipOverwriteMode mode);
    static bool userConfirmsOverwrite(ORNAZipArchive *archive, const QString &target);
    static bool writeTarget(const QByteArray &data, const QString &memberPath,
                            const QString &target);
};

#endif // ORNAZIPFILE_H
