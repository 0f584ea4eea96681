// Reads arbitrary bytes with the position-keeping reader and edits one value in them as a
// file; an edit that reports success must read back with the new value, a failed one must
// leave the file as it was.

#include "ornaBase.h"
#include "ornaKTFParser.h"
#include "ornaKTFPositionReader.h"
#include "ornaKTFValueEditor.h"
#include "ornaTree.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

QTemporaryDir *workDirectory = nullptr;

// The same rule as the editor: names ignoring case, the first parent that has the path.
const ORNATree *follow(const ORNATree *node, const QStringList &path)
{
    if (path.isEmpty())
        return node;
    for (int i = 0; i < node->childCount(); ++i) {
        const ORNATree *child = node->child(i);
        if (!child->isComment() && child->name().compare(path.first(), Qt::CaseInsensitive) == 0)
            if (const ORNATree *found = follow(child, path.mid(1)))
                return found;
    }
    return nullptr;
}

// The entry the editor changes for a path: the first of its name below the parent.
const ORNATree *target(const ORNATree *root, const QStringList &path)
{
    const ORNATree *parent = follow(root, path.mid(0, path.size() - 1));
    return parent ? parent->findChild(path.last()) : nullptr;
}

// A path of at least two names from the root down, as choice has it, or none.
QStringList pick(const ORNATree *node, size_t choice)
{
    QStringList path;
    while (node->childCount() > 0 && path.size() < 8 && (path.size() < 2 || choice % 4)) {
        const size_t count = size_t(node->childCount());
        node = node->child(int(choice % count));
        choice /= count;
        if (node->isComment() || node->name().isEmpty() || node->name().contains('#') ||
            node->name().contains('/'))
            return {};
        path << node->name();
    }
    return path.size() < 2 ? QStringList() : path;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    ORNABase::initialize();
    workDirectory = new QTemporaryDir;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    static const char *const values[] = {"2",          "a b",   "",       "x\"y",
                                         "line\nfeed", "*star", "\u00fc", "$(LOCAL)"};
    const QString newValue = QString::fromUtf8(values[data[0] % 8]);
    const QByteArray content(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    ORNAKTFPositionReader reader;
    reader.setRecording(true);
    ORNATree *tree = reader.readText(QString::fromLatin1(content), 1);
    if (!tree)
        return 0;
    QStringList path = pick(tree, qHash(content, data[0]));
    const ORNATree *edited = path.isEmpty() ? nullptr : target(tree, path);
    // A value put after a tag makes the "Tag Value {" form that only the full reader knows.
    bool afterTag = edited && reader.position(edited).valueColumn < 0;
    tree->unref();
    if (path.isEmpty())
        return 0;
    if (data[0] & 0x80) {
        path.last() = QStringLiteral("FuzzEntry");
        afterTag = false;
    }
    const QString file = workDirectory->filePath(QStringLiteral("edit.ktf"));
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        out.write(content) != content.size())
        std::abort();
    out.close();
    QString error;
    const bool changed = ORNAKTF::setValueInFile(file, path, newValue, error);
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        std::abort();
    const QByteArray after = in.readAll();
    if (!changed && after != content)
        std::abort();
    // A value with a line feed and an edit in a file with CR bytes may shift lines; the plain
    // cases must read back exactly.
    if (!changed || newValue.contains('\n') || content.contains('\r') || afterTag)
        return 0;
    ORNAKTFPositionReader check;
    ORNATree *reread = check.readText(QString::fromLatin1(after), 1);
    const ORNATree *entry = reread ? target(reread, path) : nullptr;
    const bool utf8 = ORNAKTFParser::headerEncoding(content.constData(), content.size(), false) ==
                      ORNAKTFParser::Utf8Encoding;
    const bool good = entry && entry->value() == QString::fromLatin1(utf8 ? newValue.toUtf8()
                                                                          : newValue.toLatin1());
    if (reread)
        reread->unref();
    if (!good) {
        std::fprintf(stderr, "edit of %s did not read back: %s\n", qPrintable(path.join('/')),
                     qPrintable(check.errorString()));
        std::abort();
    }
    return 0;
}
