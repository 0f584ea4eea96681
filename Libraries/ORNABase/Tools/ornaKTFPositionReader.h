#ifndef ORNAKTFPOSITIONREADER_H
#define ORNAKTFPOSITIONREADER_H

#include <QHash>
#include <QString>

class ORNATree;

// Where a node's parts stand in its file. Lines are absolute (counted from the base line),
// columns are byte offsets within their line.
struct ORNAKTFPosition
{
    int tagColumn = -1;
    int valueColumn = -1;
    int valueLength = 0;
    int openBraceLine = -1;
    int openBraceColumn = 0;
    int closeBraceLine = -1;
    int closeBraceColumn = 0;
    // Beyond the record of the format: the tag token's length, and where a value token ends
    // (its last line and the column after it), for values that span lines.
    int tagLength = 0;
    int valueEndLine = -1;
    int valueEndColumn = -1;
};

// A simple KTF reader that keeps comments as comment nodes and can record token positions.
// No directives, no variable expansion and no "Tag Value {" form.
class ORNAKTFPositionReader
{
public:
    // The returned root carries one reference for the caller; null on failure.
    ORNATree *read(const QString &path);
    ORNATree *readText(const QString &text, int baseLine = 1);

    QString errorString() const { return m_error; }
    void setRecording(bool recording) { m_recording = recording; }
    bool isRecording() const { return m_recording; }
    bool hasPosition(const ORNATree *node) const { return m_positions.contains(node); }
    ORNAKTFPosition position(const ORNATree *node) const { return m_positions.value(node); }

private:
    QString m_error;
    int m_baseLine = 1;
    QHash<const ORNATree *, ORNAKTFPosition> m_positions;
    bool m_recording = false;
};

#endif // ORNAKTFPOSITIONREADER_H
