#ifndef ORNATREETEXT_H
#define ORNATREETEXT_H

#include <QString>
#include <QStringView>

#include <utility>

// The sanitizer test build defines ORNA_SEPARATE_ALLOCATIONS: every node and every stored value
// then takes a heap block of its own, so that a use after free is reported instead of going
// unseen inside a shared block. (The fuzz build keeps the shared blocks, to test them.)

// The value text of a tree node. A reader stores hundreds of thousands of values, and one heap
// string each cost more than the rest of reading; so values live in shared blocks of UTF-16
// text instead. Each block counts the texts that point into it and is freed with the last of
// them, so a node keeps its value however long it outlives the reader or the document.
// Like the trees, texts belong to one thread.
class ORNATreeText
{
    // A header followed by capacity UTF-16 code units, of which the first used are handed out.
    struct Block
    {
        quint32 users;
        quint32 capacity;
        quint32 used;
        char16_t *text() { return reinterpret_cast<char16_t *>(this + 1); }
    };

public:
    ORNATreeText() = default;
    // Copies text into a block of its own.
    explicit ORNATreeText(QStringView text);
    ORNATreeText(const ORNATreeText &other)
        : m_block(other.m_block), m_offset(other.m_offset), m_size(other.m_size)
    {
        retain();
    }
    ORNATreeText(ORNATreeText &&other) noexcept
        : m_block(std::exchange(other.m_block, nullptr)), m_offset(other.m_offset),
          m_size(std::exchange(other.m_size, 0))
    {}
    ORNATreeText &operator=(ORNATreeText other) noexcept
    {
        swap(other);
        return *this;
    }
    ~ORNATreeText() { release(); }

    void swap(ORNATreeText &other) noexcept
    {
        std::swap(m_block, other.m_block);
        std::swap(m_offset, other.m_offset);
        std::swap(m_size, other.m_size);
    }

    bool isEmpty() const { return m_size == 0; }
    qsizetype size() const { return m_size; }
    QStringView view() const { return QStringView(data(), m_size); }
    QString toString() const { return view().toString(); }

    // Hands out texts from a run of growing blocks: the reader's way of storing many values
    // with few allocations.
    class Store
    {
    public:
        Store() = default;
        Store(const Store &) = delete;
        Store &operator=(const Store &) = delete;
        ~Store();

        // Room for at most size code units, valid until the next call on this store.
        char16_t *reserve(qsizetype size)
        {
#ifndef ORNA_SEPARATE_ALLOCATIONS
            if (m_block && size <= qsizetype(m_block->capacity - m_block->used))
                return m_block->text() + m_block->used;
#endif
            return reserveFresh(size);
        }
        // The first size code units of the room just reserved, as a text.
        ORNATreeText commit(qsizetype size)
        {
            if (size <= 0)
                return ORNATreeText();
            Q_ASSERT(m_block && size <= qsizetype(m_block->capacity - m_block->used));
            const quint32 offset = m_block->used;
            m_block->used += quint32(size);
            return ORNATreeText(m_block, offset, quint32(size));
        }
        ORNATreeText store(QStringView text);

    private:
        char16_t *reserveFresh(qsizetype size);

        Block *m_block = nullptr;
        qsizetype m_nextCapacity = 256;
    };

private:
    ORNATreeText(Block *block, quint32 offset, quint32 size)
        : m_block(block), m_offset(offset), m_size(size)
    {
        retain();
    }
    const char16_t *data() const
    {
        return m_block ? m_block->text() + m_offset : nullptr;
    }
    void retain()
    {
        if (m_block)
            ++m_block->users;
    }
    void release()
    {
        releaseBlock(m_block);
    }
    static void releaseBlock(Block *block)
    {
        if (block && --block->users == 0)
            freeBlock(block);
    }
    static Block *allocateBlock(qsizetype capacity);
    static void freeBlock(Block *block);

    Block *m_block = nullptr;
    quint32 m_offset = 0;
    quint32 m_size = 0;
};

#endif // ORNATREETEXT_H
