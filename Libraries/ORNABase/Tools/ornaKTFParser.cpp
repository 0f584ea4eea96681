#include "ornaKTFParser.h"

#include "ornaFile.h"
#include "ornaKTFByteScan_p.h"
#include "ornaKTFNameCache.h"
#include "ornaLogging.h"
#include "ornaTree.h"
#include "ornaUtils.h"

#include <QDir>
#include <QStringList>

#include <cstdlib>
#include <cstring>

using namespace ORNAKTFByteScan;

ORNAKTFParser::ORNAKTFParser(int mode) : m_scratch(nullptr, std::free)
{
    if (mode == 5)
        mode = ExpandVariables;
    else if (mode == 6)
        mode = KeepReferences;
    m_mode = (mode == KeepReferences) ? KeepReferences : ExpandVariables;
    m_variables = ORNAKTFVariables(m_mode == ExpandVariables);
    m_root = new ORNATree(QStringLiteral("root"));
    m_root->ref();
    m_currentParent = m_root;
    m_parentStack.push_back(m_root);
}

ORNAKTFParser::ORNAKTFParser(ORNATree *root, int mode, int includeDepth,
                             const ORNAKTFVariables &variables, IncludeBudget *budget)
    : m_scratch(nullptr, std::free), m_includeDepth(includeDepth), m_budget(budget), m_mode(mode),
      m_root(root), m_variables(variables)
{
    m_root->ref();
    m_currentParent = m_root;
    m_parentStack.push_back(m_root);
}

ORNAKTFParser::~ORNAKTFParser()
{
    m_root->unref();
}

void ORNAKTFParser::setVariableResolver(void *userData, VariableResolver resolver)
{
    m_variables.setResolver(userData, resolver);
}

void ORNAKTFParser::setCurrentFile(const QString &path)
{
    QString cleaned = ORNAUtils::normalizePath(path);
    if (QDir::isRelativePath(cleaned))
        cleaned = ORNAUtils::normalizePath(QDir::currentPath() + QLatin1Char('/') + cleaned);
    m_variables.setFile(cleaned);
}

void ORNAKTFParser::resetToRoot()
{
    m_activeBlocks = 0;
    m_skipDepth = 0;
    m_nodeDepth = 0;
    m_currentParent = m_root;
    m_parentStack.assign(1, m_root);
    m_errorCount = 0;
}

bool ORNAKTFParser::parseFile(const QString &path, bool resetToRoot)
{
    setCurrentFile(path);
    const ORNAFileContent content = ORNAFile::readWholeFile(path, true);
    m_errorFileName = m_variables.file();
    m_encoding = UnknownEncoding;
    if (resetToRoot)
        this->resetToRoot();
    if (content.refused) {
        m_line = 1;
        reportError(QStringLiteral("Failed to read ") + path + QStringLiteral(": ") +
                    content.error);
        return false;
    }
    return parseInput(content.data.constData(), content.data.size(), 1);
}

bool ORNAKTFParser::parseString(const QString &text, bool resetToRoot, const QString &fileName,
                                int startLine)
{
    const QByteArray bytes = text.toUtf8();
    if (!fileName.isEmpty()) {
        setCurrentFile(fileName);
        m_errorFileName = m_variables.file();
    } else {
        m_errorFileName = QStringLiteral("<unknown file>");
    }
    m_encoding = Utf8Encoding;
    if (resetToRoot)
        this->resetToRoot();
    return parseInput(bytes.constData(), bytes.size(), startLine);
}

bool ORNAKTFParser::parseBytes(const QByteArray &bytes, bool resetToRoot, const QString &fileName,
                               int startLine)
{
    if (!fileName.isEmpty()) {
        setCurrentFile(fileName);
        m_errorFileName = m_variables.file();
    } else {
        m_errorFileName = QStringLiteral("<unknown file>");
    }
    m_encoding = UnknownEncoding;
    if (resetToRoot)
        this->resetToRoot();
    return parseInput(bytes.constData(), bytes.size(), startLine);
}

bool ORNAKTFParser::parseInput(const char *data, qsizetype length, int startLine)
{
    m_data = data;
    m_length = length;
    m_position = 0;
    m_line = startLine;
    m_tokenLine = startLine;
    m_tagLine = startLine;
    m_tag = Token();
    m_tagKey = ORNAKTFNameCache::Key();
    m_lastString = Token();
    if (m_budget == &m_ownBudget)
        m_ownBudget = IncludeBudget();
    ORNAKTFNameCache names;
    m_names = &names;
    m_internedFile = ORNATree::internFile(m_variables.file());
    const bool completed = scan();
    m_names = nullptr;
    m_scratch.reset();
    m_data = nullptr;
    if (!completed)
        return false;
    if (m_nodeDepth != 0) {
        reportError(QStringLiteral("Missing %1 close-brace(s) at end of file").arg(m_nodeDepth));
        return false;
    }
    return m_errorCount == 0;
}

