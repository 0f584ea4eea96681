#ifndef ORNATARGETDIRECTORY_H
#define ORNATARGETDIRECTORY_H

#include <QList>
#include <QString>

// The rules that keep an installation out of directories the uninstaller must never delete.
// The engine applies them when it starts; the wizard's settings page applies the same rules
// before the user leaves it.
namespace ORNATargetDirectory {

// The hint that follows every refusal.
extern const char forceHint[];

// The first line of the refusal for the directory, or an empty text when it is acceptable.
QString refusalOf(const QString &directory);

// One rule's verdict on a directory: the rule's name and the first line of its refusal, empty
// when the rule lets the directory pass.
struct Verdict
{
    QString rule;
    QString refusal;
};

// Every rule's verdict, in the order in which refusalOf applies them.
QList<Verdict> verdictsOf(const QString &directory);

} // namespace ORNATargetDirectory

#endif // ORNATARGETDIRECTORY_H
