// The KTF reader, tokenizer, tree and writer in process; files and the command line are in
// tst_ktftool.
#include "ornaBase.h"
#include "ornaKTFParser.h"
#include "ornaKTFPositionReader.h"
#include "ornaKTFWriter.h"
#include "ornaTree.h"
#include "testSupport.h"

#include <QTemporaryDir>
#include <QtTest>

using TestSupport::captureStderr;

namespace {

// name=value, children in braces, siblings separated by blanks.
QString describe(const ORNATree *tree)
{
    QStringList parts;
    for (int i = 0; i < tree->childCount(); ++i) {
        const ORNATree *child = tree->child(i);
        parts << child->name() + '=' + child->value() +
                     (child->childCount() ? '{' + describe(child) + '}' : QString());
    }
    return parts.join(' ');
}

// Log entries "LINE:message" (or "~Kind:text" for a directive's message at the root),
// separated by "|", as the logger prints them for a text read from file.
QByteArray messages(const QString &entries, const QString &file = "<unknown file>")
{
    QByteArray lines;
    for (const QString &entry : entries.split('|', Qt::SkipEmptyParts)) {
        const QByteArray head = entry.section(':', 0, 0).toUtf8();
        const QByteArray text = entry.section(':', 1).toUtf8();
        lines += head.startsWith('~')
                     ? "WARNING: (0):  ORNASemantic" + head.mid(1) + ":  Semantic" + head.mid(1) +
                           " <font color=black>root </font> : " + text + " \n"
                     : "WARNING: " + file.toUtf8() + '(' + head +
                           "):  ORNAParserError:  ParserError " + text + " \n";
    }
    return lines;
}

bool resolve(void *, const QString &name, QString &value)
{
    static const QHash<QString, QString> known = {{"LEVEL", "3"}, {"DEBUG", "Yes"}, {"EMPTY", ""}};
    value = known.value(name);
    return known.contains(name);
}

// Files f1 .. f<count>, each holding body(i, an include of the next); returns f1.
template <typename Body>
QString writeChain(const QTemporaryDir &dir, int count, Body body)
{
    for (int i = 1; i <= count; ++i)
        TestSupport::writeFile(
            dir.filePath(QStringLiteral("f%1.ktf").arg(i)),
            body(i, "#include " + dir.filePath("f%1.ktf").arg(i + 1).toUtf8() + '\n'));
    return dir.filePath(QStringLiteral("f1.ktf"));
}

} // namespace

