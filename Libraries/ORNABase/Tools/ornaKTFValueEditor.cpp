#include "ornaKTFValueEditor.h"

#include "ornaFile.h"
#include "ornaKTFParser.h"
#include "ornaKTFPositionReader.h"
#include "ornaKTFWriter.h"
#include "ornaTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The replacement of a range of lines: first (1-based) and the number of further lines eaten.
struct LineEdit
{
    int line = 0;
    int extraLines = 0;
    QByteArray text;
};

class ValueEditor
{
public:
    ValueEditor(const QString &path, const QByteArray &content, const ORNAKTFPositionReader &reader)
        : m_path(path), m_reader(reader)
    {
        m_lines = content.split('\n');
        if (!m_lines.isEmpty() && m_lines.last().isEmpty() && content.endsWith('\n'))
            m_lines.removeLast();
        m_utf8 = ORNAKTFParser::headerEncoding(content.constData(), content.size(), false) ==
                 ORNAKTFParser::Utf8Encoding;
    }

    bool replaceValue(const ORNATree *node, const QString &newValue, LineEdit &edit);
    bool addEntry(const ORNATree *parent, const QString &name, const QString &value,
                  LineEdit &edit);
    QByteArray apply(const LineEdit &edit) const;
    QString error() const { return m_error; }

private:
    QByteArray lineAt(int line) const
    {
        return line >= 1 && line <= m_lines.size() ? m_lines.at(line - 1) : QByteArray();
    }
    QByteArray encode(const QString &text) const
    {
        return m_utf8 ? text.toUtf8() : text.toLatin1();
    }
    bool fail(const char *what, int line, int column)
    {
        m_error = QLatin1String(what) + QStringLiteral(" in file ") + m_path +
                  QStringLiteral(", line ") + QString::number(line) + QStringLiteral(": ") +
                  QString::number(column);
        return false;
    }
    bool insertAfterTag(const ORNATree *node, const ORNAKTFPosition &position,
                        const QString &newValue, LineEdit &edit);

    QString m_path;
    const ORNAKTFPositionReader &m_reader;
    QList<QByteArray> m_lines;
    bool m_utf8 = false;
    QString m_error;
};

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// An empty value is written as "": left out, the next tag would be read as the value.
QString valueText(const QString &value)
{
    return value.isEmpty() ? QStringLiteral("\"\"") : ORNAKTF::quoteIfNeeded(value);
}

bool ValueEditor::replaceValue(const ORNATree *node, const QString &newValue, LineEdit &edit)
{
    const ORNAKTFPosition position = m_reader.position(node);
    if (position.valueColumn < 0) {
        if (!node->valueView().isEmpty()) {
            m_error = QStringLiteral("value line position is -1");
            return false;
        }
        return insertAfterTag(node, position, newValue, edit);
    }
    edit.line = node->line() + node->valueLineOffset();
    const QByteArray first = lineAt(edit.line);
    if (first.size() < position.valueColumn)
        return fail("value position not found", edit.line, position.valueColumn);
    QString text = valueText(newValue);
    if (text == newValue && position.valueLength > node->valueView().size())
        text = QLatin1Char('"') + newValue + QLatin1Char('"');
    int end = position.valueColumn + position.valueLength;
    if (position.valueEndLine > edit.line) {
        edit.extraLines = position.valueEndLine - edit.line;
        if (position.valueEndLine > m_lines.size()) {
            m_error = QStringLiteral("end of file reached while replacing the value");
            return false;
        }
        end = position.valueEndColumn;
    }
    const QByteArray last = lineAt(edit.line + edit.extraLines);
    if (last.size() < end)
        return fail("value end position not found", edit.line + edit.extraLines, end);
    edit.text = first.left(position.valueColumn) + encode(text) + last.mid(end);
    return true;
}

bool ValueEditor::insertAfterTag(const ORNATree *node, const ORNAKTFPosition &position,
                                 const QString &newValue, LineEdit &edit)
{
    edit.line = node->line();
    const QByteArray line = lineAt(edit.line);
    if (line.size() < position.tagColumn)
        return fail("tag position not found", edit.line, position.tagColumn);
    const int tagEnd = position.tagColumn + position.tagLength;
    if (line.size() < tagEnd)
        return fail("tag end position not found", edit.line, tagEnd);
    if (position.openBraceLine < 0)
        return fail("tag has no open brace", edit.line, position.tagColumn);
    const QByteArray rest = line.mid(tagEnd);
    edit.text = line.left(tagEnd) + ' ' + encode(valueText(newValue));
    if (rest.isEmpty() || !isBlank(rest.at(0)))
        edit.text += ' ';
    edit.text += rest;
    return true;
}

bool ValueEditor::addEntry(const ORNATree *parent, const QString &name, const QString &value,
                           LineEdit &edit)
{
    const ORNAKTFPosition position = m_reader.position(parent);
    edit.line = position.closeBraceLine;
    const QByteArray line = lineAt(edit.line);
    // Without a recorded brace there is no line to add to: an edit would silently do nothing.
    if (position.closeBraceLine < 0 || line.size() < position.closeBraceColumn)
        return fail("close brace position not found", edit.line, position.closeBraceColumn);
    const QByteArray prefix = line.left(position.closeBraceColumn);
    const QByteArray rest = line.mid(position.closeBraceColumn);
    // A name with blanks or line feeds written bare would come back as other entries.
    const QByteArray entry =
        encode(ORNAKTF::quoteIfNeeded(name) + QStringLiteral(" = ") + valueText(value));
    const bool onlyBlanks = std::all_of(prefix.begin(), prefix.end(), isBlank);
    if (!onlyBlanks) {
        edit.text = prefix;
        if (!isBlank(prefix.back()))
            edit.text += ' ';
        edit.text += entry + ' ' + rest;
    } else {
        edit.text = prefix + "  " + entry + '\n' + prefix + rest;
    }
    return true;
}

