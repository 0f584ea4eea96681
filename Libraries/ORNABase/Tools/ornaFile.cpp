#include "ornaFile.h"

#include "ornaLogging.h"
#include "ornaUtils.h"
#include "ornaWidgetHooks.h"
#include "ornaZipRegistry.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

namespace {

// Member files are read in pieces, so a corrupt size field cannot demand a huge allocation.
const int readChunkSize = 65536;

QString tooLarge()
{
    return QStringLiteral("larger than %1 MiB").arg(ORNAFile::maximumReadSize / (1024 * 1024));
}

void setFileTimes(const QString &path, time_t accessTime, time_t modificationTime)
{
    struct utimbuf times;
    times.actime = accessTime;
    times.modtime = modificationTime;
    ::utime(QFile::encodeName(path).constData(), &times);
}

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

const char notRegular[] = "not a regular file";

// Refuses before the file is opened: opening a FIFO or a device alone may block or act on it.
// Opens without blocking and checks again what was opened, in case the path was swapped.
class RegularFile
{
public:
    RegularFile(const QString &path, ORNAFileContent &content)
    {
        const QByteArray name = QFile::encodeName(path);
        struct stat status;
        if (::stat(name.constData(), &status) != 0) {
            content.error = qt_error_string(errno);
            return;
        }
        if (!acceptable(status, content))
            return;
        m_descriptor = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (m_descriptor < 0) {
            content.error = qt_error_string(errno);
            return;
        }
        if (::fstat(m_descriptor, &status) != 0 || !acceptable(status, content)) {
            if (content.error.isEmpty())
                content.error = qt_error_string(errno);
            ::close(m_descriptor);
            m_descriptor = -1;
            return;
        }
        m_size = qint64(status.st_size);
    }
    ~RegularFile()
    {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
    }
    RegularFile(const RegularFile &) = delete;
    RegularFile &operator=(const RegularFile &) = delete;

    int descriptor() const { return m_descriptor; }
    qint64 size() const { return m_size; }

private:
    static bool acceptable(const struct stat &status, ORNAFileContent &content)
    {
        if (!S_ISREG(status.st_mode))
            content.error = QLatin1String(notRegular);
        else if (qint64(status.st_size) > ORNAFile::maximumReadSize)
            content.error = tooLarge();
        else
            return true;
        content.refused = true;
        return false;
    }

    int m_descriptor = -1;
    qint64 m_size = 0;
};

// Reads to the end, but never more than the size limit, even from a file that keeps growing.
bool readDescriptor(int descriptor, qint64 size, ORNAFileContent &content)
{
    QByteArray &data = content.data;
    data.resize(qsizetype(size) + 1);
    qsizetype used = 0;
    for (;;) {
        if (used == data.size()) {
            if (used > ORNAFile::maximumReadSize) {
                data.clear();
                content.error = tooLarge();
                content.refused = true;
                return false;
            }
            data.resize(qsizetype(qMin<qint64>(qint64(used) * 2, ORNAFile::maximumReadSize + 1)));
        }
        const ssize_t got = ::read(descriptor, data.data() + used, size_t(data.size() - used));
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            data.clear();
            content.error = qt_error_string(errno);
            return false;
        }
        used += got;
    }
    data.truncate(used);
    return true;
}

// Text mode drops every carriage return, as the toolkit's text-mode read does.
void dropCarriageReturns(QByteArray &data)
{
    char *begin = data.data();
    char *end = begin + data.size();
    char *found = static_cast<char *>(std::memchr(begin, '\r', size_t(end - begin)));
    if (!found)
        return;
    char *out = found;
    for (const char *in = found; in < end;) {
        const char *next = static_cast<const char *>(std::memchr(in, '\r', size_t(end - in)));
        const char *stop = next ? next : end;
        std::memmove(out, in, size_t(stop - in));
        out += stop - in;
        in = stop + (next ? 1 : 0);
    }
    data.truncate(out - begin);
}

} // namespace