class TestKTFParser : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { ORNABase::initialize(); }

    // Each row: text, then the tree it gives and the log entries, "|" between them; M(x y) is
    // the missing-'=' error. LEVEL, DEBUG and EMPTY resolve.
    void documents_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const QString &text, const QString &expected) {
            QTest::newRow(name) << text << expected;
        };
        row("forms", "A = 1 B { X = 2 } D \"x y\" { } E = x { F<int> = 1 } A=2 \"\"=3",
            "A=1 B={X=2} D=x y E=x{F=1} A=2 =3");
        row("quotes", "V=\"a\\\"b\" W=\"a\\\\b\" S=\"*he said \"hi\"*\" T=@@x y@@ U=@x",
            "V=a\"b W=a\\b S=he said \"hi\" T=x y U=x");
        row("comments", "// c\nV = 1 // x\n/* a\n b */ W = /* c */ a//b /* open", "V=1 W=a//b");
        row("open strings", "V = \"line1\nline2\" W = \"open", "V=line1\nline2 W=open");
        row("references", "L=$(LEVEL)x$(NONE) K=$(*HOME*) M=$(LOCAL",
            "L=3x$(NONE) K=$(HOME) M=$(LOCAL");
        row("if compares", "#if \"2 > 10\" {A=1} #if \"b > a\" {B=1} #if \"1 2\" {C=1}", "B=1");
        row("if equality", "#if \"2 == 2.0\" {A=1} #if \"a != b\" {B=1} #if \"1 <> 2\" {C=1}",
            "A=1 B=1");
        row("if order", "#if \"10 >= 9\" {A=1} #if \"10 <= 9\" {B=1} #if \"a < b\" {C=1}",
            "A=1 C=1");
        row("if words", "#if yes {A=1} #if \"$(LEVEL) >= 2\" {E=1}", "A=1 E=1");
        row("blocks", "P { #if 1 {A=1} B=2 } #if no { A {B=1} #ifdef X {A=1} C=2 } D=3",
            "P={A=1 B=2} D=3");
        row("ifdef", "#ifdef LOCAL {A=1} #ifdef LEVEL {B=1} #ifdef NO {C=1} #ifndef LOCAL {D=1}",
            "A=1 B=1");
        row("ifset", "#ifnset DEBUG {A=1} #ifnset X {B=1} #ifset DEBUG {C=1} #ifset EMPTY {D=1}",
            "B=1 C=1");
        row("high bytes", "// KTF v1 latin1\nV = a\x01\xc3\xa4", "V=a\x01\xc3\xa4");
        row("missing equals", "A B X = 1\nA\n\nB\nC = 1",
            "X=1 C=1|1:M(A B)|1:M(B X)|2:M(A B)|4:M(B C)");
        // Rewinding reads escaped tokens again; the scratch buffer must still suffice.
        row("rewind with escapes", "\"a\\\"\" \"b\\\"\" \"c\\\"\" \"d\\\"\" = 1",
            "d\"=1|1:M(a\" b\")|1:M(b\" c\")|1:M(c\" d\")");
        row("string expected", "A = }",
            "A=|1:Expected a string after '=' token|1:Unexpected Close-Brace after token: ");
        row("braces alone", "{ }",
            "|1:Unexpected Open-Brace after token: |1:Unexpected Close-Brace after token: ");
        // The brace opens the last node made, even across the stray close brace.
        row("open after stray close", "A = 1 }\n{",
            "A=1|1:Unexpected Close-Brace after token: 1|2:Missing 1 close-brace(s) at end of "
            "file");
        row("close after comment", "A = 1 // c\n/* d */ }",
            "A=1|2:Unexpected Close-Brace after token: 1");
        row("missing close", "A {\n B = 1", "A={B=1}|2:Missing 1 close-brace(s) at end of file");
        row("hash is no comment", "# note",
            "|1:M(# note)|1:Reached end of file too early after token: note");
        row("close after tag", "P { A }", "P=|1:Unexpected close brace after token: A");
        row("equals alone", "= 1 = 2", "1=2|1:Unexpected Equal char after token: ");
        for (const QString word :
             {"echo", "abort", "if", "ifdef", "ifndef", "ifset", "ifnset", "include"})
            row(qPrintable('#' + word), '#' + word, "|1:Incomplete #" + word + "-statement");
        row("if without quotes", "#if 2 > 10 { A = 1 }", "10={A=1}|1:Incomplete #if-statement");
        row("include missing", "#include /none/x.ktf", "|1:include file not found: /none/x.ktf");
        // Only regular files are read: a FIFO would block and a device never end.
        for (const QString &special : {TestSupport::unwrittenFifo(), QStringLiteral("/dev/zero")})
            row(qPrintable(special), "#include " + special,
                "|1:Failed to read " + special + ": not a regular file");
        row("include when skipping", "#if no { #include x.ktf }",
            "|1:M(#include x.ktf)|1:Unexpected close brace after token: x.ktf");
        row("echo", "#echo hello world",
            "|~Info:hello|1:Reached end of file too early after token: world");
        // The line feed after the word is read with it.
        row("abort", "#abort stop\nA = 1",
            "A=1|~Error:<font color = red>stop</font>|2:#aborted stop");
        row("LOCAL without a file", "V = $(LOCAL)",
            "V=|~Warning:<font color = #c06000>$(LOCAL) is only defined in KTF files on "
            "disk.</font>");
    }
    void documents()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        expected.replace(QRegularExpression("M\\((.*?)\\)"),
                         "Missing a '=' between '\\1' or missing an opening '{'.");
        ORNAKTFParser parser;
        parser.setVariableResolver(nullptr, &resolve);
        bool ok = false;
        const QByteArray log = captureStderr([&] { ok = parser.parseString(text, true); });
        QCOMPARE(log, messages(expected.section('|', 1)));
        QCOMPARE(describe(parser.root()), expected.section('|', 0, 0));
        QCOMPARE(ok, !log.contains("ParserError"));
    }

    // Lines count line feeds only, from the first line given; a value may sit lines below its tag.
    void positions()
    {
        ORNAKTFParser parser;
        QVERIFY(parser.parseBytes(
            QByteArrayLiteral("x = 0\n\nA =\n\n\"x\"\nB\n{ C = 1\r\rD = 2 }\nE = \"1\n2\" F = 3\n"
                              "#ifset X { G = 1 } N = a\0b"),
            true, QString(), 10));
        const ORNATree *root = parser.root();
        QCOMPARE(describe(root),
                 QStringLiteral("x=0 A=x B={C=1 D=2} E=1\n2 F=3 N=a").append(QChar(0)).append('b'));
        const auto at = [](const ORNATree *node) {
            return QStringLiteral("%1+%2").arg(node->line()).arg(node->valueLineOffset());
        };
        QCOMPARE(QStringList({at(root->child(1)), at(root->child(2)), at(root->child(2)->child(1)),
                              at(root->child(3)), at(root->child(4))}),
                 QStringList({"12+2", "15+1", "16+0", "17+0", "18+0"}));
    }

    // 50 errors are told, the 51st stops the reading.
    void errorLimit()
    {
        ORNAKTFParser parser;
        const QByteArray log =
            captureStderr([&] { QVERIFY(!parser.parseString(QString("=\n").repeated(60), true)); });
        QCOMPARE(log.count('\n'), 52);
        QVERIFY(log.endsWith(messages(
            "51:Unexpected Equal char after token: |51:too many errors, stopped parsing")));
        QCOMPARE(parser.errorString(), "<unknown file>(51): too many errors, stopped parsing");
    }

    // 52 nested includes stop at the 51st file; a file including the next twice 14 times over
    // (2^14 includes) stops at 10,000, every including file with the same message.
    void includeLimits()
    {
        QTemporaryDir dir;
        const QString deep = writeChain(dir, 52, [](int i, const QByteArray &include) {
            return "E" + QByteArray::number(i) + " = 1\n" + include;
        });
        ORNAKTFParser parser;
        QByteArray log = captureStderr([&] { QVERIFY(!parser.parseFile(deep, true)); });
        QVERIFY(log.startsWith(
            messages("3:maximum include depth limit (50) reached", dir.filePath("f51.ktf"))));
        QVERIFY(log.endsWith(messages("3:error in included file", deep)));
        QCOMPARE(log.count('\n'), 51);
        QCOMPARE(parser.root()->childCount(), 51);
        QTemporaryDir wide;
        const QString first = writeChain(
            wide, 14, [](int, const QByteArray &include) { return include.repeated(2); });
        QVERIFY(TestSupport::writeFile(wide.filePath(QStringLiteral("f15.ktf")), "A = 1\n"));
        ORNAKTFParser many;
        log = captureStderr([&] { QVERIFY(!many.parseFile(first, true)); });
        QCOMPARE(many.errorString(), first + "(2): too many includes, stopped parsing");
        QCOMPARE(log.count("too many includes, stopped parsing"), 14);
        QCOMPARE(log.count('\n'), 14);
        QCOMPARE(many.root()->childCount(), 4996);
    }

    // A million levels deep are read, copied, merged, compared and released without recursion;
    // 100 MB in one open comment or string end in time.
    void largeInputs()
    {
        const int depth = 1000000;
        const QByteArray nested =
            QByteArray("A { ").repeated(depth) + QByteArray("} ").repeated(depth);
        ORNAKTFParser parser, open, braces, comment, string;
        QVERIFY(parser.parseBytes(nested, true));
        ORNATree *copy = parser.root()->clone();
        copy->ref();
        QVERIFY(ORNAKTF::equals(copy, parser.root(), false));
        copy->merge(parser.root());
        QCOMPARE(copy->descendantCount(), depth);
        copy->unref();
        ORNAKTFPositionReader positions;
        ORNATree *read = positions.readText(QString::fromLatin1(nested), 1);
        QCOMPARE(read->descendantCount(), depth);
        read->unref();
        QVERIFY(captureStderr([&] {
                    QVERIFY(!open.parseBytes(QByteArray("A {").repeated(depth), true));
                }).contains("Missing 1000000 close-brace(s) at end of file"));
        captureStderr([&] { QVERIFY(!braces.parseBytes(QByteArray(depth, '{'), true)); });
        QCOMPARE(braces.lastErrorMessage(), QStringLiteral("too many errors, stopped parsing"));
        QVERIFY(comment.parseBytes("A = 1 /*" + QByteArray(100 * 1000 * 1000, 'x'), true));
        QCOMPARE(describe(comment.root()), QStringLiteral("A=1"));
        QVERIFY(string.parseBytes("V = \"" + QByteArray("\\\\").repeated(10 * 1000 * 1000), true));
        QCOMPARE(string.root()->child(0)->value().size(), 10 * 1000 * 1000);
    }

    // Values live in blocks shared by many nodes: each must stay intact while a node holding it
    // lives, whatever happened to the reader, the rest of the tree or other trees.
    void valuesOutliveTheirReader()
    {
        QStringList expected;
        QByteArray text = "// KTF v1 utf8\n";
        for (int i = 0; i < 5000; ++i) {
            expected << (i == 2500 ? QString(70000, 'L') // larger than any shared block
                                   : QStringLiteral("value%1 \u00e9\u4e2d").arg(i));
            text +=
                "Entry" + QByteArray::number(i % 13) + " = \"" + expected.last().toUtf8() + "\"\n";
        }
        auto *parser = new ORNAKTFParser;
        QVERIFY(parser->parseBytes(text, true));
        ORNATree *root = parser->root(), *held = root->child(2501);
        root->ref();
        held->ref();
        delete parser;
        QCOMPARE(root->childCount(), expected.size());
        for (int i = 0; i < expected.size(); ++i)
            QCOMPARE(root->child(i)->value(), expected.at(i));
        root->unref();
        ORNAKTFParser next; // takes the memory the tree gave back
        QVERIFY(next.parseBytes(QByteArray("Other = overwritten\n").repeated(5000), true));
        QCOMPARE(held->name() + '=' + held->value(), "Entry5=" + expected.at(2501));
        held->unref();
    }

    // Every pair of special characters, as a name and as a value, and a tree 5000 deep read
    // back equal after writing.
    void roundTrip()
    {
        const QString special = QStringLiteral(" \t\n\"*@\\{}=\f\u00e4/$(<>#");
        ORNATree *root = new ORNATree(QStringLiteral("root"));
        root->ref();
        for (const QChar first : special)
            for (const QChar second : special) {
                const QString text = QString(first) + second; // names like #if or F<x> are cut
                root->addChild(first == '#' ? 'n' + text : QString(text).replace('<', 'n'), text);
            }
        ORNAKTFParser parser(ORNAKTFParser::KeepReferences), deep, again;
        const QString written = ORNAKTF::toString(root);
        QVERIFY2(parser.parseString(written, true), qPrintable(written));
        QVERIFY2(ORNAKTF::equals(root, parser.root(), false), qPrintable(written));
        root->unref();
        QVERIFY(deep.parseBytes(
            QByteArray("N=v { ").repeated(5000) + QByteArray("}").repeated(5000), true));
        QVERIFY(again.parseString(ORNAKTF::toString(deep.root()), true));
        QVERIFY(ORNAKTF::equals(deep.root(), again.root(), false));
    }
};

QTEST_GUILESS_MAIN(TestKTFParser)
#include "tst_ktfparser.moc"
