#include "ornaKTFNameCache.h"

void ORNAKTFNameCache::insert(const Key &key, const QString *name)
{
    if (m_entries.size() >= maximumEntries)
        return;
    if ((m_entries.size() + 1) * 2 > m_index.size())
        grow();
    m_entries.push_back({key.low, key.high, key.data, name, key.length});
    m_hashes.push_back(key.hash);
    place(key.hash, (key.hash & tagMask) | quint32(m_entries.size()));
}

quint32 ORNAKTFNameCache::longHash(const char *data, qsizetype length)
{
    quint64 hash = 14695981039346656037ull ^ quint64(length);
    qsizetype i = 0;
    for (; i + 8 <= length; i += 8) {
        quint64 word;
        std::memcpy(&word, data + i, 8);
        hash = (hash ^ word) * 0x9E3779B97F4A7C15ull;
        hash ^= hash >> 32;
    }
    quint64 tail = 0;
    std::memcpy(&tail, data + i, size_t(length - i));
    hash = (hash ^ tail) * 0x9E3779B97F4A7C15ull;
    return quint32((hash ^ (hash >> 29)) >> 16);
}

void ORNAKTFNameCache::place(quint32 hash, quint32 slot)
{
    const size_t mask = m_index.size() - 1;
    size_t i = hash & mask;
    while (m_index[i])
        i = (i + 1) & mask;
    m_index[i] = slot;
}

void ORNAKTFNameCache::grow()
{
    m_index.assign(m_index.size() * 2, 0);
    for (size_t entry = 0; entry < m_entries.size(); ++entry)
        place(m_hashes[entry], (m_hashes[entry] & tagMask) | quint32(entry + 1));
}
