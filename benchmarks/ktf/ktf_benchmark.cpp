// Generates large KTF documents and measures how fast the reader builds their trees.
//
//   ktf_benchmark --generate FILE [ENTRIES]   writes a document (400000 entries by default)
//   ktf_benchmark --realistic FILE [LEAVES]   writes a realistic document (400067 leaves by
//                                              default) and the same tree as JSON to FILE.json
//   ktf_benchmark FILE [ROUNDS]                reads it ROUNDS times (default 5) from memory
//   ktf_benchmark --json FILE [ROUNDS]         the same with rapidjson's document parser

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

#include <cstdio>
#include <ctime>
#include <sys/resource.h>

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

// The best wall-clock and processor times of the rounds so far.
struct Timing
{
    double wall = 1e300;
    double cpu = 1e300;
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
        timing.wall = qMin(timing.wall, timer.nsecsElapsed() / 1e9);
        timing.cpu = qMin(timing.cpu, cpuSeconds() - cpuStart);
    });
}

long peakKilobytes()
{
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
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

int measureJson(const QString &path, int rounds)
{
#ifdef ORNA_HAVE_RAPIDJSON
    QByteArray bytes;
    if (!readInput(path, bytes))
        return 1;
    const long baseline = peakKilobytes();
    Timing timing;
    bool ok = true;
    for (int round = 0; round < rounds; ++round) {
        timeRound(timing, [&](auto stop) {
            rapidjson::Document document;
            document.Parse(bytes.constData(), size_t(bytes.size()));
            stop();
            ok = ok && !document.HasParseError();
        });
    }
    const double megabytes = bytes.size() / 1e6;
    std::printf("rapidjson:        %.1f MB JSON%s, %.0f MB/s (best of %d, %.1f ms; processor "
                "time %.1f ms), memory %.2f x input\n",
                megabytes, ok ? "" : " (with errors)", megabytes / timing.wall, rounds,
                timing.wall * 1e3, timing.cpu * 1e3,
                (peakKilobytes() - baseline) * 1e3 / bytes.size());
    return ok ? 0 : 1;
#else
    Q_UNUSED(rounds);
    std::printf("rapidjson:        not measured (rapidjson headers were missing at build time; "
                "%s not read)\n",
                qPrintable(path));
    return 0;
#endif
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
    for (int round = 0; round < rounds; ++round) {
        timeRound(timing, [&](auto stop) {
            ORNAKTFParser parser;
            ok = parser.parseBytes(bytes, true) && ok;
            stop();
            nodes = parser.root()->descendantCount();
        });
    }
    const double best = timing.wall;
    const double bestCpu = timing.cpu;
    const long peak = peakKilobytes();
    const double megabytes = bytes.size() / 1e6;
    std::printf("input:            %.1f MB, %d entries%s\n", megabytes, nodes,
                ok ? "" : " (with errors)");
    std::printf("throughput:       %.0f MB/s (best of %d, %.1f ms)\n", megabytes / best, rounds,
                best * 1e3);
    std::printf("per entry:        %.0f ns\n", best * 1e9 / qMax(nodes, 1));
    std::printf("processor time:   %.0f MB/s, %.0f ns per entry (best of %d, %.1f ms)\n",
                megabytes / bestCpu, bestCpu * 1e9 / qMax(nodes, 1), rounds, bestCpu * 1e3);
    std::printf("peak memory:      %.1f MB (%.2f x input; %.1f MB before reading)\n", peak / 1e3,
                peak * 1e3 / bytes.size(), baseline / 1e3);
    std::printf("reader's memory:  %.2f x input (peak above the input held in memory)\n",
                (peak - baseline) * 1e3 / bytes.size());
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    ORNABase::initialize();
    const QStringList arguments = application.arguments().mid(1);
    const QString command = arguments.value(0);
    if (arguments.size() >= 2 && command == QLatin1String("--generate"))
        return generate(arguments.at(1), arguments.value(2, QStringLiteral("400000")).toInt());
    if (arguments.size() >= 2 && command == QLatin1String("--realistic"))
        return generateRealistic(arguments.at(1),
                                 arguments.value(2, QStringLiteral("400067")).toInt());
    if (arguments.size() >= 2 && command == QLatin1String("--json"))
        return measureJson(arguments.at(1), arguments.value(2, QStringLiteral("5")).toInt());
    if (arguments.size() == 1 || arguments.size() == 2)
        return measure(arguments.first(), arguments.value(1, QStringLiteral("5")).toInt());
    std::fprintf(stderr, "usage: ktf_benchmark --generate FILE [ENTRIES] | --realistic FILE "
                         "[LEAVES] | [--json] FILE [ROUNDS]\n");
    return 2;
}
