#ifndef ORNAKTFVALUEEDITOR_H
#define ORNAKTFVALUEEDITOR_H

#include <QString>
#include <QStringList>

namespace ORNAKTF {

// Replaces the value of one entry in a KTF file, or adds the entry to its parent, leaving the
// rest of the text as it was. tagPath runs from the top level down to the entry; its elements
// are names, or name + "#" + value to pick one of several entries of that name. The file is
// replaced in one step: on failure it stays untouched and errorMessage says why.
bool setValueInFile(const QString &path, const QStringList &tagPath, const QString &newValue,
                    QString &errorMessage);

} // namespace ORNAKTF

#endif // ORNAKTFVALUEEDITOR_H