// The steps of an entry (reading a token, the state handlers, keying the tag, making the node)
// are forced inline into this loop: as calls, they spent a sixth of the reader's instructions on
// saving and restoring registers.
bool ORNAKTFParser::scan()
{
    // Untouched pages of the buffer cost no memory; only tokens with escapes are copied into it.
    m_scratch.reset(static_cast<char *>(std::malloc(size_t(qMax<qsizetype>(m_length, 256)))));
    m_scratchUsed = 0;
    if (!m_scratch) {
        ORNA_ERROR("ORNAKTFParser", "cant alloc parse buffer");
        return false;
    }
    if (m_encoding == UnknownEncoding)
        examineHeader();
    m_state = ExpectEntry;
    Token token;
    for (;;) {
        m_markPosition = m_position;
        m_markLine = m_line;
        m_markScratch = m_scratchUsed;
        nextToken(token);
        Step step = GoOn;
        switch (m_state) {
        case ExpectEntry:
            step = expectEntry(token);
            break;
        case AfterTag:
            step = afterTag(token);
            break;
        default:
            step = afterEquals(token);
            break;
        }
        if (step != GoOn)
            return step == Finished;
    }
}

void ORNAKTFParser::examineHeader()
{
    m_encoding = headerEncoding(m_data, m_length, true);
}

int ORNAKTFParser::headerEncoding(const char *data, qsizetype length, bool report)
{
    if (length <= 8 || data[0] != '/' || data[1] != '/')
        return Latin1Encoding;
    const qsizetype limit = qMin<qsizetype>(length, 80);
    qsizetype end = 2;
    while (end < limit && data[end] != '\n')
        ++end;
    const QStringList words =
        QString::fromLatin1(data + 2, end - 2).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty() || words.at(0).toLower() != QLatin1String("ktf"))
        return Latin1Encoding;
    const QString version = words.value(1);
    if (version.toLower() != QLatin1String("v1")) {
        if (report)
            ORNA_ERROR("ORNAKTF", "unknown ktf version " << version << ", using v1");
        return Latin1Encoding;
    }
    const QString encoding = words.value(2);
    const QString lower = encoding.toLower();
    if (lower == QLatin1String("utf8"))
        return Utf8Encoding;
    if (lower != QLatin1String("latin1") && report)
        ORNA_ERROR("ORNAKTF", "unknown encoding " << encoding << ", using latin1");
    return Latin1Encoding;
}

QString ORNAKTFParser::decode(const char *data, qsizetype length) const
{
    if (length == 0)
        return QString();
    // ASCII reads the same either way and is widened in one pass into the string's own storage.
    QString text(length, Qt::Uninitialized);
    if (widen(data, length, reinterpret_cast<char16_t *>(text.data()), m_encoding == Utf8Encoding,
              data + length, length))
        return text;
    return QString::fromUtf8(data, length);
}

Q_ALWAYS_INLINE void ORNAKTFParser::skipBlanks()
{
    m_position = blanksEnd(m_data, m_position, m_length, &m_line);
}

Q_ALWAYS_INLINE void ORNAKTFParser::nextToken(Token &token)
{
    token.text = nullptr;
    token.length = 0;
    for (;;) {
        skipBlanks();
        m_tokenLine = m_line;
        if (m_position >= m_length) {
            token.kind = EndToken;
            break;
        }
        const char c = m_data[m_position];
        const char following = m_position + 1 < m_length ? m_data[m_position + 1] : '\0';
        const bool hasFollowing = m_position + 1 < m_length;
        if (c == '/' && hasFollowing && (following == '/' || following == '*')) {
            m_position = following == '/'
                             ? skipPast(m_data, m_length, m_position + 2, '\n', 0, &m_line)
                             : skipPast(m_data, m_length, m_position + 2, '*', '/', &m_line);
            continue;
        }
        if (c == '"') {
            const bool star = hasFollowing && following == '*';
            m_position += star ? 2 : 1;
            readQuoted(token, star ? '*' : '"', star ? '"' : 0);
        } else if (c == '@' && hasFollowing && following == '@') {
            m_position += 2;
            readQuoted(token, '@', '@');
        } else if (c == '}') {
            ++m_position;
            token.kind = CloseBraceToken;
        } else {
            if (c == '@')
                ++m_position;
            readBareWord(token);
        }
        break;
    }
    // Brace and equals messages name the last string read, never the punctuation itself. Field
    // by field: one wide copy of the token just written would wait for its narrow stores.
    if (token.kind == StringToken) {
        m_lastString.text = token.text;
        m_lastString.length = token.length;
    }
}

