// Generates large KTF documents and measures how fast the reader builds their trees.
//
//   ktf_benchmark --generate FILE [ENTRIES]   writes a document (400000 entries by default)
//   ktf_benchmark --realistic FILE [LEAVES]   writes a realistic document (400067 leaves by
//                                              default) and the same tree as JSON to FILE.json
//   ktf_benchmark FILE [ROUNDS]                reads it ROUNDS times (default 5) from memory
//   ktf_benchmark --compare FILE [ROUNDS]      reads FILE and FILE.json by turns, ROUNDS times
//                                              each (default 9), with rapidjson for the JSON

#include "ornaBase.h"
#include "ornaKTFParser.h"
#include "ornaTree.h"
#include "realisticDocument.h"

#ifdef ORNA_HAVE_RAPIDJSON
#include <rapidjson/document.h>
#endif

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <malloc.h>
#include <sys/resource.h>
#include <vector>

namespace {

// A small deterministic generator, so that every run writes the same document.
class Random
{
public:
    quint32 next()
    {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 7;
        m_state ^= m_state << 17;
        return quint32(m_state >> 11);
    }
    int below(int bound) { return int(next() % quint32(bound)); }

private:
    quint64 m_state = 0x9E3779B97F4A7C15ull;
};

class Generator
{
public:
    explicit Generator(int entries) : m_target(entries)
    {
        static const char *const stems[] = {"install", "product", "desktop", "menu",    "icon",
                                            "license", "readme",  "finish",  "link",    "path",
                                            "target",  "version", "vendor",  "title",   "run",
                                            "command", "option",  "module",  "feature", "plugin"};
        static const char *const endings[] = {"Name",  "Directory", "File", "Text",  "Title",
                                              "Count", "Enabled",   "Mode", "Level", "Path"};
        for (int i = 0; i < 3000; ++i) {
            m_names.append(QByteArray(stems[i % 20]) + endings[(i / 20) % 10] +
                           QByteArray::number(i / 200));
        }
    }

    QByteArray generate()
    {
        m_out.reserve(m_target * 56);
        m_out += "// KTF v1 utf8\n// Generated settings for the reader benchmark.\n";
        for (int section = 0; m_count < m_target; ++section) {
            m_out += "Section";
            m_out += QByteArray::number(section);
            m_out += " {\n";
            ++m_count;
            for (int group = 0; group < 8 && m_count < m_target; ++group)
                writeBlock(2, 3 + m_random.below(3));
            m_out += "}\n";
        }
        return m_out;
    }

    int count() const { return m_count; }

private:
    void indent(int level) { m_out.append((level - 1) * 2, ' '); }

    const QByteArray &name() { return m_names.at(m_random.below(m_names.size())); }

    void writeValue()
    {
        const int kind = m_random.below(20);
        if (kind < 4) {
            m_out += "\"Halvaron Studio ";
            m_out += QByteArray::number(m_random.below(100));
            m_out += " optional component ";
            m_out += QByteArray::number(m_random.below(10000));
            m_out += '"';
        } else if (kind < 9) {
            m_out += QByteArray::number(m_random.below(1000000));
        } else if (kind < 12) {
            m_out += m_random.below(2) ? "true" : "no";
        } else {
            m_out += "/opt/halvaron/studio/lib/plugins/file";
            m_out += QByteArray::number(m_random.below(100000));
            m_out += ".so";
        }
    }

    // A block at `level` whose innermost entries stand at `leafLevel`.
    void writeBlock(int level, int leafLevel)
    {
        indent(level);
        m_out += name();
        m_out += " {\n";
        ++m_count;
        if (m_random.below(10) == 0) {
            indent(level + 1);
            m_out += "// ";
            m_out += name();
            m_out += " settings follow\n";
        }
        if (level + 1 == leafLevel) {
            const int leaves = 5 + m_random.below(11);
            for (int i = 0; i < leaves && m_count < m_target; ++i) {
                indent(leafLevel);
                m_out += name();
                m_out += " = ";
                writeValue();
                m_out += '\n';
                ++m_count;
            }
        } else {
            const int blocks = 1 + m_random.below(3);
            for (int i = 0; i < blocks && m_count < m_target; ++i)
                writeBlock(level + 1, leafLevel);
        }
        indent(level);
        m_out += "}\n";
    }

