#include "ornaKTFWriter.h"

#include "ornaKTFParser.h"
#include "ornaLogging.h"
#include "ornaTree.h"

#include <QTextStream>

#include <utility>
#include <vector>

namespace {

const int IndentWidth = 2;

const char *encodingWord(const QTextStream &stream)
{
    switch (stream.encoding()) {
    case QStringConverter::Latin1:
        return "latin1";
    case QStringConverter::Utf8:
        return "utf8";
    default:
        ORNA_ERROR("ORNATree", "unsupported encoding, writing latin1");
        return "latin1";
    }
}

void writeIndent(QTextStream &stream, int level)
{
    for (int i = (level - 1) * IndentWidth; i > 0; --i)
        stream << ' ';
}

// Writes a node's head; true when its children and closing brace follow.
bool writeHead(QTextStream &stream, const ORNATree *node, int level)
{
    writeIndent(stream, level);
    if (node->isComment()) {
        stream << node->valueView() << '\n';
        return false;
    }
    stream << ORNAKTF::quoteIfNeeded(node->name());
    if (node->childCount() == 0) {
        stream << " = ";
        if (node->valueView().isEmpty())
            stream << "\"\"";
        else
            stream << ORNAKTF::quoteIfNeeded(node->value());
        stream << '\n';
        return false;
    }
    stream << ' ' << ORNAKTF::quoteIfNeeded(node->value()) << " {\n";
    return true;
}

bool needsQuoting(const QString &text)
{
    for (const QChar c : text) {
        switch (c.unicode()) {
        case ' ':
        case '\t':
        case '\r':
        case '\f':
        case '\n':
        case '"':
        case '*':
        case '@':
        case '\\':
        case '{':
        case '}':
        case '=':
            return true;
        default:
            break;
        }
    }
    return text.startsWith(QLatin1String("//")) || text.startsWith(QLatin1String("/*"));
}

void reportDifference(const ORNATree *a, const ORNATree *b, const char *what)
{
    ORNAKTFParser::semanticError(a, QLatin1String(what));
    ORNAKTFParser::semanticError(b, QLatin1String(what));
}

} // namespace

void ORNAKTF::write(const ORNATree *tree, QTextStream &stream, bool withHeader)
{
    if (withHeader)
        stream << "// KTF v1 " << encodingWord(stream) << '\n';
    // Explicit stack: documents may nest deeper than the call stack would allow.
    struct Frame
    {
        const ORNATree *node;
        int level;
        int next;
    };
    std::vector<Frame> stack{{tree, 0, 0}};
    while (!stack.empty()) {
        Frame &frame = stack.back();
        if (frame.next < frame.node->childCount()) {
            const ORNATree *child = frame.node->child(frame.next++);
            const int level = frame.level + 1;
            if (writeHead(stream, child, level))
                stack.push_back({child, level, 0});
            continue;
        }
        if (frame.level > 0) {
            writeIndent(stream, frame.level);
            stream << "}\n";
        }
        stack.pop_back();
    }
}

QString ORNAKTF::toString(const ORNATree *tree)
{
    QString text;
    QTextStream stream(&text);
    stream.setEncoding(QStringConverter::Utf8);
    write(tree, stream, false);
    stream.flush();
    return text;
}

QString ORNAKTF::quoteIfNeeded(const QString &text)
{
    if (!needsQuoting(text))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    if (!quoted.contains(QLatin1Char('"')) && !quoted.startsWith(QLatin1Char('*')))
        return QLatin1Char('"') + quoted + QLatin1Char('"');
    quoted.replace(QLatin1String("*\""), QLatin1String("*\\\""));
    return QLatin1String("\"*") + quoted + QLatin1String("*\"");
}

bool ORNAKTF::equals(const ORNATree *a, const ORNATree *b, bool report)
{
    bool equal = true;
    std::vector<std::pair<const ORNATree *, const ORNATree *>> pending{{a, b}};
    while (!pending.empty()) {
        const auto [left, right] = pending.back();
        pending.pop_back();
        if (!right) {
            equal = false;
            continue;
        }
        if (left->valueView() != right->valueView() || left->name() != right->name()) {
            if (report)
                reportDifference(left, right, "different name/value");
            equal = false;
            continue;
        }
        if (left->childCount() != right->childCount()) {
            if (report)
                reportDifference(left, right, "different number of children");
            equal = false;
            continue;
        }
        // Reversed, so that the pairs come off the stack in document order.
        for (int i = left->childCount(); i-- > 0;)
            pending.emplace_back(left->child(i), right->child(i));
    }
    return equal;
}
