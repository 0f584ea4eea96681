#ifndef ORNAKTFBYTESCAN_P_H
#define ORNAKTFBYTESCAN_P_H

// The byte-level scanning of the KTF reader: byte classes, blank runs, word ends, quoted strings,
// widening to UTF-16. Internal to the reader.

#include <QtGlobal>

#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace ORNAKTFByteScan {

enum ByteClass : quint8
{
    WordByte = 0,
    BlankByte = 1,
    PunctuationByte = 2,
};

// Byte classes of the scanner: the four blanks, and the bytes that end a bare word.
struct ByteClasses
{
    constexpr ByteClasses() : of()
    {
        of[quint8(' ')] = of[quint8('\t')] = of[quint8('\n')] = of[quint8('\r')] = BlankByte;
        of[quint8('=')] = of[quint8('{')] = of[quint8('}')] = PunctuationByte;
    }
    quint8 of[256];
};
inline constexpr ByteClasses byteClasses;

inline quint8 classOf(char c)
{
    return byteClasses.of[static_cast<unsigned char>(c)];
}

#ifdef __SSE2__
// Blank runs hold few line feeds, and the baseline instruction set has no population count.
inline int bitCount(unsigned mask)
{
    int count = 0;
    for (; mask; mask &= mask - 1)
        ++count;
    return count;
}

inline __m128i load16(const char *data, qsizetype position)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + position));
}

