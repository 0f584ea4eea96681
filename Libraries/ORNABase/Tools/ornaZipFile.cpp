#include "ornaZipFile.h"

#include "ornaLogging.h"
#include "ornaUtils.h"
#include "ornaWidgetHooks.h"
#include "ornaZipRegistry.h"

#include <QFile>
#include <QFileInfo>

#include <ctime>

namespace {

// Member files are read in pieces, so a corrupt size field cannot demand a huge allocation.
const int readChunkSize = 65536;

// The member's stored date as a local calendar time; -1 when there is none.
time_t localTime(const QDateTime &date)
{
    if (!date.isValid())
        return -1;
    struct tm calendar = {};
    calendar.tm_year = date.date().year() - 1900;
    calendar.tm_mon = date.date().month() - 1;
    calendar.tm_mday = date.date().day();
    calendar.tm_hour = date.time().hour();
    calendar.tm_min = date.time().minute();
    calendar.tm_sec = date.time().second();
    calendar.tm_isdst = -1;
    return std::mktime(&calendar);
}

QDateTime memberDate(const tm_unz &stored)
{
    const QDate date(int(stored.tm_year), int(stored.tm_mon) + 1, int(stored.tm_mday));
    const QTime time(int(stored.tm_hour), int(stored.tm_min), int(stored.tm_sec));
    if (!date.isValid() || !time.isValid())
        return QDateTime();
    return QDateTime(date, time);
}

// The directory that extracting to MEMBERPATH needs; empty when the path names none.
QString directoryToCreate(const QString &memberPath)
{
    const int slash = memberPath.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return QString();
    return slash == 0 ? QStringLiteral("/") : memberPath.left(slash);
}

QString prefixForMembers(const QString &prefix)
{
    const QString cleaned = ORNAUtils::normalizePath(prefix);
    if (cleaned.isEmpty() || cleaned.endsWith(QLatin1Char('/')))
        return cleaned;
    return cleaned + QLatin1Char('/');
}

// Reads the central directory entry the archive stands on into ARCHIVE's member table.
bool addCurrentMember(ORNAZipArchive *archive)
{
    unz_file_info64 info;
    QByteArray name(65536, Qt::Uninitialized);
    if (unzGetCurrentFileInfo64(archive->handle, &info, name.data(), uLong(name.size()), nullptr, 0,
                                nullptr, 0) != UNZ_OK)
        return false;
    name.truncate(int(qMin<uLong>(info.size_filename, uLong(name.size()))));
    const QString memberName = ORNAUtils::normalizePath(QString::fromUtf8(name));
    // Directories and names that would climb out of the prefix are never served as files.
    if (name.endsWith('/') || memberName.isEmpty() || memberName.startsWith(QLatin1Char('/')) ||
        memberName == QLatin1String("..") || memberName.startsWith(QLatin1String("../")))
        return true;
    ORNAZipMember member;
    member.archive = archive;
    if (unzGetFilePos(archive->handle, &member.position) != UNZ_OK)
        return false;
    member.uncompressedSize = qint64(info.uncompressed_size);
    member.date = memberDate(info.tmu_date);
    archive->members.insert(memberName, member);
    return true;
}

// Logs the minizip step that failed on the member; its bytes are lost.
QByteArray failedStep(int result, const char *step, const QString &memberPath)
{
    ORNA_ERROR("ORNAZipFile",
               "error " << result << " with zipfile in " << step << ' ' << memberPath);
    return QByteArray();
}

bool readCentralDirectory(ORNAZipArchive *archive)
{
    int result = unzGoToFirstFile(archive->handle);
    while (result == UNZ_OK) {
        if (!addCurrentMember(archive))
            return false;
        result = unzGoToNextFile(archive->handle);
    }
    return result == UNZ_END_OF_LIST_OF_FILE;
}
} // namespace

bool ORNAZipFile::registerArchive(const QString &archivePath, const QString &prefix)
{
    ORNAZipRegistry *registry = ORNAZipRegistry::instance();
    if (!registry)
        return false;
    unzFile handle = unzOpen64(QFile::encodeName(archivePath).constData());
    if (!handle) {
        ORNA_ERROR("ORNAZipFile", "could not open zipfile " << archivePath);
        return false;
    }
    ORNAZipArchive *archive = new ORNAZipArchive;
    archive->handle = handle;
    archive->archivePath = archivePath;
    archive->prefix = prefixForMembers(prefix);
    if (!readCentralDirectory(archive)) {
        ORNA_ERROR("ORNAZipFile", "could not read the directory of zipfile " << archivePath);
        unzClose(handle);
        delete archive;
        return false;
    }
    registry->add(archive);
    return true;
}

