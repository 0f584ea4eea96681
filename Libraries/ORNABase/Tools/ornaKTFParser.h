#ifndef ORNAKTFPARSER_H
#define ORNAKTFPARSER_H

#include "ornaKTFNameCache.h"
#include "ornaKTFVariables.h"
#include "ornaTreeText.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

class ORNATree;

// Reads KTF files and texts into an ORNATree, running the preprocessor directives and
// expanding $(...) references. Errors are logged; more than 50 of them stop the parse.
class ORNAKTFParser
{
public:
    enum Mode
    {
        ExpandVariables = 1,
        KeepReferences = 2,
    };
    enum BlockKind
    {
        ActiveBlock = 1,
        SkippedBlock = 2,
        NodeBlock = 4,
    };
    enum State
    {
        ExpectEntry = 0,
        AfterTag = 1,
        AfterEquals = 2,
    };
    enum Encoding
    {
        UnknownEncoding = 0,
        Latin1Encoding = 4,
        Utf8Encoding = 106,
    };
    typedef ORNAKTFVariableResolver VariableResolver;

    explicit ORNAKTFParser(int mode = 1);
    ~ORNAKTFParser();
    ORNAKTFParser(const ORNAKTFParser &) = delete;
    ORNAKTFParser &operator=(const ORNAKTFParser &) = delete;

    // The root; no reference is taken for the caller.
    ORNATree *root() const { return m_root; }

    bool parseFile(const QString &path, bool resetToRoot);
    bool parseString(const QString &text, bool resetToRoot, const QString &fileName = QString(),
                     int startLine = 1);
    // Reads bytes as they would come from a file: a header line decides the encoding.
    bool parseBytes(const QByteArray &bytes, bool resetToRoot, const QString &fileName = QString(),
                    int startLine = 1);

    QString errorString() const { return m_errorString; }
    QString lastErrorMessage() const { return m_lastErrorMessage; }
    QString errorFileName() const { return m_errorFileName; }
    int errorLine() const { return m_errorLine; }
    int errorCount() const { return m_errorCount; }

    void setVariableResolver(void *userData, VariableResolver resolver);

    // The encoding that a header line at the start of bytes declares (Latin-1 without one);
    // with report, an unknown version or encoding is logged.
    static int headerEncoding(const char *data, qsizetype length, bool report);

    // The semantic message forms, positioned at a node (its file and line).
    static void semanticInfo(const ORNATree *at, const QString &text);
    static void semanticWarning(const ORNATree *at, const QString &text);
    static void semanticError(const ORNATree *at, const QString &text);

private:
    struct Token
    {
        int kind = 0;
        const char *text = nullptr;
        qsizetype length = 0;
    };
    enum TokenKind
    {
        OpenBraceToken,
        CloseBraceToken,
        EqualsToken,
        StringToken,
        EndToken,
    };
    enum Step
    {
        GoOn,
        Finished,
        Stop,
    };

    // What one document may read through its includes, shared by the readers of its files.
    struct IncludeBudget
    {
        int includes = 0;
        qint64 bytes = 0;
        // Set once a reader stopped for it; every including reader then stops too.
        QString exhausted;
    };

    ORNAKTFParser(ORNATree *root, int mode, int includeDepth, const ORNAKTFVariables &variables,
                  IncludeBudget *budget);

    void setCurrentFile(const QString &path);
    void resetToRoot();
    bool parseInput(const char *data, qsizetype length, int startLine);
    bool scan();
    void examineHeader();

    void nextToken(Token &token);
    void skipBlanks();
    void readBareWord(Token &token);
    void readQuoted(Token &token, char closing, char second);
    QString decode(const char *data, qsizetype length) const;
    QString tokenText(const Token &token) const { return decode(token.text, token.length); }
    // How far the memory holding token bytes may be read: to the end of the input for bytes in
    // it; bytes with escapes, copied into the scratch buffer, only to their own end.
    const char *readableEnd(const char *data, qsizetype length) const
    {
        return data >= m_data && data < m_data + m_length ? m_data + m_length : data + length;
    }
    ORNATreeText storeValue(const char *data, qsizetype length);

    Step expectEntry(const Token &token);
    Step afterTag(const Token &token);
    Step afterEquals(const Token &token);
    Step openBrace();
    Step closeBrace();
    Step directive(const Token &token, bool *handled);
    Step echoOrAbort(bool abort);
    Step ifStatement();
    Step definedStatement(const char *keyword, bool set, bool negate);
    Step includeStatement();
    Step includeFile(const QString &file);
    void rewind();

    void makeNode(const Token &value, bool hasValue);
    void openLastNode();
    void pushSkipped();
    void keyTag();
    const QString *tagName();

    // Counts the error and logs it; true when the limit is passed and parsing must stop.
    bool reportError(const QString &message, int line = -1);
    // Counts and logs the error that ends the parse ("too many errors, stopped parsing").
    void reportStop(const QString &message);
    Step stopForBudget(const QString &message);

    std::unique_ptr<char, void (*)(void *)> m_scratch;
    qsizetype m_scratchUsed = 0;
    int m_encoding = UnknownEncoding;
    const char *m_data = nullptr;
    qsizetype m_length = 0;
    qsizetype m_position = 0;
    int m_line = 1;
    int m_tagLine = 0;
    int m_tokenLine = 0;
    std::vector<quint8> m_braceKinds;
    int m_activeBlocks = 0;
    int m_skipDepth = 0;
    int m_nodeDepth = 0;
    int m_includeDepth = 0;
    IncludeBudget m_ownBudget;
    IncludeBudget *m_budget = &m_ownBudget;
    int m_state = ExpectEntry;
    int m_mode = ExpandVariables;
    QString m_errorString;
    QString m_lastErrorMessage;
    QString m_errorFileName;
    int m_errorLine = 0;
    int m_errorCount = 0;
    int m_maxErrorCount = 50;
    ORNATree *m_lastNode = nullptr;
    ORNATree *m_currentParent = nullptr;
    ORNATree *m_root = nullptr;
    std::vector<ORNATree *> m_parentStack;
    Token m_tag;
    ORNAKTFNameCache::Key m_tagKey;
    Token m_lastString;
    qsizetype m_markPosition = 0;
    int m_markLine = 0;
    qsizetype m_markScratch = 0;
    ORNAKTFVariables m_variables;
    ORNAKTFNameCache *m_names = nullptr;
    ORNATreeText::Store m_values;
    const QString *m_internedFile = nullptr;
};

#endif // ORNAKTFPARSER_H
