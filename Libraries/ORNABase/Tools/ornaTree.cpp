#include "ornaTree.h"

#include "ornaLogging.h"
#include "ornaUtils.h"

#include <QHash>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

struct NameTable
{
    NameTable() { names.reserve(8000); }
    QHash<QString, const QString *> names;
};

NameTable &nameTable()
{
    // Never destroyed: interned names must outlive every tree, also at process exit.
    static NameTable *table = new NameTable;
    return *table;
}

const QString *sharedEmptyName()
{
    static const QString *empty = new QString;
    return empty;
}

#ifndef ORNA_SEPARATE_ALLOCATIONS
// Nodes are carved in address order from blocks, and each block counts its live nodes. Reading
// a document so writes fresh memory in order instead of chasing a free list scattered by earlier
// trees, and a block goes back to the heap with its last node. Each cell starts with a pointer to
// its block. Like the trees themselves, the pool belongs to one thread.
class NodePool
{
public:
    void *take()
    {
        if (m_next == m_end)
            startBlock();
        ++m_current->live;
        Cell *cell = reinterpret_cast<Cell *>(std::exchange(m_next, m_next + sizeof(Cell)));
        cell->block = m_current;
        return cell->node;
    }
    void give(void *node)
    {
        Cell *cell = reinterpret_cast<Cell *>(static_cast<char *>(node) - offsetof(Cell, node));
        Block *block = cell->block;
        if (--block->live != 0)
            return;
        if (block == m_current)
            m_next = firstCell(block);
        else
            std::free(block);
    }

private:
    struct Block
    {
        size_t live;
    };
    // A cell is one cache line: the block pointer and the node.
    struct alignas(64) Cell
    {
        Block *block;
        alignas(ORNATree) char node[sizeof(ORNATree)];
    };
    static_assert(sizeof(Cell) == 64, "a node with its block pointer fills one cache line");
    // Below the heap's threshold for mapping memory, so that blocks freed by one tree are
    // reused by the next one.
    static constexpr size_t BlockBytes = 64 * 1024 - 64;
    static constexpr size_t CellsPerBlock = (BlockBytes - sizeof(Block)) / sizeof(Cell) - 1;

    static char *firstCell(Block *block)
    {
        const quintptr after = reinterpret_cast<quintptr>(block + 1);
        return reinterpret_cast<char *>((after + alignof(Cell) - 1) & ~quintptr(alignof(Cell) - 1));
    }
    void startBlock()
    {
        // The full block left behind is freed by give() when its last node dies.
        void *memory = std::malloc(BlockBytes);
        if (!memory)
            qBadAlloc();
        m_current = static_cast<Block *>(memory);
        m_current->live = 0;
        m_next = firstCell(m_current);
        m_end = m_next + CellsPerBlock * sizeof(Cell);
    }

    Block *m_current = nullptr;
    char *m_next = nullptr;
    char *m_end = nullptr;
};

NodePool &nodePool()
{
    static NodePool *pool = new NodePool;
    return *pool;
}
#endif

} // namespace

void *ORNATree::operator new(size_t size)
{
#ifndef ORNA_SEPARATE_ALLOCATIONS
    if (size == sizeof(ORNATree))
        return nodePool().take();
#endif
    return ::operator new(size);
}

void ORNATree::operator delete(void *cell, [[maybe_unused]] size_t size)
{
#ifndef ORNA_SEPARATE_ALLOCATIONS
    if (size == sizeof(ORNATree))
        return nodePool().give(cell);
#endif
    ::operator delete(cell);
}

const QString *ORNATree::emptyName()
{
    return sharedEmptyName();
}

const QString *ORNATree::internName(const QString &name)
{
    if (name.isEmpty())
        return sharedEmptyName();
    QHash<QString, const QString *> &names = nameTable().names;
    auto it = names.constFind(name);
    if (it != names.constEnd())
        return it.value();
    const QString *interned = new QString(name);
    names.insert(name, interned);
    return interned;
}

