// Feeds arbitrary bytes to the KTF reader, then checks that the written tree reads back equal.

#include "ornaBase.h"
#include "ornaKTFParser.h"
#include "ornaKTFWriter.h"
#include "ornaTree.h"

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
            const QString &name = node->child(i)->name();
            if (name.isEmpty() || name.startsWith('#') ||
                (name.contains('<') && name.endsWith('>')))
                return false;
            pending.push_back(node->child(i));
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
    }
    ORNAKTFParser raw(ORNAKTFParser::KeepReferences), again(ORNAKTFParser::KeepReferences);
    raw.parseString(QString::fromUtf8(bytes), true);
    const QString text = ORNAKTF::toString(raw.root());
    if (writable(raw.root()) &&
        !(again.parseString(text, true) && ORNAKTF::equals(raw.root(), again.root(), false))) {
        std::fprintf(stderr, "round trip failed for:\n%s\n", text.toUtf8().constData());
        std::abort();
    }
    return 0;
}
