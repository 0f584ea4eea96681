#include "zipTestArchive.h"

#include <QFile>

#include <zip.h>

namespace {

bool addMember(zipFile archive, const ZipTestMember &member)
{
    zip_fileinfo info = {};
    const QDate date = member.date.date();
    const QTime time = member.date.time();
    info.tmz_date.tm_year = uInt(date.year());
    info.tmz_date.tm_mon = uInt(date.month() - 1);
    info.tmz_date.tm_mday = uInt(date.day());
    info.tmz_date.tm_hour = uInt(time.hour());
    info.tmz_date.tm_min = uInt(time.minute());
    info.tmz_date.tm_sec = uInt(time.second());
    const QByteArray name = member.name.toUtf8();
    if (zipOpenNewFileInZip(archive, name.constData(), &info, nullptr, 0, nullptr, 0, nullptr,
                            member.compressed ? Z_DEFLATED : 0,
                            member.compressed ? Z_DEFAULT_COMPRESSION : 0) != ZIP_OK)
        return false;
    const bool written =
        member.content.isEmpty() || zipWriteInFileInZip(archive, member.content.constData(),
                                                        unsigned(member.content.size())) == ZIP_OK;
    return zipCloseFileInZip(archive) == ZIP_OK && written;
}

} // namespace

bool writeZipArchive(const QString &path, const QList<ZipTestMember> &members)
{
    zipFile archive = zipOpen(QFile::encodeName(path).constData(), APPEND_STATUS_CREATE);
    if (!archive)
        return false;
    bool result = true;
    for (const ZipTestMember &member : members)
        result = addMember(archive, member) && result;
    return zipClose(archive, nullptr) == ZIP_OK && result;
}

qint64 firstMemberDataOffset(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray header = file.read(30);
    if (header.size() != 30 || !header.startsWith("PK\x03\x04"))
        return -1;
    const auto field = [&header](int at) {
        return qint64(quint8(header[at])) | (qint64(quint8(header[at + 1])) << 8);
    };
    return 30 + field(26) + field(28);
}

bool patchFile(const QString &path, qint64 offset, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && file.seek(offset) &&
           file.write(bytes) == bytes.size();
}