const ORNAZipMember *ORNAZipFile::findMember(const QString &path)
{
    const ORNAZipRegistry *registry = ORNAZipRegistry::instance();
    if (!registry)
        return nullptr;
    const QString normalized = ORNAUtils::normalizePath(path);
    for (const ORNAZipArchive *archive : registry->archives()) {
        if (!normalized.startsWith(archive->prefix))
            continue;
        const auto found = archive->members.constFind(normalized.mid(archive->prefix.size()));
        return found == archive->members.constEnd() ? nullptr : &found.value();
    }
    return nullptr;
}

QByteArray ORNAZipFile::readMember(ORNAZipArchive *archive, const ORNAZipMember &member,
                                   const QString &memberPath)
{
    if (member.uncompressedSize <= 0 || !archive || !archive->handle)
        return QByteArray();
    unz_file_pos position = member.position;
    int result = unzGoToFilePos(archive->handle, &position);
    if (result != UNZ_OK)
        return failedStep(result, "unzGoToFilePos", memberPath);
    result = unzOpenCurrentFile(archive->handle);
    if (result != UNZ_OK)
        return failedStep(result, "unzOpenCurrentFile", memberPath);
    QByteArray data;
    while (data.size() < member.uncompressedSize) {
        const int wanted = int(qMin<qint64>(readChunkSize, member.uncompressedSize - data.size()));
        const qsizetype start = data.size();
        data.resize(start + wanted);
        result = unzReadCurrentFile(archive->handle, data.data() + start, unsigned(wanted));
        if (result < 1) {
            unzCloseCurrentFile(archive->handle);
            return failedStep(result, "unzReadCurrentFile", memberPath);
        }
        data.truncate(start + result);
    }
    result = unzCloseCurrentFile(archive->handle);
    if (result != UNZ_OK)
        return failedStep(result, "unzCloseCurrentFile", memberPath);
    return data;
}

bool ORNAZipFile::extractFile(ORNAZipArchive *archive, const ORNAZipMember &member,
                              const QString &memberPath, const QString &target,
                              ORNAZipOverwriteMode mode)
{
    const QByteArray data = readMember(archive, member, memberPath);
    if (data.isEmpty()) {
        ORNA_ERROR("ORNAZipFile", "extracting file failed " << memberPath);
        return false;
    }
    QString targetPath = target;
    if (targetPath.isEmpty()) {
        if (!ORNAUtils::makePath(directoryToCreate(memberPath))) {
            ORNA_ERROR("ORNAZipFile", "creating directory failed " << memberPath);
            return false;
        }
        targetPath = memberPath;
    }
    if (mode != ORNAZipOverwriteAlways && mode != ORNAZipOverwriteIfMissing &&
        mode != ORNAZipOverwriteIfOlder && mode != ORNAZipOverwriteIfDifferent &&
        mode != ORNAZipOverwriteAsk)
        return false;
    if (!shouldWrite(archive, member, targetPath, mode))
        return true;
    if (!writeTarget(data, memberPath, targetPath))
        return false;
    const time_t stored = localTime(member.date);
    if (stored != -1)
        ORNAUtils::setFileTimes(targetPath, stored, stored);
    return true;
}

bool ORNAZipFile::shouldWrite(ORNAZipArchive *archive, const ORNAZipMember &member,
                              const QString &target, ORNAZipOverwriteMode mode)
{
    const QFileInfo existing(target);
    if (mode == ORNAZipOverwriteAlways || !existing.exists())
        return true;
    const qint64 targetTime = existing.lastModified().toSecsSinceEpoch();
    const qint64 memberTime = member.date.isValid() ? member.date.toSecsSinceEpoch() : 0;
    switch (mode) {
    case ORNAZipOverwriteIfOlder:
        return targetTime < memberTime;
    case ORNAZipOverwriteIfDifferent:
        return targetTime != memberTime;
    case ORNAZipOverwriteAsk:
        return userConfirmsOverwrite(archive, target);
    default:
        return false;
    }
}

bool ORNAZipFile::userConfirmsOverwrite(ORNAZipArchive *archive, const QString &target)
{
    // Without a graphical application nobody can be asked, and nobody confirmed.
    const ORNAWidgetHooks &widgets = ORNAWidgetHooks::instance();
    return widgets.confirmOverwrite &&
           widgets.confirmOverwrite(target, archive ? archive->archivePath : QString());
}

bool ORNAZipFile::writeTarget(const QByteArray &data, const QString &memberPath,
                              const QString &target)
{
    QFile file(target);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        ORNA_ERROR("ORNAZipFile", "opening file for writing " << memberPath << " failed");
        return false;
    }
    // A short write (a full disk, say) must not pass for a complete file.
    const bool written = file.write(data) == data.size() && file.flush();
    if (!written)
        ORNA_ERROR("ORNAZipFile", "writing file " << memberPath << " failed");
    file.close();
    return written;
}