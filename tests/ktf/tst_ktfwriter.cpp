#include "ktfTestSupport.h"
#include "ornaBase.h"
#include "ornaKTFParser.h"
#include "ornaKTFPositionReader.h"
#include "ornaKTFValueEditor.h"
#include "ornaKTFWriter.h"
#include "ornaTree.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace {

ORNATree *newRoot()
{
    ORNATree *root = new ORNATree(QStringLiteral("root"));
    root->ref();
    return root;
}

QString randomText(QRandomGenerator &random, bool name)
{
    static const QString plain = QStringLiteral("abcXYZ019_.-/$()<>#");
    static const QString special = QStringLiteral(" \t\n\"*@\\{}=\f\u00e4\u20ac");
    QString text;
    const int length = random.bounded(name ? 1 : 0, 9);
    for (int i = 0; i < length; ++i) {
        const QString &from = random.bounded(4) == 0 ? special : plain;
        text += from.at(random.bounded(int(from.size())));
    }
    // Names the reader would take for directives or cut are not written by the writer's users.
    if (name && (text.startsWith(QLatin1Char('#')) || text.contains(QLatin1Char('<'))))
        text.prepend(QLatin1Char('n'));
    if (name)
        text.remove(QLatin1Char('<'));
    return text;
}

void fillRandom(ORNATree *root, QRandomGenerator &random, int nodes)
{
    std::vector<ORNATree *> parents{root};
    for (int i = 0; i < nodes; ++i) {
        ORNATree *parent = parents.at(random.bounded(int(parents.size())));
        ORNATree *node = parent->addChild(randomText(random, true), randomText(random, false));
        if (random.bounded(3) == 0)
            parents.push_back(node);
    }
}

} // namespace

