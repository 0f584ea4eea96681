#ifndef ORNATOKENIZERBASE_H
#define ORNATOKENIZERBASE_H

#include <QByteArray>

// Bytes handed to a tokenizer; the tokenizer only moves the position, the bytes stay the caller's.
struct ORNAInputCursor
{
    qsizetype length = 0;
    qsizetype position = 0;
    const char *data = nullptr;
};

// Common state of the byte tokenizers: token text, line counting and token positions.
class ORNATokenizerBase
{
public:
    ORNATokenizerBase() = default;
    ORNATokenizerBase(const ORNATokenizerBase &) = delete;
    ORNATokenizerBase &operator=(const ORNATokenizerBase &) = delete;
    virtual ~ORNATokenizerBase();

    virtual void setState(int state) = 0;
    virtual int state() const = 0;
    virtual void setInput(ORNAInputCursor *cursor);
    virtual void reset();
    virtual bool next() = 0;
    virtual int tokenClass() const = 0;

    const QByteArray &tokenText() const { return m_tokenText; }
    int line() const { return m_line; }
    qsizetype lineStart() const { return m_lineStart; }
    qsizetype tokenStart() const { return m_tokenStart; }
    qsizetype tokenEnd() const { return m_tokenEnd; }
    qsizetype tokenLineStart() const { return m_tokenLineStart; }
    int tokenLine() const { return m_tokenLine; }
    bool skipComments() const { return m_skipComments; }
    void setSkipComments(bool skip) { m_skipComments = skip; }
    bool pushedBack() const { return m_pushedBack; }
    void setPushedBack(bool pushedBack) { m_pushedBack = pushedBack; }

protected:
    QByteArray m_tokenText;
    int m_line = 0;
    qsizetype m_lineStart = 0;
    qsizetype m_tokenStart = 0;
    qsizetype m_tokenEnd = 0;
    qsizetype m_tokenLineStart = 0;
    int m_tokenLine = 0;
    bool m_skipComments = true;
    bool m_pushedBack = false;
    ORNAInputCursor *m_input = nullptr;
};

#endif // ORNATOKENIZERBASE_H
