#include "ornaKTFPositionReader.h"

#include "ornaFile.h"
#include "ornaKTFTokenizer.h"
#include "ornaLogging.h"
#include "ornaTree.h"

#include <vector>

namespace {

// Reads tokens for one document, turning comments into comment nodes of the current parent.
class PositionScanner
{
public:
    PositionScanner(const QByteArray &bytes, int baseLine) : m_baseLine(baseLine)
    {
        m_cursor.data = bytes.constData();
        m_cursor.length = bytes.size();
        m_tokenizer.setInput(&m_cursor);
        m_tokenizer.setSkipComments(false);
    }

    int fetch(ORNATree *parent)
    {
        for (;;) {
            m_tokenizer.next();
            const int kind = m_tokenizer.tokenKind();
            if (kind != ORNAKTFTokenizer::LineComment && kind != ORNAKTFTokenizer::BlockComment)
                return kind;
            ORNATree *comment = new ORNATree(
                QString(), QString::fromLatin1(m_tokenizer.tokenText()), QString(), line());
            comment->setComment(true);
            parent->appendChild(comment);
        }
    }

    int line() const { return m_baseLine + m_tokenizer.tokenLine(); }
    int column() const { return int(m_tokenizer.tokenStart() - m_tokenizer.tokenLineStart()); }
    int length() const { return int(m_tokenizer.tokenEnd() - m_tokenizer.tokenStart()); }
    int endLine() const
    {
        // Quoted values may span lines: the end is on the start line plus their line feeds.
        int line = m_tokenizer.tokenLine();
        for (qsizetype i = m_tokenizer.tokenStart(); i < m_tokenizer.tokenEnd(); ++i) {
            if (m_cursor.data[i] == '\n')
                ++line;
        }
        return m_baseLine + line;
    }
    int endColumn() const
    {
        qsizetype start = m_tokenizer.tokenEnd();
        while (start > m_tokenizer.tokenStart() && m_cursor.data[start - 1] != '\n')
            --start;
        if (start == m_tokenizer.tokenStart())
            start = m_tokenizer.tokenLineStart();
        return int(m_tokenizer.tokenEnd() - start);
    }
    QString text() const { return QString::fromLatin1(m_tokenizer.tokenText()); }

    QString where() const
    {
        return QStringLiteral(" in line ") + QString::number(line()) + QStringLiteral(", column ") +
               QString::number(column());
    }

private:
    ORNAInputCursor m_cursor;
    ORNAKTFTokenizer m_tokenizer;
    int m_baseLine;
};

} // namespace

ORNATree *ORNAKTFPositionReader::read(const QString &path)
{
    QString text;
    if (ORNAFile::fileExists(path)) {
        const ORNAFileContent content = ORNAFile::readWholeFile(path, true);
        if (content.error.isEmpty())
            text = QString::fromLatin1(content.data);
        else
            ORNA_ERROR("ORNAFile", "error reading file " << path);
    } else {
        ORNA_ERROR("ORNAFile", "file does not exist " << path);
    }
    return readText(text, 1);
}

ORNATree *ORNAKTFPositionReader::readText(const QString &text, int baseLine)
{
    using T = ORNAKTFTokenizer;
    m_baseLine = baseLine;
    m_error.clear();
    const QByteArray bytes = text.toLatin1();
    PositionScanner scanner(bytes, baseLine);
    ORNATree *root = new ORNATree(QStringLiteral("root"));
    root->ref();

    // The open nodes; their entries are read in a loop, not by recursion, so depth is no limit.
    std::vector<ORNATree *> open;
    ORNATree *parent = root;
    int token = scanner.fetch(parent);
    for (;;) {
        if (token == T::CloseBrace || token == T::EndOfInput) {
            if (open.empty())
                return root;
            if (token != T::CloseBrace) {
                m_error = QStringLiteral("Expected '}'") + scanner.where();
                break;
            }
            if (m_recording) {
                ORNAKTFPosition &position = m_positions[parent];
                position.closeBraceLine = scanner.line();
                position.closeBraceColumn = scanner.column();
            }
            parent = open.back();
            open.pop_back();
            token = scanner.fetch(parent);
            continue;
        }
        if (token != T::String) {
            m_error = QStringLiteral("Expected an KTF tag") + scanner.where();
            break;
        }
        ORNATree *node = new ORNATree(scanner.text(), QString(), QString(), scanner.line());
        parent->appendChild(node);
        if (m_recording) {
            ORNAKTFPosition &position = m_positions[node];
            position.tagColumn = scanner.column();
            position.tagLength = scanner.length();
        }
        token = scanner.fetch(parent);
        if (token == T::Equals) {
            if (scanner.fetch(parent) != T::String) {
                m_error = QStringLiteral("Expected an KTF tag") + scanner.where();
                break;
            }
            node->setValue(scanner.text());
            // Where the value stands, so that an edit finds it also below its tag.
            node->setValueLineOffset(scanner.line() - node->line());
            if (m_recording) {
                ORNAKTFPosition &position = m_positions[node];
                position.valueColumn = scanner.column();
                position.valueLength = scanner.length();
                position.valueEndLine = scanner.endLine();
                position.valueEndColumn = scanner.endColumn();
            }
            token = scanner.fetch(parent);
        }
        if (token == T::OpenBrace) {
            if (m_recording) {
                ORNAKTFPosition &position = m_positions[node];
                position.openBraceLine = scanner.line();
                position.openBraceColumn = scanner.column();
            }
            open.push_back(parent);
            parent = node;
            token = scanner.fetch(parent);
        }
    }
    m_positions.clear();
    root->unref();
    return nullptr;
}