const QString *ORNATree::internFile(const QString &path)
{
    if (path.isEmpty())
        return sharedEmptyName();
    static QHash<QString, const QString *> *files = new QHash<QString, const QString *>;
    auto it = files->constFind(path);
    if (it != files->constEnd())
        return it.value();
    const QString *interned = new QString(path);
    files->insert(path, interned);
    return interned;
}

const QString *ORNATree::lookupName(const QString &name)
{
    if (name.isEmpty())
        return sharedEmptyName();
    const QHash<QString, const QString *> &names = nameTable().names;
    auto it = names.constFind(name);
    return it != names.constEnd() ? it.value() : &name;
}

ORNATree::ORNATree(const QString &name, const QString &value, const QString &sourceFile, int line)
    : m_name(internName(name)), m_value(value), m_sourceFile(internFile(sourceFile)), m_line(line)
{}

void ORNATree::reportZombie()
{
    ORNA_ERROR("ORNATree", "zombie ORNATree refed!");
}

void ORNATree::unref()
{
    if (--m_refCount == 0)
        destroy(this);
    else if (m_refCount < 0)
        ORNA_ERROR("ORNATree", "deleted ORNATree unrefed!");
}

// Releases one reference held by a dying parent; a node that loses its last one joins the dying.
void ORNATree::release(ORNATree *node, std::vector<ORNATree *> &dying)
{
    if (--node->m_refCount == 0) {
        node->m_flags |= BeingDestroyed;
        dying.push_back(node);
    } else if (node->m_refCount < 0) {
        ORNA_ERROR("ORNATree", "deleted ORNATree unrefed!");
    }
}

// Destroys a subtree without recursion, so that any depth fits; the order of releases is the
// depth-first order a recursive release would have.
void ORNATree::destroy(ORNATree *top)
{
    top->m_flags |= BeingDestroyed;
    std::vector<ORNATree *> dying{top};
    std::vector<int> nextChild{0};
    while (!dying.empty()) {
        ORNATree *node = dying.back();
        int &index = nextChild.back();
        if (index < node->childCount()) {
            ORNATree *child = node->child(index++);
            const size_t before = dying.size();
            release(child, dying);
            if (dying.size() != before)
                nextChild.push_back(0);
            continue;
        }
        dying.pop_back();
        nextChild.pop_back();
        std::free(node->m_children);
        delete node;
    }
}

// Makes room for count children: the array starts at 8 and doubles.
void ORNATree::reserveChildren(quint32 count)
{
    if (m_children && count <= (quint32(1) << m_childCapacityShift))
        return;
    quint8 shift = m_children ? quint8(m_childCapacityShift + 1) : quint8(3);
    while ((quint32(1) << shift) < count)
        ++shift;
    void *grown = std::realloc(m_children, sizeof(ORNATree *) << shift);
    if (!grown)
        qBadAlloc();
    m_children = static_cast<ORNATree **>(grown);
    m_childCapacityShift = shift;
}

void ORNATree::insertChild(ORNATree *node, ORNATree *before)
{
    if (before) {
        for (quint32 i = m_childCount; i-- > 0;) {
            if (m_children[i] == before) {
                node->ref();
                reserveChildren(m_childCount + 1);
                std::memmove(m_children + i + 1, m_children + i,
                             (m_childCount - i) * sizeof(ORNATree *));
                m_children[i] = node;
                ++m_childCount;
                return;
            }
        }
    }
    appendChild(node);
}

ORNATree *ORNATree::addChild(const QString &name, const QString &value)
{
    ORNATree *node = new ORNATree(name, value);
    appendChild(node);
    return node;
}

void ORNATree::removeAllChildren()
{
    ORNATree **children = std::exchange(m_children, nullptr);
    const quint32 count = std::exchange(m_childCount, 0);
    m_childCapacityShift = 0;
    for (quint32 i = 0; i < count; ++i)
        children[i]->unref();
    std::free(children);
}

