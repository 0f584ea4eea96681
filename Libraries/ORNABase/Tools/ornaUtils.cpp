#include "ornaUtils.h"

#include "ornaTreeRemoval.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <cstdlib>
#include <utime.h>

namespace ORNAUtils {

QString environmentVariable(const QString &name)
{
    const char *value = std::getenv(name.toLocal8Bit().constData());
    if (!value)
        return QString();
    QString text = QString::fromLocal8Bit(value);
    if (text.isNull())
        text = QLatin1String("");
    return text;
}

QString normalizePath(const QString &path)
{
    QString cleaned = QDir::cleanPath(path);
    cleaned.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return cleaned;
}

QString removeExtension(const QString &path)
{
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? path : path.left(dot);
}

QString directoryOfPath(const QString &path)
{
    const QString native = QDir::toNativeSeparators(path);
    const int slash = native.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? native : native.left(slash);
}

bool isTrueText(const QString &text)
{
    if (text.isEmpty())
        return false;
    // Built once; function-local statics are initialised thread-safely.
    static const QSet<QString> trueWords = {QStringLiteral("true"), QStringLiteral("yes"),
                                            QStringLiteral("1"), QStringLiteral("on")};
    return trueWords.contains(text.toLower());
}

bool makePath(const QString &path)
{
    const QStringList pieces = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString running = path.startsWith(QLatin1Char('/')) ? QStringLiteral("/") : QString();
    QDir current;
    for (const QString &piece : pieces) {
        running += piece + QLatin1Char('/');
        if (!QFileInfo::exists(running) && !current.mkdir(running))
            return false;
    }
    return true;
}

bool removeDirectoryRecursively(const QString &path)
{
    return ORNATreeRemoval(path).run();
}

void setFileTimes(const QString &path, time_t accessTime, time_t modificationTime)
{
    struct utimbuf times;
    times.actime = accessTime;
    times.modtime = modificationTime;
    ::utime(QFile::encodeName(path).constData(), &times);
}

} // namespace ORNAUtils
