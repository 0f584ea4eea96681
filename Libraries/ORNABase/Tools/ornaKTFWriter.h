#ifndef ORNAKTFWRITER_H
#define ORNAKTFWRITER_H

#include <QString>

class ORNATree;
class QTextStream;

// Turning trees back into KTF text, and comparing trees.
namespace ORNAKTF {

// Writes the children of tree (not the tree itself), optionally after the "// KTF v1" header.
void write(const ORNATree *tree, QTextStream &stream, bool withHeader);

// The text of write(tree, stream, false).
QString toString(const ORNATree *tree);

// The text as the reader reads it back: bare when possible, else in "..." or "*...*".
QString quoteIfNeeded(const QString &text);

// True when both subtrees have equal names, values and children; with report, every
// difference is logged as a semantic error at both nodes.
bool equals(const ORNATree *a, const ORNATree *b, bool report);

} // namespace ORNAKTF

#endif // ORNAKTFWRITER_H