Q_ALWAYS_INLINE void ORNAKTFParser::readBareWord(Token &token)
{
    const char *data = m_data;
    const qsizetype start = m_position;
    qsizetype position = start;
    if (position < m_length) {
        const char c = data[position];
        if (c == '=' || c == '{' || c == '}') {
            m_position = position + 1;
            token.kind = c == '=' ? EqualsToken : c == '{' ? OpenBraceToken : CloseBraceToken;
            return;
        }
    }
    position = wordEnd(data, position, m_length);
    if (position < m_length && classOf(data[position]) == BlankByte) {
        token.kind = StringToken;
        token.text = data + start;
        token.length = position - start;
        m_line += data[position] == '\n';
        m_position = position + 1;
        return;
    }
    token.kind = StringToken;
    token.text = data + start;
    token.length = position - start;
    m_position = position;
}

// Collects a quoted string up to its closing mark; without escapes the token is a view of the
// input, with escapes its bytes are copied into a fresh part of the scratch buffer.
void ORNAKTFParser::readQuoted(Token &token, char closing, char second)
{
    const char *data = m_data;
    const qsizetype length = m_length;
    const qsizetype start = m_position;
    qsizetype position = start;
    qsizetype end = length;
    // Once an escape was met, the bytes from copied on are still to be moved into the buffer.
    char *out = nullptr;
    qsizetype copied = start;
    int line = m_line;
    for (;;) {
        position = quotedSpecial(data, position, length, closing);
        if (position >= length)
            break;
        const char c = data[position];
        if (c == '\n') {
            ++line;
            ++position;
        } else if (c == '\\') {
            if (!out)
                out = m_scratch.get() + m_scratchUsed;
            std::memcpy(out, data + copied, size_t(position - copied));
            out += position - copied;
            if (++position < length) {
                if (data[position] == '\n')
                    ++line;
                *out++ = data[position++];
            }
            copied = position;
        } else if (second == 0 || (position + 1 < length && data[position + 1] == second)) {
            end = position;
            position += second == 0 ? 1 : 2;
            break;
        } else {
            ++position;
        }
    }
    token.kind = StringToken;
    if (out) {
        std::memcpy(out, data + copied, size_t(end - copied));
        out += end - copied;
        token.text = m_scratch.get() + m_scratchUsed;
        token.length = out - token.text;
        m_scratchUsed += token.length;
    } else {
        token.text = data + start;
        token.length = end - start;
    }
    m_position = position;
    m_line = line;
}

void ORNAKTFParser::rewind()
{
    m_position = m_markPosition;
    m_line = m_markLine;
    // The tokens read again must not take new room: the buffer is only as long as the input.
    m_scratchUsed = m_markScratch;
}

Q_ALWAYS_INLINE ORNAKTFParser::Step ORNAKTFParser::expectEntry(const Token &token)
{
    switch (token.kind) {
    case StringToken: {
        if (token.length == 0 || token.text[0] == '#') {
            bool handled = false;
            const Step step = directive(token, &handled);
            if (handled)
                return step;
        }
        m_tag = token;
        keyTag();
        m_tagLine = m_tokenLine;
        m_state = AfterTag;
        return GoOn;
    }
    case OpenBraceToken:
        return openBrace();
    case CloseBraceToken:
        return closeBrace();
    case EqualsToken:
        return reportError(QStringLiteral("Unexpected Equal char after token: ") +
                           tokenText(m_lastString))
                   ? Stop
                   : GoOn;
    default:
        return Finished;
    }
}

ORNAKTFParser::Step ORNAKTFParser::openBrace()
{
    if (m_lastNode && m_skipDepth == 0) {
        openLastNode();
        return GoOn;
    }
    if (m_skipDepth != 0) {
        pushSkipped();
        return GoOn;
    }
    return reportError(QStringLiteral("Unexpected Open-Brace after token: ") +
                       tokenText(m_lastString))
               ? Stop
               : GoOn;
}

