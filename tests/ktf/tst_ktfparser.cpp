#include "ktfTestSupport.h"
#include "ornaBase.h"
#include "ornaKTFParser.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString unknownFile = QStringLiteral("<unknown file>");

// Reader messages of a string: "LINE:message" entries separated by "|".
QByteArray messages(const QString &entries)
{
    QByteArray lines;
    for (const QString &entry : entries.split(QLatin1Char('|'), Qt::SkipEmptyParts))
        lines += parserLine(unknownFile, entry.section(QLatin1Char(':'), 0, 0).toInt(),
                            entry.section(QLatin1Char(':'), 1));
    return lines;
}

QByteArray semantic(const char *kind, const QByteArray &text)
{
    return "WARNING: (0):  ORNASemantic" + QByteArray(kind) + ":  Semantic" + kind +
           " <font color=black>root </font> : " + text + " \n";
}

bool resolve(void *, const QString &name, QString &value)
{
    static const QHash<QString, QString> known = {{"LEVEL", "3"}, {"DEBUG", "Yes"}, {"EMPTY", ""}};
    value = known.value(name);
    return known.contains(name);
}

// Each file f<i> holds body(i); returns f1.
template <typename Body>
QString writeChain(const QTemporaryDir &dir, int count, Body body)
{
    for (int i = 1; i <= count; ++i) {
        const QString next = dir.filePath(QStringLiteral("f%1.ktf").arg(i + 1));
        TestSupport::writeFile(dir.filePath(QStringLiteral("f%1.ktf").arg(i)),
                               body(i, "#include " + next.toUtf8() + '\n'));
    }
    return dir.filePath(QStringLiteral("f1.ktf"));
}

} // namespace