class TestKTFWriter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { ORNABase::initialize(); }

    void layout()
    {
        ORNATree *root = newRoot();
        root->addChild(QStringLiteral("A"), QStringLiteral("1"));
        ORNATree *b = root->addChild(QStringLiteral("B"));
        b->addChild(QStringLiteral("X"), QStringLiteral("a b"));
        b->addChild(QStringLiteral("E"));
        ORNATree *v = b->addChild(QStringLiteral("V"), QStringLiteral("with value"));
        v->addChild(QStringLiteral("Y"), QStringLiteral("2"));
        ORNATree *comment = new ORNATree(QString(), QStringLiteral("// kept"));
        comment->setComment(true);
        root->appendChild(comment);
        QCOMPARE(ORNAKTF::toString(root),
                 QStringLiteral("A = 1\nB  {\n  X = \"a b\"\n  E = \"\"\n  V \"with value\" {\n"
                                "    Y = 2\n  }\n}\n// kept\n"));
        root->unref();
    }

    void quoting_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("quoted");
        auto row = [](const char *name, const char *text, const char *quoted) {
            QTest::newRow(name) << QString::fromUtf8(text) << QString::fromUtf8(quoted);
        };
        row("empty", "", "");
        row("plain", "abc/def$(X)", "abc/def$(X)");
        row("blank", "a b", "\"a b\"");
        row("line feed", "l1\nl2", "\"l1\nl2\"");
        row("quote", "x\"y", "\"*x\"y*\"");
        row("star first", "*star", "\"**star*\"");
        row("star quote", "a*\"b", "\"*a*\\\"b*\"");
        row("line comment start", "//c", "\"//c\"");
        row("brace", "{", "\"{\"");
        row("equals", "a=b", "\"a=b\"");
    }
    void quoting()
    {
        QFETCH(QString, text);
        QFETCH(QString, quoted);
        QCOMPARE(ORNAKTF::quoteIfNeeded(text), quoted);
        if (text.isEmpty())
            return;
        ORNAKTFParser parser(ORNAKTFParser::KeepReferences);
        QVERIFY(parser.parseString(QStringLiteral("V = ") + quoted, true));
        QCOMPARE(parser.root()->child(0)->value(), text);
    }

    void roundTrip()
    {
        QRandomGenerator random(20240601);
        for (int round = 0; round < 200; ++round) {
            ORNATree *root = newRoot();
            fillRandom(root, random, random.bounded(1, 60));
            const QString text = ORNAKTF::toString(root);
            ORNAKTFParser parser(ORNAKTFParser::KeepReferences);
            QVERIFY2(parser.parseString(text, true), qPrintable(text));
            QVERIFY2(ORNAKTF::equals(root, parser.root(), false), qPrintable(text));
            root->unref();
        }
    }

    void deepTrees()
    {
        ORNATree *root = newRoot();
        ORNATree *node = root;
        for (int i = 0; i < 5000; ++i)
            node = node->addChild(QStringLiteral("N"), QStringLiteral("v"));
        const QString text = ORNAKTF::toString(root);
        ORNAKTFParser parser;
        QVERIFY(parser.parseString(text, true));
        QVERIFY(ORNAKTF::equals(root, parser.root(), false));
        for (int i = 0; i < 1000000; ++i)
            node = node->addChild(QStringLiteral("N"));
        ORNATree *copy = root->clone();
        copy->ref();
        QVERIFY(ORNAKTF::equals(root, copy, false));
        copy->unref();
        root->unref();
    }

    void positionReaderDepth()
    {
        const QString text =
            QStringLiteral("A { ").repeated(1000000) + QStringLiteral("} ").repeated(1000000);
        ORNAKTFPositionReader reader;
        ORNATree *root = reader.readText(text, 1);
        QVERIFY(root);
        QCOMPARE(root->descendantCount(), 1000000);
        root->unref();
    }

    void setValue_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("tagPath");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("keeps comment and spacing")
            << QByteArray("Settings {\n  Version = 1   // note\n}\n") << "Settings/Version"
            << "2" << QByteArray("Settings {\n  Version = 2   // note\n}\n");
        QTest::newRow("quotes when needed") << QByteArray("S {\n  A = 1 B = 2\n}\n") << "S/B"
                                            << "x y" << QByteArray("S {\n  A = 1 B = \"x y\"\n}\n");
        QTest::newRow("adds entry on own line")
            << QByteArray("Settings {\n  A = 1\n}\n") << "Settings/New"
            << "x y" << QByteArray("Settings {\n  A = 1\n  New = \"x y\"\n}\n");
        QTest::newRow("adds entry whose name needs quotes")
            << QByteArray("S {\n}\n") << "S/two words"
            << "1" << QByteArray("S {\n  \"two words\" = 1\n}\n");
        QTest::newRow("adds entry inline") << QByteArray("S { A = 1 }\n") << "S/N"
                                           << "2" << QByteArray("S { A = 1 N = 2 }\n");
        QTest::newRow("adds to nested") << QByteArray("S {\n  T {\n  }\n}\n") << "S/T/N"
                                        << "2" << QByteArray("S {\n  T {\n    N = 2\n  }\n}\n");
        QTest::newRow("value below tag") << QByteArray("S {\n  A =\n    1 // c\n}\n") << "S/A"
                                         << "2" << QByteArray("S {\n  A =\n    2 // c\n}\n");
        QTest::newRow("multi line value") << QByteArray("S {\n  M = \"*a\nb*\" // c\n}\n") << "S/M"
                                          << "z" << QByteArray("S {\n  M = \"z\" // c\n}\n");
        QTest::newRow("value after tag") << QByteArray("S {\n  T {\n  }\n}\n") << "S/T"
                                         << "v" << QByteArray("S {\n  T v {\n  }\n}\n");
        QTest::newRow("value selects parent")
            << QByteArray("L = a {\n  X = 1\n}\nL = b {\n  X = 2\n}\n") << "L#b/X"
            << "3" << QByteArray("L = a {\n  X = 1\n}\nL = b {\n  X = 3\n}\n");
        QTest::newRow("crlf kept") << QByteArray("S {\r\n  A = 1\r\n}\r\n") << "S/A"
                                   << "2" << QByteArray("S {\r\n  A = 2\r\n}\r\n");
        QTest::newRow("utf8 file")
            << QByteArray("// KTF v1 utf8\nS {\n  A = 1\n}\n") << "S/A"
            << "\u00e4" << QByteArray("// KTF v1 utf8\nS {\n  A = \xc3\xa4\n}\n");
        QTest::newRow("latin1 file") << QByteArray("S {\n  A = 1\n}") << "S/A"
                                     << "\u00e4" << QByteArray("S {\n  A = \xe4\n}\n");
    }
    void setValue()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, tagPath);
        QFETCH(QString, value);
        QFETCH(QByteArray, after);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("s.ktf"));
        QVERIFY(TestSupport::writeFile(path, before));
        QString error;
        QVERIFY2(ORNAKTF::setValueInFile(path, tagPath.split(QLatin1Char('/')), value, error),
                 qPrintable(error));
        QCOMPARE(TestSupport::readAll(path), after);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList(QStringLiteral("s.ktf")));
    }

    void setValueFailures_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("tagPath");
        QTest::addColumn<QString>("error");
        QTest::newRow("top level") << QByteArray("A = 1\n") << "A"
                                   << "";
        QTest::newRow("no parent") << QByteArray("S {\n}\n") << "X/A"
                                   << "";
        QTest::newRow("parse error") << QByteArray("S { = }\n") << "S/A"
                                     << "failed to parse KTF file: Expected an KTF tag in line 1, "
                                        "column 4";
        QTest::newRow("missing file") << QByteArray() << "S/A"
                                      << "";
        QTest::newRow("no close brace")
            << QByteArray("S {\n  A = 1\n") << "S/A"
            << "failed to parse KTF file: Expected '}' in line 3, column 0";
        QTest::newRow("equals brace") << QByteArray("S = {") << "S/A"
                                      << "failed to parse KTF file: Expected an KTF tag in line 1, "
                                         "column 4";
        QTest::newRow("no brace") << QByteArray("S {\n  T\n  U = 1\n}\n") << "S/T"
                                  << "tag has no open brace in file %1, line 2: 2";
        QTest::newRow("parent without braces") << QByteArray("S = 1\n") << "S/A"
                                               << "close brace position not found in file %1, "
                                                  "line -1: 0";
    }
    void setValueFailures()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, tagPath);
        QFETCH(QString, error);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("s.ktf"));
        if (!before.isNull())
            QVERIFY(TestSupport::writeFile(path, before));
        QString message;
        QVERIFY(!ORNAKTF::setValueInFile(path, tagPath.split(QLatin1Char('/')), QStringLiteral("v"),
                                         message));
        QCOMPARE(message, error.contains(QLatin1String("%1")) ? error.arg(path) : error);
        QCOMPARE(TestSupport::readAll(path), before);
    }

    void setValueKeepsPermissionsAndLinks()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("s.ktf"));
        QVERIFY(TestSupport::writeFile(path, "S {\n  A = 1\n}\n"));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
        const QString link = dir.filePath(QStringLiteral("link.ktf"));
        QVERIFY(QFile::link(path, link));
        QString error;
        QVERIFY2(ORNAKTF::setValueInFile(link, {QStringLiteral("S"), QStringLiteral("A")},
                                         QStringLiteral("2"), error),
                 qPrintable(error));
        QCOMPARE(TestSupport::readAll(path), QByteArray("S {\n  A = 2\n}\n"));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(QFile::permissions(path), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                               QFile::ReadUser | QFile::WriteUser);
    }

    // When the new text cannot be written, the file keeps its old text and no temporary is left.
    void setValueAtomic()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("s.ktf"));
        const QByteArray before = "S {\n  A = 1\n}\n";
        QVERIFY(TestSupport::writeFile(path, before));
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit saved;
        getrlimit(RLIMIT_FSIZE, &saved);
        struct rlimit limit = saved;
        limit.rlim_cur = 4;
        setrlimit(RLIMIT_FSIZE, &limit);
        QString error;
        const bool edited = ORNAKTF::setValueInFile(
            path, {QStringLiteral("S"), QStringLiteral("A")}, QStringLiteral("2"), error);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
        QVERIFY(!edited);
        QVERIFY2(error.startsWith(QStringLiteral("failed to write temporary file ") + dir.path()),
                 qPrintable(error));
        QCOMPARE(TestSupport::readAll(path), before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList(QStringLiteral("s.ktf")));
    }
};

QTEST_GUILESS_MAIN(TestKTFWriter)
#include "tst_ktfwriter.moc"