QByteArray ValueEditor::apply(const LineEdit &edit) const
{
    QByteArray out;
    for (int i = 0; i < m_lines.size(); ++i) {
        if (i + 1 == edit.line) {
            out += edit.text;
            out += '\n';
            i += edit.extraLines;
            continue;
        }
        out += m_lines.at(i);
        out += '\n';
    }
    return out;
}

QPair<QString, QString> splitElement(const QString &element)
{
    const qsizetype hash = element.indexOf(QLatin1Char('#'), 1);
    if (hash < 0)
        return {element, QString()};
    return {element.left(hash), element.mid(hash + 1)};
}

// Follows the path from node; several children may carry a name, and each is tried in turn.
const ORNATree *findPath(const ORNATree *node, const QStringList &path, int index)
{
    if (index == path.size())
        return node;
    const auto [name, value] = splitElement(path.at(index));
    const bool withValue = path.at(index).indexOf(QLatin1Char('#'), 1) >= 0;
    for (int i = 0; i < node->childCount(); ++i) {
        const ORNATree *child = node->child(i);
        if (child->isComment() || child->name().compare(name, Qt::CaseInsensitive) != 0)
            continue;
        if (withValue && child->valueView() != value)
            continue;
        if (const ORNATree *found = findPath(child, path, index + 1))
            return found;
    }
    return nullptr;
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Removes a temporary file that is not wanted; buffered bytes that cannot be written any more
// must not keep it alive, so it is removed by name.
void discard(QTemporaryFile &temporary, QString &errorMessage)
{
    const QString name = temporary.fileName();
    temporary.setAutoRemove(false);
    temporary.close();
    if (::unlink(QFile::encodeName(name).constData()) != 0 && errno != ENOENT)
        errorMessage =
            QStringLiteral("failed to remove ") + name + QStringLiteral(": ") + systemError();
}

// Writes content into a new file beside target and puts it in target's place with one rename,
// so that target holds either its old or its new text, never a part.
bool replaceFile(const QString &target, const QByteArray &content, QString &errorMessage)
{
    const QFileInfo info(target);
    QTemporaryFile temporary(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                             QStringLiteral(".XXXXXX"));
    if (!temporary.open()) {
        errorMessage =
            QStringLiteral("failed to open temporary file for writing: ") + temporary.fileName();
        return false;
    }
    const QString temporaryName = temporary.fileName();
    struct stat status;
    const QByteArray nativeTarget = QFile::encodeName(target);
    if (::stat(nativeTarget.constData(), &status) == 0) {
        ::fchmod(temporary.handle(), status.st_mode & 07777);
        if (::fchown(temporary.handle(), status.st_uid, status.st_gid) != 0) {
            // Only the owner or root may change owners; the content matters more.
        }
    }
    if (temporary.write(content) != content.size() || !temporary.flush() ||
        ::fsync(temporary.handle()) != 0) {
        errorMessage = QStringLiteral("failed to write temporary file ") + temporaryName +
                       QStringLiteral(": ") + temporary.errorString();
        discard(temporary, errorMessage);
        return false;
    }
    temporary.close();
    if (::rename(QFile::encodeName(temporaryName).constData(), nativeTarget.constData()) != 0) {
        errorMessage = QStringLiteral("failed to rename ") + temporaryName +
                       QStringLiteral(" to ") + target + QStringLiteral(": ") + systemError();
        discard(temporary, errorMessage);
        return false;
    }
    temporary.setAutoRemove(false);
    const int directory = ::open(QFile::encodeName(info.absolutePath()).constData(), O_RDONLY);
    if (directory >= 0) {
        ::fsync(directory);
        ::close(directory);
    }
    return true;
}

} // namespace

bool ORNAKTF::setValueInFile(const QString &path, const QStringList &tagPath,
                             const QString &newValue, QString &errorMessage)
{
    ORNAKTFPositionReader reader;
    reader.setRecording(true);
    ORNATree *root = reader.read(path);
    if (!root) {
        errorMessage = QStringLiteral("failed to parse KTF file: ") + reader.errorString();
        return false;
    }
    struct Release
    {
        ORNATree *tree;
        ~Release() { tree->unref(); }
    } release{root};

    const QStringList parentPath = tagPath.mid(0, tagPath.size() - 1);
    const ORNATree *parent = parentPath.isEmpty() ? nullptr : findPath(root, parentPath, 0);
    if (!parent)
        return false;

    const ORNAFileContent content = ORNAFile::readWholeFile(path, false);
    if (!content.error.isEmpty()) {
        errorMessage = QStringLiteral("failed to open ") + path + QStringLiteral(" for reading: ") +
                       content.error;
        return false;
    }

    ValueEditor editor(path, content.data, reader);
    LineEdit edit;
    const QString name = tagPath.last();
    const ORNATree *entry = parent->findChild(name);
    const bool edited = entry ? editor.replaceValue(entry, newValue, edit)
                              : editor.addEntry(parent, name, newValue, edit);
    if (!edited) {
        errorMessage = editor.error();
        return false;
    }
    // A link is followed: the file it points to gets the new text, the link stays.
    const QFileInfo info(path);
    const QString target = info.isSymLink() ? info.canonicalFilePath() : path;
    return replaceFile(target, editor.apply(edit), errorMessage);
}