ORNAKTFParser::Step ORNAKTFParser::closeBrace()
{
    bool unexpected = m_braceKinds.empty();
    if (!unexpected) {
        const int kind = m_braceKinds.back();
        m_braceKinds.pop_back();
        int &count = kind == ActiveBlock    ? m_activeBlocks
                     : kind == SkippedBlock ? m_skipDepth
                                            : m_nodeDepth;
        if (count == 0) {
            unexpected = true;
        } else {
            --count;
            if (kind == NodeBlock && !m_parentStack.empty()) {
                m_currentParent = m_parentStack.back();
                if (m_parentStack.size() > 1)
                    m_parentStack.pop_back();
            }
        }
    }
    if (!unexpected)
        return GoOn;
    return reportError(QStringLiteral("Unexpected Close-Brace after token: ") +
                       tokenText(m_lastString))
               ? Stop
               : GoOn;
}

Q_ALWAYS_INLINE ORNAKTFParser::Step ORNAKTFParser::afterTag(const Token &token)
{
    switch (token.kind) {
    case EqualsToken:
        m_state = AfterEquals;
        return GoOn;
    case OpenBraceToken:
        if (m_skipDepth == 0) {
            makeNode(Token(), false);
            openLastNode();
        } else {
            pushSkipped();
        }
        m_state = ExpectEntry;
        return GoOn;
    case StringToken: {
        const Token value = token;
        Token brace;
        nextToken(brace);
        m_state = ExpectEntry;
        if (brace.kind == OpenBraceToken) {
            if (m_skipDepth == 0) {
                makeNode(value, true);
                openLastNode();
            } else {
                pushSkipped();
            }
            return GoOn;
        }
        const bool stop = reportError(QStringLiteral("Missing a '=' between '") + tokenText(m_tag) +
                                          QLatin1Char(' ') + tokenText(value) +
                                          QStringLiteral("' or missing an opening '{'."),
                                      m_tagLine);
        rewind();
        return stop ? Stop : GoOn;
    }
    case CloseBraceToken: {
        const bool stop =
            reportError(QStringLiteral("Unexpected close brace after token: ") + tokenText(m_tag));
        rewind();
        m_state = ExpectEntry;
        return stop ? Stop : GoOn;
    }
    default:
        return reportError(QStringLiteral("Reached end of file too early after token: ") +
                           tokenText(m_tag))
                   ? Stop
                   : Finished;
    }
}

Q_ALWAYS_INLINE ORNAKTFParser::Step ORNAKTFParser::afterEquals(const Token &token)
{
    m_state = ExpectEntry;
    if (token.kind == StringToken) {
        if (m_skipDepth == 0)
            makeNode(token, true);
        return GoOn;
    }
    if (reportError(QStringLiteral("Expected a string after '=' token")))
        return Stop;
    rewind();
    // The value that failed leaves no text for the messages that follow.
    m_lastString = Token();
    if (m_skipDepth == 0)
        makeNode(Token(), false);
    return GoOn;
}

// Keys the tag as soon as it is read and fetches its slot of the name cache, which is seldom in
// the processor's cache, while the rest of the entry is read.
Q_ALWAYS_INLINE void ORNAKTFParser::keyTag()
{
    const char *data = m_tag.text;
    qsizetype length = m_tag.length;
    // Field<int> names a node Field.
    if (length > 0 && data[length - 1] == '>') {
        if (const void *open = std::memchr(data, '<', size_t(length)))
            length = static_cast<const char *>(open) - data;
    }
    // Tags from the scratch buffer (with escapes) take the careful way of loading their bytes.
    m_tagKey = ORNAKTFNameCache::keyOf(data, length, readableEnd(data, length));
    m_names->prefetch(m_tagKey);
}

Q_ALWAYS_INLINE const QString *ORNAKTFParser::tagName()
{
    if (m_tagKey.length == 0)
        return ORNATree::emptyName();
    if (const QString *name = m_names->find(m_tagKey))
        return name;
    const QString *name = ORNATree::internName(decode(m_tagKey.data, m_tagKey.length));
    m_names->insert(m_tagKey, name);
    return name;
}

Q_ALWAYS_INLINE ORNATreeText ORNAKTFParser::storeValue(const char *data, qsizetype length)
{
    if (length == 0)
        return ORNATreeText();
    // As in decode(), ASCII is widened in one pass, here straight into the value store.
    // Room for whole sixteen-byte steps; only length code units are taken.
    const qsizetype room = (length + 15) & ~qsizetype(15);
    if (widen(data, length, m_values.reserve(room), m_encoding == Utf8Encoding,
              readableEnd(data, length), room))
        return m_values.commit(length);
    return m_values.store(QString::fromUtf8(data, length));
}