// The bytes that end a bare word: the four blanks and =, { and }. Compared one by one, so that
// no hit needs a second look.
inline unsigned wordEndBytes(__m128i bytes)
{
    __m128i hits = _mm_cmpeq_epi8(bytes, _mm_set1_epi8(' '));
    hits = _mm_or_si128(hits, _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n')));
    hits = _mm_or_si128(hits, _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\t')));
    hits = _mm_or_si128(hits, _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r')));
    hits = _mm_or_si128(hits, _mm_cmpeq_epi8(bytes, _mm_set1_epi8('=')));
    hits = _mm_or_si128(hits, _mm_cmpeq_epi8(bytes, _mm_set1_epi8('{')));
    hits = _mm_or_si128(hits, _mm_cmpeq_epi8(bytes, _mm_set1_epi8('}')));
    return unsigned(_mm_movemask_epi8(hits));
}

inline unsigned blankBytes(__m128i bytes, unsigned *lineFeeds)
{
    const __m128i lineFeed = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n'));
    __m128i hits = _mm_or_si128(lineFeed, _mm_cmpeq_epi8(bytes, _mm_set1_epi8(' ')));
    hits = _mm_or_si128(hits, _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\t')));
    hits = _mm_or_si128(hits, _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r')));
    *lineFeeds = unsigned(_mm_movemask_epi8(lineFeed));
    return unsigned(_mm_movemask_epi8(hits));
}
#endif

// The first byte at or after position that ends a bare word (a blank, =, { or }), or length.
inline qsizetype wordEnd(const char *data, qsizetype position, qsizetype length)
{
#ifdef __SSE2__
    for (; position + 16 <= length; position += 16) {
        if (const unsigned mask = wordEndBytes(load16(data, position)))
            return position + __builtin_ctz(mask);
    }
#endif
    while (position < length && classOf(data[position]) == WordByte)
        ++position;
    return position;
}

// The first blank-free byte at or after position (or length); counts the line feeds passed.
inline qsizetype blanksEnd(const char *data, qsizetype position, qsizetype length, int *line)
{
    // Most tokens follow no blank or a single space.
    if (position < length && classOf(data[position]) != BlankByte)
        return position;
    if (data[position] == ' ' && position + 1 < length && classOf(data[position + 1]) != BlankByte)
        return position + 1;
#ifdef __SSE2__
    while (position + 16 <= length) {
        unsigned lineFeeds = 0;
        const unsigned others = ~blankBytes(load16(data, position), &lineFeeds) & 0xFFFFu;
        if (others) {
            const unsigned passed = (others & (0u - others)) - 1;
            *line += bitCount(lineFeeds & passed);
            return position + __builtin_ctz(others);
        }
        *line += bitCount(lineFeeds);
        position += 16;
    }
#endif
    while (position < length && classOf(data[position]) == BlankByte) {
        *line += data[position] == '\n';
        ++position;
    }
    return position;
}

// The next byte at or after position that a quoted string must look at: its closing mark, a
// backslash or a line feed; length if there is none.
inline qsizetype quotedSpecial(const char *data, qsizetype position, qsizetype length, char closing)
{
#ifdef __SSE2__
    const __m128i mark = _mm_set1_epi8(closing);
    const __m128i backslash = _mm_set1_epi8('\\');
    const __m128i lineFeed = _mm_set1_epi8('\n');
    for (; position + 16 <= length; position += 16) {
        const __m128i bytes = load16(data, position);
        __m128i hits = _mm_or_si128(_mm_cmpeq_epi8(bytes, mark), _mm_cmpeq_epi8(bytes, backslash));
        hits = _mm_or_si128(hits, _mm_cmpeq_epi8(bytes, lineFeed));
        if (const unsigned mask = unsigned(_mm_movemask_epi8(hits)))
            return position + __builtin_ctz(mask);
    }
#endif
    for (; position < length; ++position) {
        const char c = data[position];
        if (c == closing || c == '\\' || c == '\n')
            return position;
    }
    return length;
}

// Widens bytes to UTF-16 code units as Latin-1 does. With stopAtHighByte, stops at the first
// byte above 0x7F and returns false, since UTF-8 needs the real decoder from there on. A short
// rest is widened in one more sixteen-byte step where both the input (up to readableEnd) and the
// output (room code units) have space for it.
inline bool widen(const char *data, qsizetype length, char16_t *out, bool stopAtHighByte,
                  const char *readableEnd, qsizetype room)
{
    qsizetype i = 0;
#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128();
    auto step = [&](qsizetype at, unsigned counted) {
        const __m128i bytes = load16(data, at);
        if (stopAtHighByte && (unsigned(_mm_movemask_epi8(bytes)) & counted))
            return false;
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + at), _mm_unpacklo_epi8(bytes, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + at + 8), _mm_unpackhi_epi8(bytes, zero));
        return true;
    };
    for (; i + 16 <= length; i += 16) {
        if (!step(i, 0xFFFFu))
            return false;
    }
    if (i < length && i + 16 <= room && readableEnd - (data + i) >= 16)
        return step(i, (1u << (length - i)) - 1);
#else
    Q_UNUSED(readableEnd);
    Q_UNUSED(room);
#endif
    for (; i < length; ++i) {
        const unsigned char byte = static_cast<unsigned char>(data[i]);
        if (stopAtHighByte && byte > 0x7F)
            return false;
        out[i] = byte;
    }
    return true;
}

inline bool sameBytes(const char *data, qsizetype length, const char *literal)
{
    const qsizetype literalLength = qsizetype(std::strlen(literal));
    return length == literalLength && std::memcmp(data, literal, size_t(length)) == 0;
}

// Whether the bytes hold "$(", tested sixteen bytes at a time while they may be read.
inline bool containsReference(const char *data, qsizetype length, const char *readableEnd)
{
    qsizetype i = 0;
#ifdef __SSE2__
    for (; i + 1 < length && readableEnd - (data + i) >= 17; i += 16) {
        const unsigned dollars =
            unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(load16(data, i), _mm_set1_epi8('$'))));
        const unsigned opens =
            unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(load16(data, i + 1), _mm_set1_epi8('('))));
        unsigned hits = dollars & opens;
        if (length - 1 - i < 16)
            hits &= (1u << (length - 1 - i)) - 1;
        if (hits)
            return true;
    }
#else
    Q_UNUSED(readableEnd);
#endif
    for (; i + 1 < length; ++i) {
        if (data[i] == '$' && data[i + 1] == '(')
            return true;
    }
    return false;
}

// Skips to just after the next occurrence of the two-byte mark (or to the end), counting lines.
inline qsizetype skipPast(const char *data, qsizetype length, qsizetype position, char first,
                          char second, int *line)
{
    while (position < length) {
        const char c = data[position++];
        if (c == '\n') {
            ++*line;
            if (second == 0)
                return position;
        } else if (second != 0 && c == first && position < length && data[position] == second) {
            return position + 1;
        }
    }
    return position;
}

} // namespace ORNAKTFByteScan

#endif // ORNAKTFBYTESCAN_P_H