    int m_target;
    int m_count = 0;
    Random m_random;
    QList<QByteArray> m_names;
    QByteArray m_out;
};

// Processor time of this process: on a busy machine the wall clock also counts others' work.
double cpuSeconds()
{
    timespec now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + now.tv_nsec / 1e9;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The wall-clock and processor times of a reader's rounds.
struct Timing
{
    std::vector<double> wall;
    std::vector<double> cpu;
    double best() const { return *std::min_element(wall.begin(), wall.end()); }
    double bestCpu() const { return *std::min_element(cpu.begin(), cpu.end()); }
};

// Times one round: the clocks stop when work calls stop, so that freeing what was read is not
// counted.
template <typename Work>
void timeRound(Timing &timing, Work work)
{
    QElapsedTimer timer;
    timer.start();
    const double cpuStart = cpuSeconds();
    work([&] {
        timing.wall.push_back(timer.nsecsElapsed() / 1e9);
        timing.cpu.push_back(cpuSeconds() - cpuStart);
    });
}

long peakKilobytes()
{
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// glibc hands freed memory back to the system once the free top of the heap passes 128 KiB,
// unless freeing a large mapped block raised that limit. The reader's scratch buffer is such a
// block and rapidjson's pool chunks are not: rapidjson alone then paid fresh page faults in
// every round, a quarter of its time. Both readers now find the memory of earlier rounds.
void keepFreedMemory()
{
#ifdef __GLIBC__
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
#endif
}

bool write(const QString &path, const QByteArray &document)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(document) == document.size())
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

int generate(const QString &path, int entries)
{
    Generator generator(entries);
    const QByteArray document = generator.generate();
    if (!write(path, document))
        return 1;
    std::printf("wrote %s: %d entries, %.2f MB\n", qPrintable(path), generator.count(),
                document.size() / 1e6);
    return 0;
}

int generateRealistic(const QString &path, int leaves)
{
    RealisticDocument document(leaves);
    document.generate();
    if (!write(path, document.ktf()) || !write(path + QStringLiteral(".json"), document.json()))
        return 1;
    std::printf("wrote %s: %d leaves, %d groups (%d with a value), %d comments, %.2f MB; "
                "as JSON %.2f MB\n",
                qPrintable(path), document.leafCount(), document.groupCount(),
                document.valuedGroupCount(), document.commentCount(), document.ktf().size() / 1e6,
                document.json().size() / 1e6);
    return 0;
}

bool readInput(const QString &path, QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        return false;
    }
    bytes = file.readAll();
    return true;
}

// One round of the reader; false if the document had errors.
template <typename Stop>
bool readKtf(const QByteArray &bytes, Stop stop, int *nodes)
{
    ORNAKTFParser parser;
    const bool ok = parser.parseBytes(bytes, true);
    stop();
    *nodes = parser.root()->descendantCount();
    return ok;
}

#ifdef ORNA_HAVE_RAPIDJSON
// One round of rapidjson's document parser; *pool is what its allocator holds.
template <typename Stop>
bool readJson(const QByteArray &bytes, Stop stop, size_t *pool)
{
    rapidjson::Document document;
    document.Parse(bytes.constData(), size_t(bytes.size()));
    stop();
    *pool = document.GetAllocator().Capacity();
    return !document.HasParseError();
}
#endif

void printTiming(const char *label, double megabytes, const Timing &timing)
{
    std::printf("%-18s%.0f MB/s: median %.1f ms (processor %.1f ms), best %.1f ms (processor "
                "%.1f ms) of %zu rounds\n",
                label, megabytes / median(timing.wall), median(timing.wall) * 1e3,
                median(timing.cpu) * 1e3, timing.best() * 1e3, timing.bestCpu() * 1e3,
                timing.wall.size());
}

int measure(const QString &path, int rounds)
{
    QByteArray bytes;
    if (!readInput(path, bytes))
        return 1;
    const long baseline = peakKilobytes();
    Timing timing;
    int nodes = 0;
    bool ok = true;
    for (int round = 0; round < rounds; ++round)
        timeRound(timing, [&](auto stop) { ok = readKtf(bytes, stop, &nodes) && ok; });
    const long peak = peakKilobytes();
    const double megabytes = bytes.size() / 1e6;
    std::printf("input:            %.1f MB, %d entries%s\n", megabytes, nodes,
                ok ? "" : " (with errors)");
    printTiming("throughput:", megabytes, timing);
    std::printf("per entry:        %.0f ns (median)\n", median(timing.wall) * 1e9 / qMax(nodes, 1));
    std::printf("peak memory:      %.1f MB (%.2f x input; %.1f MB before reading)\n", peak / 1e3,
                peak * 1e3 / bytes.size(), baseline / 1e3);
    std::printf("reader's memory:  %.2f x input (peak above the input held in memory)\n",
                (peak - baseline) * 1e3 / bytes.size());
    return ok ? 0 : 1;
}

// The reader and rapidjson in one process taking turns (KTF, JSON, JSON, KTF, ...), after one
// unmeasured round each, so that load, clock speed and heap are alike for both.
int compare(const QString &path, int rounds)
{
#ifdef ORNA_HAVE_RAPIDJSON
    QByteArray ktf;
    QByteArray json;
    if (!readInput(path, ktf) || !readInput(path + QStringLiteral(".json"), json))
        return 1;
    // The reader goes first, so that its peak is its own.
    const long baseline = peakKilobytes();
    int nodes = 0;
    size_t pool = 0;
    bool ok = readKtf(
        ktf, [] {}, &nodes);
    const long peak = peakKilobytes();
    ok = readJson(
             json, [] {}, &pool) &&
         ok;
    Timing ktfTiming;
    Timing jsonTiming;
    for (int round = 0; round < rounds; ++round) {
        for (int turn = 0; turn < 2; ++turn) {
            if ((round + turn) % 2 == 0)
                timeRound(ktfTiming, [&](auto stop) { ok = readKtf(ktf, stop, &nodes) && ok; });
            else
                timeRound(jsonTiming, [&](auto stop) { ok = readJson(json, stop, &pool) && ok; });
        }
    }
    std::printf("KTF %.2f MB (%d entries), the same tree as JSON %.2f MB%s\n", ktf.size() / 1e6,
                nodes, json.size() / 1e6, ok ? "" : " (with errors)");
    printTiming("KTF reader:", ktf.size() / 1e6, ktfTiming);
    printTiming("rapidjson:", json.size() / 1e6, jsonTiming);
    std::printf("memory:           KTF reader %.2f x its input (peak), rapidjson %.2f x its "
                "input (its pool)\n",
                (peak - baseline) * 1e3 / ktf.size(), double(pool) / json.size());
    std::printf("median ratio:     KTF reader takes %.2f x rapidjson's time (processor time "
                "%.2f x)\n",
                median(ktfTiming.wall) / median(jsonTiming.wall),
                median(ktfTiming.cpu) / median(jsonTiming.cpu));
    return ok ? 0 : 1;
#else
    std::printf("rapidjson:        not measured (rapidjson headers were missing at build time)\n");
    return measure(path, rounds);
#endif
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    ORNABase::initialize();
    keepFreedMemory();
    const QStringList arguments = application.arguments().mid(1);
    const QString command = arguments.value(0);
    if (arguments.size() >= 2 && command == QLatin1String("--generate"))
        return generate(arguments.at(1), arguments.value(2, QStringLiteral("400000")).toInt());
    if (arguments.size() >= 2 && command == QLatin1String("--realistic"))
        return generateRealistic(arguments.at(1),
                                 arguments.value(2, QStringLiteral("400067")).toInt());
    if (arguments.size() >= 2 && command == QLatin1String("--compare"))
        return compare(arguments.at(1), arguments.value(2, QStringLiteral("9")).toInt());
    if (arguments.size() == 1 || arguments.size() == 2)
        return measure(arguments.first(), arguments.value(1, QStringLiteral("5")).toInt());
    std::fprintf(stderr, "usage: ktf_benchmark --generate FILE [ENTRIES] | --realistic FILE "
                         "[LEAVES] | [--compare] FILE [ROUNDS]\n");
    return 2;
}
