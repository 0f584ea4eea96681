#include "ornaTreeText.h"

#include <QtGlobal>

#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// Blocks double up to this many code units (64 KiB): few allocations for large documents,
// little slack for small ones.
const qsizetype LargestSharedBlock = 32768;

quint32 checkedSize(qsizetype size)
{
    if (size < 0 || size > std::numeric_limits<qint32>::max())
        qBadAlloc();
    return quint32(size);
}

} // namespace

ORNATreeText::ORNATreeText(QStringView text)
{
    if (text.isEmpty())
        return;
    m_size = checkedSize(text.size());
    m_block = allocateBlock(m_size);
    m_block->users = 1;
    m_block->used = m_size;
    std::memcpy(m_block->text(), text.utf16(), m_size * sizeof(char16_t));
}

ORNATreeText::Block *ORNATreeText::allocateBlock(qsizetype capacity)
{
    const quint32 units = checkedSize(capacity);
    void *memory = std::malloc(sizeof(Block) + units * sizeof(char16_t));
    if (!memory)
        qBadAlloc();
    Block *block = static_cast<Block *>(memory);
    block->users = 0;
    block->capacity = units;
    block->used = 0;
    return block;
}

void ORNATreeText::freeBlock(Block *block)
{
    std::free(block);
}

ORNATreeText::Store::~Store()
{
    // The store's own hold on its current block.
    releaseBlock(m_block);
}

// The current block is too small (or, in the sanitizer build, every text gets its own block).
char16_t *ORNATreeText::Store::reserveFresh(qsizetype size)
{
#ifdef ORNA_SEPARATE_ALLOCATIONS
    const qsizetype capacity = qMax<qsizetype>(size, 1);
#else
    const qsizetype capacity = qMax(size, m_nextCapacity);
#endif
    Block *fresh = allocateBlock(capacity);
    fresh->users = 1;
    m_nextCapacity = qMin(m_nextCapacity * 2, LargestSharedBlock);
    releaseBlock(m_block);
    m_block = fresh;
    return m_block->text();
}

ORNATreeText ORNATreeText::Store::store(QStringView text)
{
    if (text.isEmpty())
        return ORNATreeText();
    char16_t *room = reserve(text.size());
    std::memcpy(room, text.utf16(), size_t(text.size()) * sizeof(char16_t));
    return commit(text.size());
}
