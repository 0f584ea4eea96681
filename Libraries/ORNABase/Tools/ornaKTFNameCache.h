#ifndef ORNAKTFNAMECACHE_H
#define ORNAKTFNAMECACHE_H

#include <QString>
#include <QtGlobal>

#include <cstring>
#include <vector>

// Interned tag names by their bytes, for one parse: most tags repeat, and a byte lookup spares
// decoding them again. Names of up to 16 bytes, nearly all of them, are kept as two words and
// compared without a call; longer ones by their bytes, which stay valid for the whole parse
// (input or scratch buffer).
class ORNAKTFNameCache
{
public:
    struct Key
    {
        quint64 low = 0;
        quint64 high = 0;
        const char *data = nullptr;
        qsizetype length = 0;
        quint32 hash = 0;
    };

    ORNAKTFNameCache() : m_index(4096) {}

    // The key of length bytes at data; readableEnd is where the memory that may be read ends.
    static Key keyOf(const char *data, qsizetype length, const char *readableEnd)
    {
        Key key;
        key.data = data;
        key.length = length;
        if (length > 16) {
            key.hash = longHash(data, length);
            return key;
        }
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        if (readableEnd - data >= 16) {
            std::memcpy(&key.low, data, 8);
            std::memcpy(&key.high, data + 8, 8);
            // Only the name's own bytes count; what follows it in the input is masked away.
            if (length < 8) {
                key.low &= (quint64(1) << (length * 8)) - 1;
                key.high = 0;
            } else if (length < 16) {
                key.high &= (quint64(1) << ((length - 8) * 8)) - 1;
            }
        } else
#endif
        {
            char padded[16] = {};
            std::memcpy(padded, data, size_t(length));
            std::memcpy(&key.low, padded, 8);
            std::memcpy(&key.high, padded + 8, 8);
        }
        quint64 mixed = (key.low ^ quint64(length)) * 0x9E3779B97F4A7C15ull;
        mixed ^= key.high * 0xC2B2AE3D27D4EB4Full;
        key.hash = quint32((mixed ^ (mixed >> 29)) >> 16);
        return key;
    }

    const QString *find(const Key &key) const
    {
        const size_t mask = m_index.size() - 1;
        const quint32 tag = key.hash & tagMask;
        for (size_t i = key.hash & mask;; i = (i + 1) & mask) {
            const quint32 slot = m_index[i];
            if (slot == 0)
                return nullptr;
            if ((slot & tagMask) != tag)
                continue;
            const Entry &entry = m_entries[(slot & ~tagMask) - 1];
            if (entry.length != key.length)
                continue;
            if (key.length <= 16 ? entry.low == key.low && entry.high == key.high
                                 : std::memcmp(entry.data, key.data, size_t(key.length)) == 0)
                return entry.name;
        }
    }

    void prefetch(const Key &key) const
    {
        __builtin_prefetch(&m_index[key.hash & (m_index.size() - 1)]);
    }

    // Names beyond the index's capacity are simply not cached.
    void insert(const Key &key, const QString *name);

private:
    // An index slot holds the high half of the hash and the entry's number plus one (0: free):
    // small enough to stay in the processor's cache while the tree is being built.
    static constexpr quint32 tagMask = 0xFFFF0000u;
    static constexpr size_t maximumEntries = 0xFFFE;

    struct Entry
    {
        quint64 low;
        quint64 high;
        const char *data;
        const QString *name;
        qsizetype length;
    };

    static quint32 longHash(const char *data, qsizetype length);
    void place(quint32 hash, quint32 slot);
    void grow();

    std::vector<quint32> m_index;
    std::vector<Entry> m_entries;
    std::vector<quint32> m_hashes;
};

#endif // ORNAKTFNAMECACHE_H
