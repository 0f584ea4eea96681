// Reads arbitrary bytes with the position-keeping reader and edits one value in them as a
// file; an edit that reports success must read back with the new value, a failed one must
// leave the file as it was.

#include "ornaBase.h"
#include "ornaKTFParser.h"
#include "ornaKTFPositionReader.h"
#include "ornaKTFValueEditor.h"
#include "ornaTree.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

QTemporaryDir *workDirectory = nullptr;

struct Target
{
    QStringList path;
    QString name;
    bool afterTag;
};

bool plainName(const QString &name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('#')) && !name.contains(QLatin1Char('/'));
}

const ORNATree *follow(const ORNATree *root, const QStringList &path)
{
    // The same rule as the editor: names ignoring case, first parent that has the path.
    if (path.isEmpty())
        return root;
    for (int i = 0; i < root->childCount(); ++i) {
        const ORNATree *child = root->child(i);
        if (child->isComment() || child->name().compare(path.first(), Qt::CaseInsensitive) != 0)
            continue;
        if (const ORNATree *found = follow(child, path.mid(1)))
            return found;
    }
    return nullptr;
}

// Entries below the top level whose path the editor can name, in document order. Whether the
// value goes after the tag depends on the entry the editor really changes: the first of that
// name below the first parent the path leads to.
std::vector<Target> candidates(const ORNATree *root, const ORNAKTFPositionReader &reader)
{
    std::vector<Target> found;
    struct Frame
    {
        const ORNATree *node;
        QStringList path;
    };
    std::vector<Frame> pending{{root, {}}};
    while (!pending.empty() && found.size() < 64) {
        Frame frame = pending.back();
        pending.pop_back();
        for (int i = 0; i < frame.node->childCount(); ++i) {
            const ORNATree *child = frame.node->child(i);
            if (child->isComment() || !plainName(child->name()))
                continue;
            if (!frame.path.isEmpty()) {
                const ORNATree *parent = follow(root, frame.path);
                const ORNATree *edited = parent ? parent->findChild(child->name()) : nullptr;
                found.push_back(
                    {frame.path, child->name(), edited && reader.position(edited).valueColumn < 0});
            }
            if (child->childCount() > 0 && frame.path.size() < 8)
                pending.push_back({child, frame.path + QStringList(child->name())});
        }
    }
    return found;
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
    std::vector<Target> targets = candidates(tree, reader);
    tree->unref();
    if (targets.empty())
        return 0;
    Target target = targets[(data[0] / 8) % targets.size()];
    if (data[0] & 0x80) {
        target.name = QStringLiteral("FuzzEntry");
        target.afterTag = false;
    }

    const QString path = workDirectory->filePath(QStringLiteral("edit.ktf"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(content);
    file.close();

    QString error;
    const bool edited =
        ORNAKTF::setValueInFile(path, target.path + QStringList(target.name), newValue, error);
    QFile result(path);
    if (!result.open(QIODevice::ReadOnly))
        std::abort();
    const QByteArray after = result.readAll();
    if (!edited) {
        if (after != content)
            std::abort();
        return 0;
    }
    // A value with a line feed and an edit in a file with CR bytes may shift lines, and a value
    // put after a tag makes the "Tag Value {" form that only the full reader knows; the plain
    // cases must read back exactly.
    if (newValue.contains(QLatin1Char('\n')) || content.contains('\r') || target.afterTag)
        return 0;
    ORNAKTFPositionReader check;
    ORNATree *reread = check.readText(QString::fromLatin1(after), 1);
    if (!reread) {
        std::fprintf(stderr, "edited file no longer reads: %s\n", qPrintable(check.errorString()));
        std::abort();
    }
    const ORNATree *parent = follow(reread, target.path);
    const ORNATree *entry = parent ? parent->findChild(target.name) : nullptr;
    const bool utf8 = ORNAKTFParser::headerEncoding(content.constData(), content.size(), false) ==
                      ORNAKTFParser::Utf8Encoding;
    const QByteArray written = utf8 ? newValue.toUtf8() : newValue.toLatin1();
    const bool good = entry && entry->value() == QString::fromLatin1(written);
    reread->unref();
    if (!good) {
        std::fprintf(
            stderr, "edit of %s did not read back\n",
            qPrintable(target.path.join(QLatin1Char('/')) + QLatin1Char('/') + target.name));
        std::abort();
    }
    return 0;
}
