#ifndef ZIPTESTARCHIVE_H
#define ZIPTESTARCHIVE_H

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// One member of an archive that a test builds.
struct ZipTestMember
{
    QString name;
    QByteArray content;
    bool compressed = true;
    QDateTime date = QDateTime(QDate(2021, 3, 4), QTime(5, 6, 8));
};

// Writes a zip archive with minizip's writer; false when that fails.
bool writeZipArchive(const QString &path, const QList<ZipTestMember> &members);

// Where the first member's data starts, read from its local header; -1 when unreadable.
qint64 firstMemberDataOffset(const QString &path);

// Overwrites bytes of a file in place.
bool patchFile(const QString &path, qint64 offset, const QByteArray &bytes);

#endif // ZIPTESTARCHIVE_H
