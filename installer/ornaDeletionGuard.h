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

} // namespace ORNADeletionGuard

#endif // ORNADELETIONGUARD_H