void ORNATree::setComment(bool comment)
{
    if (comment)
        m_flags |= CommentNode;
    else
        m_flags &= quint8(~CommentNode);
}

bool ORNATree::toBool() const
{
    return ORNAUtils::isTrueText(value());
}

ORNATree *ORNATree::findChild(const QString &name) const
{
    const QString *interned = lookupName(name);
    const qsizetype length = name.size();
    for (ORNATree *child : children()) {
        if (child->m_name == interned)
            return child;
        if (child->m_name->size() == length && *child->m_name == name)
            return child;
    }
    return nullptr;
}

bool ORNATree::matches(const ORNATree *node, const QString &name, QStringView value, int mode,
                       Qt::CaseSensitivity cs) const
{
    switch (mode) {
    case ByName:
        return node->name().compare(name, cs) == 0;
    case ByValue:
        return node->valueView() == value;
    case ByNameAndValue:
        return node->name().compare(name, cs) == 0 && node->valueView() == value;
    default:
        return false;
    }
}

ORNATree *ORNATree::findChildMatching(const QString &name, const QString &value, int mode,
                                      Qt::CaseSensitivity cs) const
{
    return firstMatch(name, value, mode, cs);
}

ORNATree *ORNATree::firstMatch(const QString &name, QStringView value, int mode,
                               Qt::CaseSensitivity cs) const
{
    for (ORNATree *child : children()) {
        if (matches(child, name, value, mode, cs))
            return child;
    }
    return nullptr;
}

ORNATree *ORNATree::findDescendant(const QString &name, const QString &value, int mode,
                                   Qt::CaseSensitivity cs) const
{
    // Each visited node is searched among its children, in depth-first order.
    std::vector<std::pair<const ORNATree *, int>> stack;
    const ORNATree *visit = this;
    for (;;) {
        if (visit) {
            if (ORNATree *hit = visit->findChildMatching(name, value, mode, cs))
                return hit;
            stack.emplace_back(visit, 0);
            visit = nullptr;
        }
        if (stack.empty())
            return nullptr;
        auto &[node, index] = stack.back();
        if (index < node->childCount())
            visit = node->child(index++);
        else
            stack.pop_back();
    }
}

int ORNATree::descendantCount() const
{
    int count = 0;
    std::vector<const ORNATree *> pending{this};
    while (!pending.empty()) {
        const ORNATree *node = pending.back();
        pending.pop_back();
        count += node->childCount();
        for (int i = 0; i < node->childCount(); ++i)
            pending.push_back(node->child(i));
    }
    return count;
}

ORNATree *ORNATree::clone() const
{
    ORNATree *copy = new ORNATree(m_name, m_value, m_sourceFile, m_line);
    std::vector<std::pair<const ORNATree *, ORNATree *>> pending{{this, copy}};
    while (!pending.empty()) {
        auto [source, target] = pending.back();
        pending.pop_back();
        for (int i = 0; i < source->childCount(); ++i) {
            const ORNATree *child = source->child(i);
            ORNATree *childCopy =
                new ORNATree(child->m_name, child->m_value, child->m_sourceFile, child->m_line);
            target->appendChild(childCopy);
            pending.emplace_back(child, childCopy);
        }
    }
    return copy;
}

void ORNATree::merge(ORNATree *source)
{
    struct Frame
    {
        ORNATree *target;
        ORNATree *source;
        int index;
    };
    if (source == this)
        return;
    std::vector<Frame> stack{{this, source, 0}};
    while (!stack.empty()) {
        Frame &frame = stack.back();
        if (frame.index >= frame.source->childCount()) {
            stack.pop_back();
            continue;
        }
        ORNATree *child = frame.source->child(frame.index++);
        ORNATree *target = frame.target;
        ORNATree *same = target->firstMatch(child->name(), child->valueView(), ByNameAndValue,
                                            Qt::CaseInsensitive);
        if (!same)
            target->appendChild(child);
        else if (same != child)
            stack.push_back({same, child, 0});
    }
}