Q_ALWAYS_INLINE void ORNAKTFParser::makeNode(const Token &value, bool hasValue)
{
    ORNATreeText text;
    if (hasValue) {
        if (m_mode != KeepReferences &&
            containsReference(value.text, value.length, readableEnd(value.text, value.length)))
            text = m_values.store(m_variables.expand(tokenText(value), m_currentParent));
        else
            text = storeValue(value.text, value.length);
    }
    ORNATree *node = new ORNATree(tagName(), std::move(text), m_internedFile, m_tagLine);
    node->setValueLineOffset(m_tokenLine - m_tagLine);
    m_lastNode = node;
    m_currentParent->appendChild(node);
}

void ORNAKTFParser::openLastNode()
{
    m_parentStack.push_back(m_currentParent);
    m_currentParent = m_lastNode;
    ++m_nodeDepth;
    m_braceKinds.push_back(NodeBlock);
    m_lastNode = nullptr;
}

void ORNAKTFParser::pushSkipped()
{
    m_braceKinds.push_back(SkippedBlock);
    ++m_skipDepth;
}

ORNAKTFParser::Step ORNAKTFParser::directive(const Token &token, bool *handled)
{
    *handled = true;
    const char *text = token.text;
    const qsizetype length = token.length;
    if (sameBytes(text, length, "#echo"))
        return echoOrAbort(false);
    if (sameBytes(text, length, "#abort"))
        return echoOrAbort(true);
    if (sameBytes(text, length, "#if"))
        return ifStatement();
    if (m_skipDepth == 0) {
        if (sameBytes(text, length, "#ifdef"))
            return definedStatement("#ifdef", false, false);
        if (sameBytes(text, length, "#ifndef"))
            return definedStatement("#ifndef", false, true);
        if (sameBytes(text, length, "#ifset"))
            return definedStatement("#ifset", true, false);
        if (sameBytes(text, length, "#ifnset"))
            return definedStatement("#ifnset", true, true);
        if (sameBytes(text, length, "#include"))
            return includeStatement();
    }
    *handled = false;
    return GoOn;
}

ORNAKTFParser::Step ORNAKTFParser::echoOrAbort(bool abort)
{
    Token argument;
    nextToken(argument);
    if (argument.length == 0) {
        return reportError(abort ? QStringLiteral("Incomplete #abort-statement")
                                 : QStringLiteral("Incomplete #echo-statement"))
                   ? Stop
                   : GoOn;
    }
    if (m_skipDepth != 0)
        return GoOn;
    const QString text = m_variables.expand(tokenText(argument), m_currentParent);
    if (!abort) {
        semanticInfo(m_currentParent, text);
        return GoOn;
    }
    semanticError(m_currentParent, text);
    return reportError(QStringLiteral("#aborted ") + text) ? Stop : GoOn;
}

ORNAKTFParser::Step ORNAKTFParser::ifStatement()
{
    Token expression;
    nextToken(expression);
    Token brace;
    nextToken(brace);
    if (expression.length == 0 || brace.kind != OpenBraceToken)
        return reportError(QStringLiteral("Incomplete #if-statement")) ? Stop : GoOn;
    const bool holds = m_variables.evaluate(tokenText(expression), m_currentParent);
    if (holds && m_skipDepth == 0) {
        m_braceKinds.push_back(ActiveBlock);
        ++m_activeBlocks;
    } else {
        pushSkipped();
    }
    return GoOn;
}

ORNAKTFParser::Step ORNAKTFParser::definedStatement(const char *keyword, bool set, bool negate)
{
    Token name;
    nextToken(name);
    Token brace;
    nextToken(brace);
    if (name.length == 0 || brace.kind != OpenBraceToken) {
        return reportError(QStringLiteral("Incomplete ") + QLatin1String(keyword) +
                           QStringLiteral("-statement"))
                   ? Stop
                   : GoOn;
    }
    const QString variable = tokenText(name);
    const bool condition = set ? m_variables.isSet(variable) : m_variables.defined(variable);
    if (condition != negate) {
        m_braceKinds.push_back(ActiveBlock);
        ++m_activeBlocks;
    } else {
        pushSkipped();
    }
    return GoOn;
}