bool ORNAFile::copyFile(const QString &source, const QString &target)
{
    if (!QFileInfo(source).isFile()) {
        if (const ORNAZipMember *member = ORNAZipFile::findMember(source))
            return ORNAZipFile::extractFile(member->archive, *member, source, target,
                                            ORNAZipOverwriteAlways);
        ORNA_WARNING("ORNAFile", "file doesnt exist: " << source);
        return false;
    }
    QFile sourceFile(source);
    QFile targetFile(target);
    if (targetFile.exists() && !targetFile.remove()) {
        ORNA_WARNING("ORNAFile", "Could not copy file "
                                     << source << " to " << target
                                     << ": could not remove existing target file: "
                                     << targetFile.errorString());
    } else if (sourceFile.copy(target)) {
        struct stat status;
        if (::stat(QFile::encodeName(source).constData(), &status) == 0)
            setFileTimes(target, status.st_atime, status.st_mtime);
        return true;
    }
    QString error = sourceFile.errorString();
    if (error.isEmpty())
        error = QStringLiteral("Unknown error");
    ORNA_WARNING("ORNAFile", "Could not copy file " << source << " to " << target << ": " << error);
    return false;
}

QByteArray ORNAFile::readFile(const QString &path, bool textMode)
{
    return readWholeFile(path, textMode).data;
}

ORNAFileContent ORNAFile::readWholeFile(const QString &path, bool textMode)
{
    ORNAFileContent content;
    if (const ORNAZipMember *member = ORNAZipFile::findMember(path)) {
        if (member->uncompressedSize > maximumReadSize) {
            content.error = tooLarge();
            content.refused = true;
            return content;
        }
        content.data = ORNAZipFile::readMember(member->archive, *member, path);
        if (!textMode || content.data.isEmpty())
            return content;
        // Latin-1 keeps every byte; only the line ends change.
        QBuffer buffer(&content.data);
        buffer.open(QIODevice::ReadOnly | QIODevice::Text);
        QTextStream stream(&buffer);
        stream.setEncoding(QStringConverter::Latin1);
        content.data = stream.readAll().toLatin1();
        return content;
    }
    const RegularFile file(path, content);
    if (file.descriptor() < 0)
        return content;
    if (!readDescriptor(file.descriptor(), file.size(), content))
        return content;
    if (textMode)
        dropCarriageReturns(content.data);
    return content;
}

QString ORNAFile::readProblem(const QString &path)
{
    if (ORNAZipFile::findMember(path))
        return QString();
    ORNAFileContent content;
    const RegularFile file(path, content);
    return content.error;
}

bool ORNAFile::fileExists(const QString &path)
{
    return ORNAZipFile::findMember(path) || QFileInfo::exists(path);
}

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
    if (result != UNZ_OK) {
        ORNA_ERROR("ORNAZipFile",
                   "error " << result << " with zipfile in unzGoToFilePos " << memberPath);
        return QByteArray();
    }
    result = unzOpenCurrentFile(archive->handle);
    if (result != UNZ_OK) {
        ORNA_ERROR("ORNAZipFile",
                   "error " << result << " with zipfile in unzOpenCurrentFile " << memberPath);
        return QByteArray();
    }
    QByteArray data;
    while (data.size() < member.uncompressedSize) {
        const int wanted = int(qMin<qint64>(readChunkSize, member.uncompressedSize - data.size()));
        const qsizetype start = data.size();
        data.resize(start + wanted);
        result = unzReadCurrentFile(archive->handle, data.data() + start, unsigned(wanted));
        if (result < 1) {
            ORNA_ERROR("ORNAZipFile",
                       "error " << result << " with zipfile in unzReadCurrentFile " << memberPath);
            unzCloseCurrentFile(archive->handle);
            return QByteArray();
        }
        data.truncate(start + result);
    }
    result = unzCloseCurrentFile(archive->handle);
    if (result != UNZ_OK) {
        ORNA_ERROR("ORNAZipFile",
                   "error " << result << " with zipfile in unzCloseCurrentFile " << memberPath);
        return QByteArray();
    }
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
        setFileTimes(targetPath, stored, stored);
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
