// Feeds arbitrary bytes to the KTF reader, then checks that the written tree reads back equal.

#include "ornaBase.h"
#include "ornaKTFParser.h"
#include "ornaKTFWriter.h"
#include "ornaTree.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

// Trees the writer cannot express: empty names, names the reader takes as directives or cuts.
bool writable(const ORNATree *root)
{
    std::vector<const ORNATree *> pending{root};
    while (!pending.empty()) {
        const ORNATree *node = pending.back();
        pending.pop_back();
        for (int i = 0; i < node->childCount(); ++i) {
            const ORNATree *child = node->child(i);
            const QString &name = child->name();
            if (name.isEmpty() || name.startsWith(QLatin1Char('#')) ||
                (name.contains(QLatin1Char('<')) && name.endsWith(QLatin1Char('>'))))
                return false;
            pending.push_back(child);
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    ORNABase::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    {
        ORNAKTFParser parser(ORNAKTFParser::ExpandVariables);
        parser.parseBytes(bytes, true, QStringLiteral("/nonexistent/fuzz.ktf"));
        ORNATree *copy = parser.root()->clone();
        copy->ref();
        copy->merge(parser.root());
        copy->unref();
        (void)parser.root()->descendantCount();
    }
    ORNAKTFParser raw(ORNAKTFParser::KeepReferences);
    raw.parseString(QString::fromUtf8(bytes), true);
    if (!writable(raw.root()))
        return 0;
    ORNAKTFParser again(ORNAKTFParser::KeepReferences);
    const QString text = ORNAKTF::toString(raw.root());
    if (!again.parseString(text, true) || !ORNAKTF::equals(raw.root(), again.root(), false)) {
        std::fprintf(stderr, "round trip failed for:\n%s\n", text.toUtf8().constData());
        std::abort();
    }
    return 0;
}
