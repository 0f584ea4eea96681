#include "ornaInstaller.h"

#include "ornaInstallationPlan.h"
#include "ornaTargetDirectory.h"
#include "ornaUnityLauncher.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QProcess>

#include <unistd.h>

namespace {

// The archive's header, where its commands are, lies before its payload.
const qint64 headerBytes = 65536;
const char planCase[] = "\n    --plan) plan_product ";

// What the archive tells about an installation into a directory (bash ARCHIVE --plan DIR TMP):
// its figures, the files it puts in place, and the errors of its own checks.
struct ArchivePlan
{
    bool known = false;
    QStringList values; // files, unpacked, needed, free, existing
    QStringList files;
    QStringList errors;
    bool fits = false;

    QString value(int index) const { return values.value(index); }
};

QStringList lines(const QByteArray &bytes)
{
    QStringList result = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    result.removeAll(QString());
    return result;
}

// Only an archive that knows --plan is asked: any other script could take the call for an
// installation and write into the directory.
bool knowsPlan(const QString &script)
{
    QFile file(script);
    return file.open(QIODevice::ReadOnly) && file.read(headerBytes).contains(planCase);
}

ArchivePlan readArchivePlan(const QString &script, const QString &directory,
                            const QString &tempDirectory)
{
    ArchivePlan plan;
    if (script.isEmpty() || tempDirectory.isEmpty() || !knowsPlan(script))
        return plan;
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(QStringLiteral("bash"),
                  {script, QStringLiteral("--plan"), directory, tempDirectory},
                  QIODevice::ReadOnly);
    if (!process.waitForFinished(-1))
        return plan;
    QStringList output = lines(process.readAllStandardOutput());
    const QStringList keys = {QStringLiteral("files="), QStringLiteral("unpacked="),
                              QStringLiteral("needed="), QStringLiteral("free="),
                              QStringLiteral("existing=")};
    for (const QString &key : keys) {
        if (output.isEmpty() || !output.first().startsWith(key))
            return plan;
        plan.values.append(output.takeFirst().mid(key.size()));
    }
    plan.known = true;
    plan.files = output;
    plan.files.sort();
    plan.errors = lines(process.readAllStandardError());
    plan.fits = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return plan;
}

// The installation creates the directory or writes into it: its nearest existing directory
// must let it. Notes the check; returns the error that would stop the installation.
QString writabilityError(ORNAInstallationPlan &plan, const QString &directory)
{
    QString existing = QDir::cleanPath(directory);
    while (!QFileInfo::exists(existing))
        existing = QFileInfo(existing).path();
    const bool writable = ::access(QFile::encodeName(existing).constData(), W_OK | X_OK) == 0;
    plan.note(QStringLiteral("Check \"writable\": ") +
              (writable ? QStringLiteral("passed") : QStringLiteral("refused")));
    if (writable)
        return QString();
    if (existing == QDir::cleanPath(directory))
        return QStringLiteral("Error: The installation directory '") + directory +
               QStringLiteral("' is not writable.");
    return ORNAInstaller::creationFailure(directory);
}

void planSpace(ORNAInstallationPlan &plan, const ArchivePlan &archive)
{
    if (!archive.known) {
        plan.note(QStringLiteral("Files: unknown (the archive script tells no figures)"));
        return;
    }
    plan.note(
        QStringLiteral("Files: %1, %2 bytes unpacked").arg(archive.value(0), archive.value(1)));
    const QString free = archive.value(3);
    plan.note(QStringLiteral("Space: %1 bytes needed, %2 free on the file system of %3")
                  .arg(archive.value(2),
                       free.isEmpty() ? QStringLiteral("unknown") : free + QStringLiteral(" bytes"),
                       archive.value(4)));
    const QStringList keys = {QStringLiteral("files"), QStringLiteral("unpackedBytes"),
                              QStringLiteral("neededBytes"), QStringLiteral("freeBytes")};
    for (int i = 0; i < keys.size(); ++i) {
        if (!archive.value(i).isEmpty())
            plan.set(keys.at(i), archive.value(i).toDouble());
    }
    for (const QString &error : archive.errors) {
        if (archive.fits)
            plan.warn(error);
        else
            plan.refuse(error);
    }
}

} // namespace

bool ORNAInstaller::planInstallation()
{
    ORNAInstallationPlan plan;
    plan.note(QStringLiteral("Dry run of the installation of ") + settings.productTitle +
              QStringLiteral(": nothing is written."));
    planTarget(plan);
    const bool previous = planPreviousInstallation(plan);
    const ArchivePlan archive = readArchivePlan(installScript, installDirectory, tempDirectory);
    planSpace(plan, archive);
    const QString uninstaller =
        settings.uninstallerEnabled ? installDirectory + QStringLiteral("/uninstall") : QString();
    plan.note(uninstaller.isEmpty()
                  ? QStringLiteral("Uninstaller: none (uninstallerEnabled is off)")
                  : QStringLiteral("Uninstaller: ") + uninstaller +
                        QStringLiteral(", with a copy of the installer in ") + installDirectory +
                        QStringLiteral("/Uninstaller/"));
    plan.set(QStringLiteral("uninstaller"), uninstaller);
    const QStringList *files = archive.known ? &archive.files : nullptr;
    planDesktopIntegration(plan, files, previous);
    planProductRun(plan, files);
    plan.write();
    return plan.proceeds();
}

