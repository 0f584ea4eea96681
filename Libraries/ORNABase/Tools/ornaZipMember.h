#ifndef ORNAZIPMEMBER_H
#define ORNAZIPMEMBER_H

#include <QDateTime>
#include <QtGlobal>

#include <unzip.h>

struct ORNAZipArchive;

// One file of a registered archive: where it sits in the central directory, its size and date.
struct ORNAZipMember
{
    ORNAZipArchive *archive = nullptr;
    unz_file_pos position = {0, 0};
    qint64 uncompressedSize = 0;
    // Local time; invalid when the archive stores no usable date.
    QDateTime date;
};

#endif // ORNAZIPMEMBER_H
