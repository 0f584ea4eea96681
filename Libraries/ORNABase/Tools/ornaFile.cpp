#include "ornaFile.h"

#include "ornaLogging.h"
#include "ornaUtils.h"
#include "ornaZipFile.h"
#include "ornaZipMember.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString tooLarge()
{
    return QStringLiteral("larger than %1 MiB").arg(ORNAFile::maximumReadSize / (1024 * 1024));
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
            ORNAUtils::setFileTimes(target, status.st_atime, status.st_mtime);
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