void ORNAInstaller::planTarget(ORNAInstallationPlan &plan) const
{
    plan.note(QStringLiteral("Target directory: ") + installDirectory);
    plan.set(QStringLiteral("target"), installDirectory);
    QString refusal;
    if (checksTarget())
        refusal = planRules(plan);
    else
        plan.note(QStringLiteral("Checks of the target directory: none (") +
                  (forcePrefix ? QStringLiteral("--force-prefix")
                               : QStringLiteral("uninstallerEnabled is off")) +
                  QLatin1Char(')'));
    const QString unwritable = writabilityError(plan, installDirectory);
    if (!refusal.isEmpty())
        plan.refuse(refusal + QLatin1String(ORNATargetDirectory::forceHint));
    if (!unwritable.isEmpty())
        plan.refuse(unwritable);
}

QString ORNAInstaller::planRules(ORNAInstallationPlan &plan) const
{
    QJsonObject checks;
    QString refusal;
    const QList<ORNATargetDirectory::Verdict> verdicts =
        ORNATargetDirectory::verdictsOf(installDirectory);
    for (const ORNATargetDirectory::Verdict &verdict : verdicts) {
        const QString result =
            verdict.refusal.isEmpty() ? QStringLiteral("passed") : QStringLiteral("refused");
        plan.note(QStringLiteral("Check \"") + verdict.rule + QStringLiteral("\": ") + result);
        checks.insert(verdict.rule, result);
        if (refusal.isEmpty())
            refusal = verdict.refusal;
    }
    plan.set(QStringLiteral("checks"), checks);
    return refusal;
}

bool ORNAInstaller::planPreviousInstallation(ORNAInstallationPlan &plan) const
{
    if (!QFileInfo::exists(installDirectory + QStringLiteral("/uninstall"))) {
        plan.note(QStringLiteral("Previous installation: none"));
        return false;
    }
    if (!settings.uninstallerEnabled) {
        plan.note(
            QStringLiteral("Previous installation: left as it is (uninstallerEnabled is off)"));
        return false;
    }
    plan.command(QStringLiteral("Previous installation: removed first by its uninstaller"),
                 previousUninstallerCommand(installDirectory));
    return true;
}

void ORNAInstaller::planDesktopIntegration(ORNAInstallationPlan &plan,
                                           const QStringList *productFiles, bool freshTree) const
{
    if (!createDesktopFiles) {
        plan.note(QStringLiteral("Desktop integration: none (--no-desktop-files)"));
        return;
    }
    for (const QString &file : productFiles ? *productFiles : QStringList()) {
        const QString size = ORNADesktopRegistration::iconSize(file);
        const QString path = installDirectory + QLatin1Char('/') + file;
        if (!size.isEmpty())
            plan.command(QStringLiteral("Icon (size ") + size + QStringLiteral("): ") + path,
                         ORNADesktopRegistration::iconCommand(path, size));
    }
    const ORNADesktopRegistration registration = desktopRegistration(freshTree);
    QString favorites;
    if (!ORNAUnityLauncher::readFavorites(favorites))
        favorites.clear();
    const QList<ORNADesktopFile> shortcuts = registration.entries(false);
    for (const ORNADesktopFile &shortcut : shortcuts) {
        plan.command(QStringLiteral("Desktop shortcut \"") + shortcut.name +
                         QStringLiteral("\": ") + shortcut.path,
                     ORNADesktopRegistration::shortcutCommand(shortcut.path));
        if (shortcut.favourite)
            planFavorite(plan, shortcut.path, favorites);
    }
    QStringList menuFiles;
    const QList<ORNADesktopFile> menuEntries = registration.entries(true);
    for (const ORNADesktopFile &entry : menuEntries) {
        plan.note(QStringLiteral("Menu entry \"") + entry.name + QStringLiteral("\": ") +
                  entry.path);
        menuFiles.append(entry.path);
    }
    if (menuFiles.isEmpty())
        return;
    const ORNADesktopFile submenu = registration.menuDirectory();
    plan.command(QStringLiteral("Submenu \"") + submenu.name + QStringLiteral("\": ") +
                     submenu.path,
                 ORNADesktopRegistration::menuCommand(desktopEntriesDirectory(),
                                                      QStringList{submenu.path} + menuFiles));
}

// Each favourite extends the list the one before has written.
void ORNAInstaller::planFavorite(ORNAInstallationPlan &plan, const QString &file,
                                 QString &favorites) const
{
    const QString extended = ORNAUnityLauncher::appendedList(favorites, file);
    if (extended.isEmpty()) {
        plan.note(QStringLiteral("Launcher favourite: none (no Unity launcher settings to add ") +
                  file + QStringLiteral(" to)"));
        return;
    }
    favorites = extended;
    plan.command(QStringLiteral("Launcher favourite: ") + file,
                 ORNAUnityLauncher::writeCommand(extended));
}

void ORNAInstaller::planProductRun(ORNAInstallationPlan &plan,
                                   const QStringList *productFiles) const
{
    if (!settings.runHalvaronInstall) {
        plan.note(QStringLiteral("Program run after installation: none"));
        return;
    }
    const ORNAToolCommand product = productRunCommand();
    if (productFiles && !productFiles->contains(QStringLiteral("bin/Halvaron"))) {
        plan.warn(missingProduct(product.program));
        return;
    }
    plan.command(QStringLiteral("Program run after installation:"), product);
}
