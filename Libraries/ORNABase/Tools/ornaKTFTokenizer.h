#ifndef ORNAKTFTOKENIZER_H
#define ORNAKTFTOKENIZER_H

#include "ornaTokenizerBase.h"

// Stand-alone KTF tokenizer: reports byte positions, can return comments as tokens and can
// carry an open string or comment over to the next piece of input.
class ORNAKTFTokenizer : public ORNATokenizerBase
{
public:
    enum TokenKind
    {
        OpenBrace = 0,
        CloseBrace = 1,
        Equals = 2,
        String = 3,
        LineComment = 4,
        BlockComment = 5,
        EndOfInput = 6,
    };
    enum QuoteKind
    {
        Bare = 0,
        DoubleQuoted = 1,
        StarQuoted = 2,
        AtQuoted = 3,
    };
    enum CarryState
    {
        NothingOpen = 0,
        InBareWord = 1,
        InDoubleQuoted = 2,
        InAtQuoted = 3,
        InStarQuoted = 4,
        InBlockComment = 5,
    };

    ORNAKTFTokenizer() { reset(); }
    ~ORNAKTFTokenizer() override;

    void setState(int state) override { m_carry = state; }
    int state() const override { return m_carry; }
    void reset() override;
    bool next() override;
    int tokenClass() const override;

    int tokenKind() const { return m_kind; }
    int quoteKind() const { return m_quoteKind; }
    // The current byte offset and line, or -1 and -1 at the end of the input.
    void position(qsizetype *offset, int *line) const;
    void setPosition(qsizetype offset, int line, qsizetype lineStart);
    void skipBlanks();

private:
    bool atEnd() const { return !m_input || m_input->position >= m_input->length; }
    char peek(qsizetype ahead = 0) const;
    void advance(qsizetype count = 1);
    int readToken();
    int readString(int carry);
    void readBareWord();
    void readLineComment();
    void readBlockComment();

    int m_kind = EndOfInput;
    int m_quoteKind = Bare;
    int m_carry = NothingOpen;
};

#endif // ORNAKTFTOKENIZER_H
