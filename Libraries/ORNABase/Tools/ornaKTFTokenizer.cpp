#include "ornaKTFTokenizer.h"

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

int quoteKindOf(int carry)
{
    switch (carry) {
    case ORNAKTFTokenizer::InDoubleQuoted:
        return ORNAKTFTokenizer::DoubleQuoted;
    case ORNAKTFTokenizer::InStarQuoted:
        return ORNAKTFTokenizer::StarQuoted;
    case ORNAKTFTokenizer::InAtQuoted:
        return ORNAKTFTokenizer::AtQuoted;
    default:
        return ORNAKTFTokenizer::Bare;
    }
}

} // namespace

ORNAKTFTokenizer::~ORNAKTFTokenizer() = default;

void ORNAKTFTokenizer::reset()
{
    ORNATokenizerBase::reset();
    m_kind = EndOfInput;
    m_carry = NothingOpen;
}

int ORNAKTFTokenizer::tokenClass() const
{
    if (m_kind == LineComment || m_kind == BlockComment)
        return 0;
    if (m_kind == String && m_quoteKind != Bare)
        return 1;
    return 2;
}

void ORNAKTFTokenizer::position(qsizetype *offset, int *line) const
{
    const bool end = atEnd();
    if (offset)
        *offset = end ? -1 : m_input->position;
    if (line)
        *line = end ? -1 : m_line;
}

void ORNAKTFTokenizer::setPosition(qsizetype offset, int line, qsizetype lineStart)
{
    m_line = line;
    m_lineStart = lineStart;
    if (m_input && offset >= 0 && offset < m_input->length)
        m_input->position = offset;
}

char ORNAKTFTokenizer::peek(qsizetype ahead) const
{
    const qsizetype at = m_input->position + ahead;
    return at < m_input->length ? m_input->data[at] : '\0';
}

// Moves over bytes, counting every line feed passed.
void ORNAKTFTokenizer::advance(qsizetype count)
{
    for (; count > 0 && !atEnd(); --count) {
        if (m_input->data[m_input->position++] == '\n') {
            ++m_line;
            m_lineStart = m_input->position;
        }
    }
}

void ORNAKTFTokenizer::skipBlanks()
{
    while (!atEnd() && isBlank(peek()))
        advance();
}

bool ORNAKTFTokenizer::next()
{
    if (m_pushedBack) {
        m_pushedBack = false;
        return m_kind != EndOfInput;
    }
    m_kind = readToken();
    return m_kind != EndOfInput;
}

int ORNAKTFTokenizer::readToken()
{
    for (;;) {
        // An open string keeps its leading blanks: they belong to its text.
        if (m_carry == NothingOpen)
            skipBlanks();
        m_tokenStart = m_input ? m_input->position : 0;
        m_tokenLine = m_line;
        m_tokenLineStart = m_lineStart;
        m_tokenEnd = m_tokenStart;
        m_tokenText.clear();
        if (atEnd())
            return EndOfInput;
        if (m_carry == InBlockComment) {
            readBlockComment();
            if (m_skipComments)
                continue;
            return BlockComment;
        }
        if (m_carry != NothingOpen)
            return readString(m_carry);

        const char c = peek();
        const char following = peek(1);
        const bool hasFollowing = m_input->position + 1 < m_input->length;
        if (c == '=' || c == '{' || c == '}') {
            advance();
            m_tokenEnd = m_input->position;
            return c == '=' ? Equals : c == '{' ? OpenBrace : CloseBrace;
        }
        if (c == '/' && hasFollowing && following == '/') {
            readLineComment();
            if (m_skipComments)
                continue;
            return LineComment;
        }
        if (c == '/' && hasFollowing && following == '*') {
            m_tokenText.append("/*", 2);
            advance(2);
            m_carry = InBlockComment;
            readBlockComment();
            if (m_skipComments)
                continue;
            return BlockComment;
        }
        if (c == '@' && hasFollowing && following == '@') {
            advance(2);
            return readString(InAtQuoted);
        }
        if (c == '"' && hasFollowing && following == '*') {
            advance(2);
            return readString(InStarQuoted);
        }
        if (c == '"') {
            advance();
            return readString(InDoubleQuoted);
        }
        if (c == '@')
            advance();
        readBareWord();
        return String;
    }
}

void ORNAKTFTokenizer::readBareWord()
{
    m_quoteKind = Bare;
    m_carry = InBareWord;
    while (!atEnd()) {
        const char c = peek();
        if (isBlank(c) || c == '=' || c == '{' || c == '}')
            break;
        m_tokenText.append(c);
        advance();
    }
    m_carry = NothingOpen;
    m_tokenEnd = m_input->position;
}

int ORNAKTFTokenizer::readString(int carry)
{
    m_quoteKind = quoteKindOf(carry);
    m_carry = carry;
    while (!atEnd()) {
        const char c = peek();
        const bool hasFollowing = m_input->position + 1 < m_input->length;
        if (c == '\\') {
            advance();
            if (!atEnd()) {
                m_tokenText.append(peek());
                advance();
            }
            continue;
        }
        qsizetype closing = 0;
        if (carry == InDoubleQuoted && c == '"')
            closing = 1;
        else if (carry == InStarQuoted && c == '*' && hasFollowing && peek(1) == '"')
            closing = 2;
        else if (carry == InAtQuoted && c == '@' && hasFollowing && peek(1) == '@')
            closing = 2;
        if (closing) {
            advance(closing);
            m_carry = NothingOpen;
            break;
        }
        m_tokenText.append(c);
        advance();
    }
    m_tokenEnd = m_input->position;
    return String;
}

void ORNAKTFTokenizer::readLineComment()
{
    const qsizetype start = m_input->position;
    qsizetype end = start;
    while (end < m_input->length && m_input->data[end] != '\n')
        ++end;
    m_tokenText = QByteArray(m_input->data + start, end - start);
    m_input->position = end;
    m_tokenEnd = end;
    advance(); // the line feed, counted
}

void ORNAKTFTokenizer::readBlockComment()
{
    while (!atEnd()) {
        if (peek() == '*' && m_input->position + 1 < m_input->length && peek(1) == '/') {
            m_tokenText.append("*/", 2);
            advance(2);
            m_carry = NothingOpen;
            break;
        }
        m_tokenText.append(peek());
        advance();
    }
    m_tokenEnd = m_input->position;
}
