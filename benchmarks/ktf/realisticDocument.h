#ifndef REALISTICDOCUMENT_H
#define REALISTICDOCUMENT_H

#include <QByteArray>
#include <QList>

// Writes a document shaped like real product settings: nested groups up to five levels deep,
// groups with values, quoted texts of several words, block comments (some not ASCII), numbered
// tag names from a vocabulary of a few thousand, and bare paths, URLs, versions and numbers.
// The same tree is written as KTF and as JSON, so that the reader can be set beside a JSON
// parser. Deterministic: every run writes the same documents.
class RealisticDocument
{
public:
    explicit RealisticDocument(int leaves);

    void generate();

    const QByteArray &ktf() const { return m_ktf; }
    const QByteArray &json() const { return m_json; }
    int leafCount() const { return m_leaves; }
    int groupCount() const { return m_groups; }
    int valuedGroupCount() const { return m_valuedGroups; }
    int commentCount() const { return m_comments; }

private:
    quint32 random();
    int below(int bound) { return int(random() % quint32(bound)); }
    const QByteArray &pick(const QList<QByteArray> &list) { return list.at(below(list.size())); }

    void writeGroup(int depth, bool first);
    void writeLeaf(int depth, bool first);
    void writeComment(int depth);
    void openJsonMember(int depth, bool first, const QByteArray &name);
    QByteArray value(bool *quoted);
    QByteArray words(int count);
    void indent(QByteArray &out, int depth);

    int m_target;
    int m_leaves = 0;
    int m_groups = 0;
    int m_valuedGroups = 0;
    int m_comments = 0;
    quint64 m_state = 0x2545F4914F6CDD1Dull;
    QList<QByteArray> m_names;
    QList<QByteArray> m_words;
    QList<QByteArray> m_foreignWords;
    QByteArray m_ktf;
    QByteArray m_json;
};

#endif // REALISTICDOCUMENT_H
