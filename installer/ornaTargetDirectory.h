#ifndef ORNATARGETDIRECTORY_H
#define ORNATARGETDIRECTORY_H

#include <QString>

// The rules that keep an installation out of directories the uninstaller must never delete.
// The engine applies them when it starts; the wizard's settings page applies the same rules
// before the user leaves it.
namespace ORNATargetDirectory {

// The hint that follows every refusal.
extern const char forceHint[];

// The first line of the refusal for the directory, or an empty text when it is acceptable.
QString refusalOf(const QString &directory);

} // namespace ORNATargetDirectory

#endif // ORNATARGETDIRECTORY_H
