#ifndef ORNADELETIONGUARD_H
#define ORNADELETIONGUARD_H

#include <QString>

// Directories the uninstaller must never delete as a whole.
namespace ORNADeletionGuard {

// Why a directory is refused: the message box title and the text; both empty when allowed.
struct Refusal
{
    QString title;
    QString text;
    bool refused() const { return !text.isEmpty(); }
};

// The home directory (compared canonically), a relative path, the root and the temporary
// directory are refused.
Refusal refusalFor(const QString &directory);

// Refused unless the directory is an installation run by this very program: it holds the
// uninstall script and Uninstaller/LinuxInstaller, the same file as runningProgram.
Refusal installationRefusal(const QString &directory, const QString &runningProgram);

} // namespace ORNADeletionGuard

#endif // ORNADELETIONGUARD_H