ORNAKTFParser::Step ORNAKTFParser::includeStatement()
{
    Token name;
    nextToken(name);
    if (name.length == 0)
        return reportError(QStringLiteral("Incomplete #include-statement")) ? Stop : GoOn;
    const QString file = m_variables.expand(tokenText(name), m_currentParent);
    QString problem;
    if (m_includeDepth >= 50) {
        problem = QStringLiteral("maximum include depth limit (50) reached");
    } else if (ORNAUtils::normalizePath(file) == ORNAUtils::normalizePath(m_variables.file())) {
        problem = QStringLiteral("can't include itself");
    } else if (!ORNAFile::fileExists(file)) {
        problem = QStringLiteral("include file not found: ") + file;
    } else {
        return includeFile(file);
    }
    return reportError(problem) ? Stop : GoOn;
}

// Includes that each include the next twice multiply, and a large file included many times
// would hold all its copies: one document reads at most so many includes and bytes.
ORNAKTFParser::Step ORNAKTFParser::includeFile(const QString &file)
{
    if (++m_budget->includes > 10000)
        return stopForBudget(QStringLiteral("too many includes, stopped parsing"));
    const ORNAFileContent content = ORNAFile::readWholeFile(file, true);
    if (content.refused) {
        return reportError(QStringLiteral("Failed to read ") + file + QStringLiteral(": ") +
                           content.error)
                   ? Stop
                   : GoOn;
    }
    m_budget->bytes += content.data.size();
    if (m_budget->bytes > ORNAFile::maximumReadSize)
        return stopForBudget(QStringLiteral("included files exceed 256 MiB, stopped parsing"));
    ORNAKTFParser included(m_currentParent, m_mode, m_includeDepth + 1, m_variables, m_budget);
    const bool read = included.parseBytes(content.data, false, file);
    if (!m_budget->exhausted.isEmpty())
        return stopForBudget(m_budget->exhausted);
    if (read)
        return GoOn;
    return reportError(QStringLiteral("error in included file")) ? Stop : GoOn;
}

ORNAKTFParser::Step ORNAKTFParser::stopForBudget(const QString &message)
{
    m_budget->exhausted = message;
    reportStop(message);
    return Stop;
}

bool ORNAKTFParser::reportError(const QString &message, int line)
{
    const QByteArray file = m_errorFileName.toUtf8();
    ++m_errorCount;
    m_errorString = m_errorFileName + QLatin1Char('(') + QString::number(m_line) +
                    QStringLiteral("):") + message;
    m_lastErrorMessage = message;
    m_errorLine = line == -1 ? m_line : line;
    ORNA_LOG_ENTRY(ORNAWarningMessage, "ORNAParserError: ", "ParserError", file.constData(),
                   m_errorLine, message);
    if (m_errorCount <= m_maxErrorCount)
        return false;
    reportStop(QStringLiteral("too many errors, stopped parsing"));
    return true;
}

void ORNAKTFParser::reportStop(const QString &message)
{
    ++m_errorCount;
    m_lastErrorMessage = message;
    m_errorString = m_errorFileName + QLatin1Char('(') + QString::number(m_line) +
                    QStringLiteral("): ") + message;
    m_errorLine = m_line;
    ORNA_LOG_ENTRY(ORNAWarningMessage, "ORNAParserError: ", "ParserError",
                   m_errorFileName.toUtf8().constData(), m_errorLine, message);
}

namespace {

void logSemantic(const char *prefix, const char *category, const ORNATree *at, const QString &text)
{
    const QByteArray file = at->sourceFile().toUtf8();
    ORNA_LOG_ENTRY(ORNAWarningMessage, prefix, category, file.constData(), at->line(),
                   "<font color=black>" << at->name() << " " << at->value()
                                        << "</font> : " << text);
}

QString coloured(const char *colour, const QString &text)
{
    return QStringLiteral("<font color = ") + QLatin1String(colour) + QLatin1Char('>') + text +
           QStringLiteral("</font>");
}

} // namespace

void ORNAKTFParser::semanticInfo(const ORNATree *at, const QString &text)
{
    logSemantic("ORNASemanticInfo: ", "SemanticInfo", at, text);
}

void ORNAKTFParser::semanticWarning(const ORNATree *at, const QString &text)
{
    logSemantic("ORNASemanticWarning: ", "SemanticWarning", at, coloured("#c06000", text));
}

void ORNAKTFParser::semanticError(const ORNATree *at, const QString &text)
{
    logSemantic("ORNASemanticError: ", "SemanticError", at, coloured("red", text));
}