class TestKTFParser : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { ORNABase::initialize(); }

    // Token forms, quoting, comments, the preprocessor and every error text, judged by the
    // tree they give and the log, compared byte for byte.
    void documents_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("tree");
        QTest::addColumn<QByteArray>("log");
        const auto row = [](const char *name, const QByteArray &text, const char *tree,
                            const QString &log = QString()) {
            QTest::newRow(name) << QString::fromUtf8(text) << QString::fromUtf8(tree)
                                << messages(log);
        };
        row("entries", "A = 1\nB { X = 2 }", "A=1 B={X=2}");
        row("tag value brace", "Dir \"x y\" { }", "Dir=x y");
        row("equals then brace", "Dir = x { D = 1 }", "Dir=x{D=1}");
        row("escapes", "V = \"a\\\"b\" W = \"a\\\\b\"", "V=a\"b W=a\\b");
        row("star quoted", "V = \"*he said \"hi\"*\"", "V=he said \"hi\"");
        row("at quoted", "V = @@x y@@ W = @x", "V=x y W=x");
        row("comment chars in word", "V = abc//def", "V=abc//def");
        row("comments", "// c\nV = 1 // x\n/* a\n b */ W = /* c */ 2", "V=1 W=2");
        row("unterminated comment", "V = 1 /* open", "V=1");
        row("multi line string", "V = \"line1\nline2\"", "V=line1\nline2");
        row("unterminated string", "V = \"open", "V=open");
        row("type cut", "Field<int> = 4", "Field=4");
        row("repeated tags", "A = 1 A = 2", "A=1 A=2");
        row("literal reference", "V = $(*HOME*)", "V=$(HOME)");
        row("resolved references", "L = $(LEVEL)x$(NONE) M = $(LOCAL", "L=3x$(NONE) M=$(LOCAL");
        row("if numeric", "#if \"2 > 10\" { A = 1 }", "");
        row("if string", "#if \"b > a\" { A = 1 }", "A=1");
        row("if yes", "#if yes { A = 1 }", "A=1");
        row("if two parts", "#if \"1 2\" { A = 1 }", "");
        row("if equal numbers", "#if \"2 == 2.0\" { A = 1 }", "A=1");
        row("if not equal strings", "#if \"abc != abd\" { A = 1 }", "A=1");
        row("if greater equal", "#if \"10 >= 9\" { A = 1 }", "A=1");
        row("if less equal", "#if \"10 <= 9\" { A = 1 } #if \"a < b\" { B = 1 }", "B=1");
        row("if unknown operator", "#if \"1 <> 2\" { A = 1 }", "");
        row("if resolved", "#if \"$(LEVEL) >= 2\" { E = 1 }", "E=1");
        row("active block transparent", "P { #if 1 { A = 1 } B = 2 }", "P={A=1 B=2}");
        row("skipped nested", "#if no { A { B = 1 } C = 2 } D = 3", "D=3");
        row("ifdef in skip is a tag", "#if no { #ifdef X { A = 1 } } B = 1", "B=1");
        row("ifdef", "#ifdef LOCAL { A = 1 } #ifdef LEVEL { B = 1 } #ifdef NONE { C = 1 }",
            "A=1 B=1");
        row("ifndef LOCAL", "#ifndef LOCAL { A = 1 }", "");
        row("ifnset", "#ifnset DEBUG { A = 1 } #ifnset X { B = 1 }", "B=1");
        row("ifset", "#ifset DEBUG { C = 1 }\n#ifset EMPTY { D = 1 } #ifset X { E = 1 }", "C=1");
        row("empty tag", "\"\" = 1", "=1");
        row("nul and high bytes", "V = a\x01\xc3\xa4", "V=a\x01\xc3\xa4");
        row("header of a string ignored", "// KTF v1 latin1\nV = \xc3\xa4", "V=\xc3\xa4");

        const QString missing =
            QStringLiteral("Missing a '=' between '%1' or missing an opening '{'.");
        row("missing equals", "A B X = 1", "X=1",
            "1:" + missing.arg("A B") + "|1:" + missing.arg("B X"));
        row("missing equals lines", "A\n\nB\nC = 1", "C=1",
            "1:" + missing.arg("A B") + "|3:" + missing.arg("B C"));
        // Rewinding reads escaped tokens again; the scratch buffer must still suffice.
        row("rewind with escapes", "\"a\\\"\" \"b\\\"\" \"c\\\"\" \"d\\\"\" = 1", "d\"=1",
            "1:" + missing.arg("a\" b\"") + "|1:" + missing.arg("b\" c\"") +
                "|1:" + missing.arg("c\" d\""));
        row("string expected", "A = }",
            "A=", "1:Expected a string after '=' token|1:Unexpected Close-Brace after token: ");
        row("braces alone", "{ }", "",
            "1:Unexpected Open-Brace after token: |1:Unexpected Close-Brace after token: ");
        // The brace opens the last node made, even across the stray close brace.
        row("open after stray close", "A = 1 }\n{", "A=1",
            "1:Unexpected Close-Brace after token: 1|2:Missing 1 close-brace(s) at end of file");
        // A stray close brace names the last string read, whatever came between.
        row("close after comment", "A = 1 // c\n/* d */ }", "A=1",
            "2:Unexpected Close-Brace after token: 1");
        row("missing close", "A {\n B = 1", "A={B=1}", "2:Missing 1 close-brace(s) at end of file");
        row("hash is no comment", "# note", "",
            "1:" + missing.arg("# note") + "|1:Reached end of file too early after token: note");
        row("close after tag", "P { A }", "P=", "1:Unexpected close brace after token: A");
        row("equals alone", "= 1 = 2", "1=2", "1:Unexpected Equal char after token: ");
        for (const char *statement : {"echo", "abort", "if", "ifdef", "ifset", "include"})
            row(statement, '#' + QByteArray(statement), "",
                QStringLiteral("1:Incomplete #%1-statement").arg(statement));
        row("if without quotes", "#if 2 > 10 { A = 1 }", "10={A=1}", "1:Incomplete #if-statement");
        row("include missing", "#include /nonexistent/x.ktf", "",
            "1:include file not found: /nonexistent/x.ktf");
        // Only regular files are read: a FIFO would block and a device never end.
        for (const QString &special : {TestSupport::unwrittenFifo(), QStringLiteral("/dev/zero")})
            row(qPrintable(special), "#include " + special.toUtf8(), "",
                "1:Failed to read " + special + ": not a regular file");
        row("include in skip is a tag", "#if no { #include x.ktf }", "",
            "1:" + missing.arg("#include x.ktf") + "|1:Unexpected close brace after token: x.ktf");

        QTest::newRow("echo message")
            << QStringLiteral("#echo hello world") << QString()
            << semantic("Info", "hello") +
                   messages("1:Reached end of file too early after token: world");
        // The line feed after the word is read with it.
        QTest::newRow("abort message")
            << QStringLiteral("#abort stop\nA = 1") << QStringLiteral("A=1")
            << semantic("Error", "<font color = red>stop</font>") + messages("2:#aborted stop");
        QTest::newRow("LOCAL in a string")
            << QStringLiteral("V = $(LOCAL)") << QStringLiteral("V=")
            << semantic("Warning", "<font color = #c06000>$(LOCAL) is only defined in KTF files "
                                   "on disk.</font>");
    }
    void documents()
    {
        QFETCH(QString, text);
        QFETCH(QString, tree);
        QFETCH(QByteArray, log);
        ORNAKTFParser parser;
        parser.setVariableResolver(nullptr, &resolve);
        bool ok = false;
        QCOMPARE(captureStderr([&] { ok = parser.parseString(text, true); }), log);
        QCOMPARE(describe(parser.root()), tree);
        QCOMPARE(ok, !log.contains("ParserError"));
    }

    void lines()
    {
        ORNAKTFParser parser;
        QVERIFY(parser.parseString(
            QStringLiteral("x = 0\n\nA =\n\n\"x\"\nB\n{ C = 1\r\rD = 2 }\nE = \"1\n2\" F = 3\n"
                           "#ifset X { G = 1 }"),
            true, QString(), 10));
        const ORNATree *root = parser.root();
        const ORNATree *b = root->findChild(QStringLiteral("B"));
        QCOMPARE(root->findChild(QStringLiteral("A"))->line(), 12);
        QCOMPARE(root->findChild(QStringLiteral("A"))->valueLineOffset(), 2);
        QCOMPARE(b->line(), 15);
        QCOMPARE(b->valueLineOffset(), 1);
        QCOMPARE(b->findChild(QStringLiteral("D"))->line(), 16);
        QCOMPARE(root->findChild(QStringLiteral("E"))->valueLineOffset(), 0);
        QCOMPARE(root->findChild(QStringLiteral("F"))->line(), 18);
        QVERIFY(!root->findChild(QStringLiteral("G"))); // nothing is set without a resolver
    }

    void errorAccessors()
    {
        ORNAKTFParser parser;
        captureStderr([&] { parser.parseString("A\n\nB\nC = 1", true, "/a.ktf"); });
        QCOMPARE(parser.errorString(),
                 "/a.ktf(4):Missing a '=' between 'B C' or missing an opening '{'.");
        QCOMPARE(parser.errorLine(), 3);
        QCOMPARE(parser.errorFileName(), QStringLiteral("/a.ktf"));
        ORNAKTFParser many;
        const QByteArray log = captureStderr(
            [&] { QVERIFY(!many.parseString(QStringLiteral("=\n").repeated(60), true)); });
        QCOMPARE(log.count('\n'), 52);
        QVERIFY(log.endsWith(parserLine(unknownFile, 51, "Unexpected Equal char after token: ") +
                             parserLine(unknownFile, 51, "too many errors, stopped parsing")));
        QCOMPARE(many.errorString(), unknownFile + "(51): too many errors, stopped parsing");
        QCOMPARE(many.lastErrorMessage(), QStringLiteral("too many errors, stopped parsing"));
    }

    void headers_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("logEnd");
        QTest::newRow("utf8") << QByteArray("// KTF v1 utf8\nV = H\xc3\xa4\n")
                              << QStringLiteral("H\u00e4") << QByteArray();
        QTest::newRow("latin1") << QByteArray("// KTF v1 latin1\nV = H\xc3\xa4\n")
                                << QStringLiteral("H\u00c3\u00a4") << QByteArray();
        QTest::newRow("upper case") << QByteArray("//ktf V1 UTF8\nV = H\xc3\xa4\n")
                                    << QStringLiteral("H\u00e4") << QByteArray();
        QTest::newRow("tab separated") << QByteArray("// KTF\tv1 utf8\nV = H\xc3\xa4\n")
                                       << QStringLiteral("H\u00c3\u00a4") << QByteArray();
        QTest::newRow("no encoding") << QByteArray("// KTF v1\nV = x\n") << QStringLiteral("x")
                                     << QByteArray("ORNAKTF unknown encoding , using latin1 \n");
        QTest::newRow("no header")
            << QByteArray("V = H\xe4\n") << QStringLiteral("H\u00e4") << QByteArray();
        QTest::newRow("version") << QByteArray("// KTF v2 utf8\nV = H\xc3\xa4\n")
                                 << QStringLiteral("H\u00c3\u00a4")
                                 << QByteArray("ORNAKTF unknown ktf version v2, using v1 \n");
        QTest::newRow("encoding") << QByteArray("// KTF v1 ascii\nV = x\n") << QStringLiteral("x")
                                  << QByteArray("ORNAKTF unknown encoding ascii, using latin1 \n");
        QTest::newRow("invalid utf8") << QByteArray("// KTF v1 utf8\nV = a\xff\xfe\xc3\n")
                                      << QStringLiteral("a\ufffd\ufffd\ufffd") << QByteArray();
        QTest::newRow("nul") << QByteArray("V = a\0b\n", 8)
                             << QStringLiteral("a").append(QChar(0)).append('b') << QByteArray();
    }
    void headers()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, value);
        QFETCH(QByteArray, logEnd);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("h.ktf"));
        QVERIFY(TestSupport::writeFile(path, content));
        ORNAKTFParser parser;
        const QByteArray log = captureStderr([&] { parser.parseFile(path, true); });
        QCOMPARE(parser.root()->child(0)->value(), value);
        QCOMPARE(TestSupport::withoutLineNumbers(log),
                 logEnd.isEmpty() ? logEnd
                                  : "ERROR: Libraries/ORNABase/Tools/ornaKTFParser.cpp(N):  "
                                    "ORNAError:  " +
                                        logEnd);
    }

    void filesAndIncludes()
    {
        QTemporaryDir dir;
        const QString main = dir.filePath(QStringLiteral("c.ktf"));
        const QString sub = dir.filePath(QStringLiteral("sub.ktf"));
        QVERIFY(TestSupport::writeFile(sub, "S = $(LOCAL_BASENAME)\n"));
        QVERIFY(TestSupport::writeFile(main, "A = 1\nP {\n#include $(LOCAL)/sub.ktf\n"
                                             "L = $(LOCAL)/x\n}\n#ifdef LOCAL { D = 1 }\n"));
        ORNAKTFParser parser;
        QCOMPARE(captureStderr([&] { QVERIFY(parser.parseFile(main, true)); }), QByteArray());
        QCOMPARE(describe(parser.root()),
                 QStringLiteral("A=1 P={S=%1/sub L=%1/x} D=1").arg(dir.path()));
        const ORNATree *p = parser.root()->findChild(QStringLiteral("P"));
        QCOMPARE(p->sourceFile(), main);
        QCOMPARE(p->line(), 2);
        QCOMPARE(p->child(0)->sourceFile(), sub);
        // A missing file reads empty; a special one is refused.
        QVERIFY(parser.parseFile(QStringLiteral("/nonexistent/none.ktf"), true));
        const QString fifo = TestSupport::unwrittenFifo();
        QCOMPARE(captureStderr([&] { QVERIFY(!parser.parseFile(fifo, true)); }),
                 parserLine(fifo, 1, "Failed to read " + fifo + ": not a regular file"));
    }

    void includeProblems()
    {
        QTemporaryDir dir;
        const QString self = dir.filePath(QStringLiteral("self.ktf"));
        QVERIFY(TestSupport::writeFile(self, "#include " + self.toUtf8() + "\n"));
        ORNAKTFParser parser;
        QCOMPARE(captureStderr([&] { QVERIFY(!parser.parseFile(self, true)); }),
                 parserLine(self, 2, QStringLiteral("can't include itself")));
        const QString broken = dir.filePath(QStringLiteral("broken.ktf"));
        const QString outer = dir.filePath(QStringLiteral("outer.ktf"));
        QVERIFY(TestSupport::writeFile(broken, "A"));
        QVERIFY(TestSupport::writeFile(outer, "#include " + broken.toUtf8() + "\nB = 1\n"));
        ORNAKTFParser second;
        QCOMPARE(captureStderr([&] { QVERIFY(!second.parseFile(outer, true)); }),
                 parserLine(broken, 1, "Reached end of file too early after token: A") +
                     parserLine(outer, 2, "error in included file"));
        QCOMPARE(describe(second.root()), QStringLiteral("B=1"));
    }

    void includeDepth()
    {
        QTemporaryDir dir;
        const QString first = writeChain(dir, 52, [](int i, const QByteArray &include) {
            return "E" + QByteArray::number(i) + " = 1\n" + include;
        });
        ORNAKTFParser parser;
        const QByteArray log = captureStderr([&] { QVERIFY(!parser.parseFile(first, true)); });
        QVERIFY(log.startsWith(
            parserLine(dir.filePath("f51.ktf"), 3, "maximum include depth limit (50) reached")));
        QCOMPARE(log.count('\n'), 51);
        QVERIFY(log.endsWith(parserLine(first, 3, "error in included file")));
        QCOMPARE(parser.root()->childCount(), 51);
    }

    // Each file includes the next twice, 2^14 includes in all: the document stops at 10,000.
    void includeLimit()
    {
        QTemporaryDir dir;
        const QString first =
            writeChain(dir, 14, [](int, const QByteArray &include) { return include.repeated(2); });
        QVERIFY(TestSupport::writeFile(dir.filePath(QStringLiteral("f15.ktf")), "A = 1\n"));
        ORNAKTFParser parser;
        const QByteArray log = captureStderr([&] { QVERIFY(!parser.parseFile(first, true)); });
        QCOMPARE(parser.errorString(), first + "(2): too many includes, stopped parsing");
        // Every including file stops at once, each with the same message.
        QCOMPARE(log.count("too many includes, stopped parsing"), 14);
        QCOMPARE(log.count('\n'), 14);
        QCOMPARE(parser.root()->childCount(), 4996);
    }

    // Nesting a million levels deep neither crashes the reader nor the release of its tree;
    // 100 MB in one open comment or string end in time.
    void largeInputs()
    {
        const int depth = 1000000;
        ORNAKTFParser parser;
        QVERIFY(parser.parseBytes(
            QByteArray("A { ").repeated(depth) + QByteArray("} ").repeated(depth), true));
        QCOMPARE(parser.root()->descendantCount(), depth);
        ORNAKTFParser open;
        QVERIFY(captureStderr([&] {
                    QVERIFY(!open.parseBytes(QByteArray("A {").repeated(depth), true));
                }).contains("Missing 1000000 close-brace(s) at end of file"));
        ORNAKTFParser braces;
        captureStderr([&] { QVERIFY(!braces.parseBytes(QByteArray(depth, '{'), true)); });
        QCOMPARE(braces.lastErrorMessage(), QStringLiteral("too many errors, stopped parsing"));
        ORNAKTFParser comment;
        QVERIFY(comment.parseBytes("A = 1 /*" + QByteArray(100 * 1000 * 1000, 'x'), true));
        QCOMPARE(describe(comment.root()), QStringLiteral("A=1"));
        ORNAKTFParser strings;
        QVERIFY(strings.parseBytes("V = \"" + QByteArray("\\\\").repeated(10 * 1000 * 1000), true));
        QCOMPARE(strings.root()->child(0)->value().size(), 10 * 1000 * 1000);
    }

    // Values live in blocks shared by many nodes: every value must stay intact while any node
    // holding it lives, whatever happened to the reader, the rest of the tree or other trees.
    void valuesOutliveTheirReader()
    {
        QStringList expected;
        QByteArray text = "// KTF v1 utf8\n";
        for (int i = 0; i < 5000; ++i) {
            QString value = QStringLiteral("value%1").arg(i);
            if (i % 7 == 0)
                value += QStringLiteral(" with blanks \u00e9\u4e2d");
            if (i == 2500)
                value = QString(70000, QLatin1Char('L')); // larger than any shared block
            expected << value;
            text += "Entry" + QByteArray::number(i % 13) + " = \"" + value.toUtf8() + "\"\n";
        }
        ORNATree *root = nullptr;
        ORNATree *held = nullptr;
        {
            ORNAKTFParser parser;
            QVERIFY(parser.parseBytes(text, true));
            root = parser.root();
            root->ref();
            held = root->child(2501);
            held->ref();
        }
        QCOMPARE(root->childCount(), expected.size());
        for (int i = 0; i < expected.size(); ++i)
            QCOMPARE(root->child(i)->value(), expected.at(i));
        root->unref();
        // The memory the tree gave back is taken by the next document.
        ORNAKTFParser next;
        QVERIFY(next.parseBytes(QByteArray("Other = overwritten\n").repeated(5000), true));
        QCOMPARE(held->value(), expected.at(2501));
        QCOMPARE(held->name(), QStringLiteral("Entry5"));
        held->unref();
    }
};

QTEST_GUILESS_MAIN(TestKTFParser)
#include "tst_ktfparser.moc"
