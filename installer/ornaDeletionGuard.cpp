#include "ornaDeletionGuard.h"

#include <QDir>
#include <QFileInfo>

namespace ORNADeletionGuard {

namespace {

bool sameDirectory(const QString &canonicalPath, const QString &other)
{
    return !canonicalPath.isEmpty() && canonicalPath == QFileInfo(other).canonicalFilePath();
}

Refusal refusal(const QString &title, const QString &reason)
{
    return {title, QStringLiteral("Refusing to delete the installation directory") + reason +
                       QStringLiteral(". Please delete the directory yourself.")};
}

} // namespace

Refusal refusalFor(const QString &directory)
{
    const QString canonicalPath = QFileInfo(directory).canonicalFilePath();
    if (sameDirectory(canonicalPath, QDir::homePath()))
        return refusal(QStringLiteral("Refusing to delete the installation directory"),
                       QStringLiteral(", because it is the home directory"));
    if (QDir::isRelativePath(directory))
        return refusal(QStringLiteral("Refusing to delete a relative installation directory"),
                       QString());
    if (sameDirectory(canonicalPath, QDir::rootPath()))
        return refusal(QStringLiteral("Refusing to delete the root directory"),
                       QStringLiteral(", because it is the root directory"));
    if (sameDirectory(canonicalPath, QDir::tempPath()))
        return refusal(QStringLiteral("Refusing to delete the temporary directory"),
                       QStringLiteral(", because it is the temporary directory"));
    return {};
}

} // namespace ORNADeletionGuard
