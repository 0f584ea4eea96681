#include "ornaInstaller.h"

#include "ornaFile.h"
#include "ornaUtils.h"
#include "pages/ornaInstallDirectoryPage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Starts the uninstaller copy from wherever the installation now lies; passes its own
// arguments on, so a caller can add "--mode console".
const char uninstallScript[] =
    "#!/usr/bin/env bash\n"
    "THIS_DIR=`dirname \"$0\"`\n"
    "export LD_LIBRARY_PATH=\"$THIS_DIR/Uninstaller\"\n"
    "\"$THIS_DIR/Uninstaller/LinuxInstaller\" --uninstall --settings-file "
    "\"$THIS_DIR/Uninstaller/installer.settings\" $@\n";

// An installer unpacked into the temporary directory is deleted after this run: its files can
// become the uninstaller's by a second name instead of a copy (tens of megabytes with the
// bundled libraries). Anywhere else, or across file systems, the file is copied, so that a
// later change of the source never reaches the installed tree.
bool placeUninstallerFile(const QString &source, const QString &target, bool mayLink)
{
    if (mayLink &&
        ::link(QFile::encodeName(source).constData(), QFile::encodeName(target).constData()) == 0)
        return true;
    return ORNAFile::copyFile(source, target);
}

bool liesBelow(const QString &path, const QString &directory)
{
    if (directory.isEmpty())
        return false;
    const QString base = QFileInfo(directory).canonicalFilePath();
    return !base.isEmpty() &&
           QFileInfo(path).canonicalFilePath().startsWith(base + QLatin1Char('/'));
}

// Opens the file for writing without ever writing through a link in its place (planted by
// the product, it could lead anywhere): such a link is removed and a new file written.
int openWithoutFollowing(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    const int flags = O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC;
    int descriptor = ::open(name.constData(), flags, 0666);
    if (descriptor < 0 && errno == ELOOP && ::unlink(name.constData()) == 0)
        descriptor = ::open(name.constData(), flags, 0666);
    return descriptor;
}

// A file whose permissions we may change: no link, and inside the installation directory.
bool isOwnFile(const QString &path, const QString &installDirectory)
{
    const QFileInfo file(path);
    const QString root = QFileInfo(installDirectory).canonicalFilePath();
    return !file.isSymLink() && !root.isEmpty() &&
           file.canonicalFilePath().startsWith(root + QLatin1Char('/'));
}

} // namespace

bool ORNAInstaller::makeOwnDirectory(const QString &path)
{
    const QString directory = QDir::cleanPath(path);
    if (QFileInfo(directory).isSymLink() && !QFile::remove(directory))
        return false;
    return QFileInfo(directory).isDir() || ORNAUtils::makePath(directory);
}

bool ORNAInstaller::addExecutePermission(const QString &path)
{
    return QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner |
                                           QFileDevice::ExeGroup);
}

bool ORNAInstaller::writeInstalledFile(const QString &path, const QByteArray &content,
                                       bool executable, const QString &openErrorPrefix)
{
    const int descriptor = openWithoutFollowing(path);
    QFile file;
    if (descriptor < 0) {
        logError(openErrorPrefix + path + QStringLiteral(": ") +
                 QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    file.open(descriptor, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle);
    // A short write (a full disk) must not pass for a written file.
    if (file.write(content) != content.size() || !file.flush()) {
        logError(QStringLiteral("Error: Failed to write ") + path + QStringLiteral(": ") +
                 file.errorString());
        return false;
    }
    if (executable)
        addExecutePermission(path);
    file.close();
    return true;
}

bool ORNAInstaller::finishSteps()
{
    return createUninstallerIfEnabled() && finishInstalledTree();
}

bool ORNAInstaller::finishInstalledTree()
{
    bool shortcuts = createDesktopFiles;
    bool menuEntries = createDesktopFiles;
    if (wizard && installDirectoryPage) {
        shortcuts = installDirectoryPage->createDesktopShortcuts();
        menuEntries = installDirectoryPage->createMenuEntries();
    }
    bool finished = false;
    runWork([&] { finished = finishInstalledTree(shortcuts, menuEntries); });
    return finished;
}

bool ORNAInstaller::finishInstalledTree(bool shortcuts, bool menuEntries)
{
    if (shortcuts || menuEntries) {
        logMessage(QStringLiteral("Installing icons..."));
        installIcons();
        createDesktopEntries(false, shortcuts, menuEntries);
        if (menuEntries)
            createDesktopEntries(true, true, false);
    }

    const QString starter = installDirectory + QStringLiteral("/bin/linuxStarter.py");
    const bool starterPresent = QFileInfo::exists(starter) || QFileInfo(starter).isSymLink();
    if (starterPresent && !isOwnFile(starter, installDirectory)) {
        logMessage(QStringLiteral("Warning: ") + starter +
                   QStringLiteral(" is a symbolic link or lies outside the installation "
                                  "directory; its permissions are left as they are."));
    } else if (starterPresent && !addExecutePermission(starter)) {
        logError(QStringLiteral("Error: Could not change permissions of ") + starter);
        return false;
    }

    if (settings.runHalvaronInstall) {
        const ORNAToolCommand product = productRunCommand();
        if (QFileInfo::exists(product.program))
            runCommand(product);
        else
            logError(missingProduct(product.program));
    }
    return true;
}

QString ORNAInstaller::missingProduct(const QString &program)
{
    return QStringLiteral("Error: cannot finish installation, because ") + program +
           QStringLiteral(" does not exist.");
}

ORNAToolCommand ORNAInstaller::productRunCommand() const
{
    return {installDirectory + QStringLiteral("/bin/Halvaron"),
            {QStringLiteral("-install"), QStringLiteral("-scan"), QStringLiteral("-ignoreprefs")},
            QString()};
}

bool ORNAInstaller::createUninstaller()
{
    const QString uninstallerDirectory = installDirectory + QStringLiteral("/Uninstaller");
    if (!makeOwnDirectory(uninstallerDirectory)) {
        logError(QStringLiteral("Error: Failed to create ") + uninstallerDirectory);
        return false;
    }
    if (verbose)
        logMessage(QStringLiteral("Copying files from ") + applicationDirectory +
                   QStringLiteral(" to ") + uninstallerDirectory);

    const bool mayLink = liesBelow(applicationDirectory, tempDirectory);
    const QFileInfoList entries =
        QDir(applicationDirectory)
            .entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QFileInfo &entry : entries) {
        if (!entry.isFile())
            continue;
        const QString target = uninstallerDirectory + QLatin1Char('/') + entry.fileName();
        if (QFileInfo::exists(target) || QFileInfo(target).isSymLink())
            continue;
        const QString source = entry.absoluteFilePath();
        if (!placeUninstallerFile(source, target, mayLink)) {
            logError(QStringLiteral("Error: Failed to copy ") + source + QStringLiteral(" to ") +
                     target);
            return false;
        }
        QFile::setPermissions(target, entry.permissions());
        if (verbose)
            logMessage(source + QStringLiteral(" -> ") + target);
    }

    const QString scriptPath = installDirectory + QStringLiteral("/uninstall");
    if (!writeInstalledFile(scriptPath, QByteArray(uninstallScript), true,
                            QStringLiteral("Error: Failed to open uninstall file for writing: ")))
        return false;
    if (verbose)
        logMessage(QStringLiteral("Wrote ") + scriptPath);
    return true;
}
