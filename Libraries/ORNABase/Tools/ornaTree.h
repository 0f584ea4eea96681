#ifndef ORNATREE_H
#define ORNATREE_H

#include "ornaTreeText.h"

#include <QString>

#include <utility>
#include <vector>

// One node of a KTF document: interned tag name, value, ordered children and source position.
// Nodes are shared by an intrusive, non-atomic reference count; a fresh node has count 0.
class ORNATree
{
public:
    enum MatchMode
    {
        ByName = 1,
        ByValue = 2,
        ByNameAndValue = 3,
    };
    enum Flag : quint8
    {
        BeingDestroyed = 0x04,
        CommentNode = 0x10,
    };

    ORNATree(const QString &name, const QString &value = QString(),
             const QString &sourceFile = QString(), int line = 0);
    // For readers that intern names and files themselves: internedName must come from
    // internName(), internedFile from internFile().
    ORNATree(const QString *internedName, ORNATreeText value, const QString *internedFile, int line)
        : m_name(internedName), m_value(std::move(value)), m_sourceFile(internedFile), m_line(line)
    {}
    ORNATree(const ORNATree &) = delete;
    // Nodes are carved from blocks of cells that go back to the heap with their last node:
    // documents have many of them.
    static void *operator new(size_t size);
    static void operator delete(void *cell, size_t size);
    ORNATree &operator=(const ORNATree &) = delete;

    void ref()
    {
        if (m_refCount < 0)
            reportZombie();
        ++m_refCount;
    }
    void unref();
    int refCount() const { return m_refCount; }

    int childCount() const { return int(m_childCount); }
    ORNATree *child(int index) const { return m_children[index]; }
    bool appendChild(ORNATree *node)
    {
        node->ref();
        if (!m_children || m_childCount >= (quint32(1) << m_childCapacityShift))
            reserveChildren(m_childCount + 1);
        m_children[m_childCount++] = node;
        return true;
    }
    void insertChild(ORNATree *node, ORNATree *before);
    ORNATree *addChild(const QString &name, const QString &value = QString());
    void removeAllChildren();

    const QString &name() const { return *m_name; }
    QString value() const { return m_value.toString(); }
    // The value without making a string of it.
    QStringView valueView() const { return m_value.view(); }
    void setValue(const QString &value) { m_value = ORNATreeText(value); }
    const QString &sourceFile() const { return *m_sourceFile; }
    int line() const { return m_line; }
    int valueLineOffset() const { return m_valueLineOffset; }
    // Clamped to the 16-bit field: a value thousands of lines below its tag keeps the maximum.
    void setValueLineOffset(int offset) { m_valueLineOffset = quint16(qBound(0, offset, 0xFFFF)); }
    quint8 flags() const { return m_flags; }
    bool isComment() const { return m_flags & CommentNode; }
    void setComment(bool comment);

    int toInt(bool *ok = nullptr) const { return valueView().toInt(ok, 10); }
    ulong toULong(bool *ok = nullptr) const { return valueView().toULong(ok, 10); }
    float toFloat(bool *ok = nullptr) const { return valueView().toFloat(ok); }
    double toDouble(bool *ok = nullptr) const { return valueView().toDouble(ok); }
    bool toBool() const;

    ORNATree *findChild(const QString &name) const;
    ORNATree *findChildMatching(const QString &name, const QString &value, int mode = ByName,
                                Qt::CaseSensitivity cs = Qt::CaseSensitive) const;
    ORNATree *findDescendant(const QString &name, const QString &value, int mode = ByName,
                             Qt::CaseSensitivity cs = Qt::CaseSensitive) const;
    int descendantCount() const;

    ORNATree *clone() const;
    void merge(ORNATree *source);

    // The process-wide tag-name table. Interned names live until the process ends.
    static const QString *internName(const QString &name);
    static const QString *lookupName(const QString &name);
    static const QString *emptyName();
    // Source paths are shared the same way: few files, many nodes.
    static const QString *internFile(const QString &path);

private:
    ~ORNATree() = default;
    static void reportZombie();
    static void destroy(ORNATree *top);
    static void release(ORNATree *node, std::vector<ORNATree *> &dying);
    struct ChildRange
    {
        ORNATree *const *first;
        ORNATree *const *last;
        ORNATree *const *begin() const { return first; }
        ORNATree *const *end() const { return last; }
    };
    ChildRange children() const { return {m_children, m_children + m_childCount}; }
    void reserveChildren(quint32 count);
    // findChildMatching() for a value that is only viewed, as merge() compares node values.
    ORNATree *firstMatch(const QString &name, QStringView value, int mode,
                         Qt::CaseSensitivity cs) const;
    bool matches(const ORNATree *node, const QString &name, QStringView value, int mode,
                 Qt::CaseSensitivity cs) const;

    // One allocation per parent; its capacity, a power of two from 8 on, is kept as an exponent
    // so that the node stays 56 bytes.
    ORNATree **m_children = nullptr;
    const QString *m_name;
    ORNATreeText m_value;
    const QString *m_sourceFile;
    qint32 m_line;
    qint32 m_refCount = 0;
    quint32 m_childCount = 0;
    quint16 m_valueLineOffset = 0;
    quint8 m_flags = 0;
    quint8 m_childCapacityShift = 0;
};

#endif // ORNATREE_H
