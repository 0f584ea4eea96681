#include "ornaTargetDirectory.h"

#include <QDir>
#include <QFileInfo>

namespace ORNATargetDirectory {

const char forceHint[] =
    "You can force the installation by passing the --force-prefix command line option.\n"
    "WARNING: The uninstaller will delete the installation directory completely.\n";

namespace {

// Where the path really leads: the longest existing part resolved by the file system (links
// and ".." alike), the missing rest cleaned lexically, as the directory creation will read it.
QString effectiveLocation(const QString &path)
{
    const QString absolute =
        QDir::isAbsolutePath(path) ? path : QDir::current().absoluteFilePath(path);
    QString existing = absolute;
    QString rest;
    while (!QFileInfo::exists(existing)) {
        const int slash = existing.lastIndexOf(QLatin1Char('/'));
        if (slash <= 0) {
            rest = existing.mid(1) + (rest.isEmpty() ? QString() : QLatin1Char('/') + rest);
            existing = QStringLiteral("/");
            break;
        }
        const QString name = existing.mid(slash + 1);
        rest = rest.isEmpty() ? name : name + QLatin1Char('/') + rest;
        existing.truncate(slash);
    }
    QString resolved = QFileInfo(existing).canonicalFilePath();
    if (resolved.isEmpty())
        resolved = QDir::cleanPath(existing);
    return QDir::cleanPath(rest.isEmpty() ? resolved : resolved + QLatin1Char('/') + rest);
}

QString canonicalOrClean(const QString &path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(path) : canonical;
}

bool isPreviousInstallation(const QString &directory)
{
    return QFileInfo::exists(directory + QStringLiteral("/Uninstaller/LinuxInstaller")) &&
           QFileInfo::exists(directory + QStringLiteral("/uninstall"));
}

bool hasVisibleEntries(const QString &directory)
{
    const QDir dir(directory);
    return !dir.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).isEmpty();
}

} // namespace

QList<Verdict> verdictsOf(const QString &directory)
{
    const QString target = effectiveLocation(directory);
    const auto refuseAs = [&target](const QString &special, const char *name) {
        return target == canonicalOrClean(special)
                   ? QStringLiteral("Error: Refusing to install in the %1 directory.\n\n")
                         .arg(QLatin1String(name))
                   : QString();
    };
    const bool full =
        QFileInfo(target).isDir() && hasVisibleEntries(target) && !isPreviousInstallation(target);
    return {
        {QStringLiteral("root directory"), refuseAs(QStringLiteral("/"), "root")},
        {QStringLiteral("home directory"), refuseAs(QDir::homePath(), "home")},
        {QStringLiteral("temporary directory"), refuseAs(QDir::tempPath(), "temporary")},
        {QStringLiteral("not empty"), full ? QStringLiteral("Error: The installation directory '") +
                                                 directory + QStringLiteral("' is not empty.\n\n")
                                           : QString()},
    };
}

QString refusalOf(const QString &directory)
{
    const QList<Verdict> verdicts = verdictsOf(directory);
    for (const Verdict &verdict : verdicts) {
        if (!verdict.refusal.isEmpty())
            return verdict.refusal;
    }
    return QString();
}

} // namespace ORNATargetDirectory
