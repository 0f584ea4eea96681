#include "ktfTestSupport.h"
#include "ornaBase.h"
#include "ornaKTFParser.h"
#include "ornaTree.h"
#include "testSupport.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Parsed
{
    bool ok;
    QString tree;
    QByteArray log;
};

Parsed parseText(const QString &text, int mode = 1)
{
    ORNAKTFParser parser(mode);
    bool ok = false;
    const QByteArray log = captureStderr([&] { ok = parser.parseString(text, true); });
    return {ok, describe(parser.root()), log};
}

QByteArray unknownFileLines(const QList<QPair<int, QString>> &errors)
{
    QByteArray lines;
    for (const auto &[line, message] : errors)
        lines += parserLine(QStringLiteral("<unknown file>"), line, message);
    return lines;
}

bool resolve(void *, const QString &name, QString &value)
{
    if (name == QLatin1String("LEVEL"))
        value = QStringLiteral("3");
    else if (name == QLatin1String("DEBUG"))
        value = QStringLiteral("Yes");
    else if (name == QLatin1String("EMPTY"))
        value = QString();
    else
        return false;
    return true;
}

} // namespace

class TestKTFParser : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { ORNABase::initialize(); }

    // Token forms, quoting, comments and the preprocessor, judged by the tree they give.
    void trees_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("tree");
        auto row = [](const char *name, const char *text, const char *tree) {
            QTest::newRow(name) << QString::fromUtf8(text) << QString::fromUtf8(tree);
        };
        row("entries", "A = 1\nB { X = 2 }", "A=1 B={X=2}");
        row("no blanks", "Key=Value", "Key=Value");
        row("tag value brace", "Dir \"x y\" { }", "Dir=x y");
        row("equals then brace", "Dir = x { D = 1 }", "Dir=x{D=1}");
        row("escaped quote", "V = \"a\\\"b\"", "V=a\"b");
        row("escaped backslash", "V = \"a\\\\b\"", "V=a\\b");
        row("star quoted", "V = \"*he said \"hi\"*\"", "V=he said \"hi\"");
        row("star inside", "V = \"*a*b*\"", "V=a*b");
        row("at quoted", "V = @@x y@@", "V=x y");
        row("lone at", "V = @x", "V=x");
        row("backslash word", "V = a\\b", "V=a\\b");
        row("comment chars in word", "V = abc//def", "V=abc//def");
        row("block in word", "V = a/*b", "V=a/*b");
        row("line comment", "// c\nV = 1 // x\nW = 2", "V=1 W=2");
        row("comment at end", "V = 1 // c", "V=1");
        row("block comment", "/* a\n b */ V = /* c */ 1", "V=1");
        row("unterminated comment", "V = 1 /* open", "V=1");
        row("slash word", "V = /", "V=/");
        row("quotes in word", "V = a\"b@c", "V=a\"b@c");
        row("form feed joins", "V = a\fb", "V=a\fb");
        row("multi line string", "V = \"line1\nline2\"", "V=line1\nline2");
        row("unterminated string", "V = \"open", "V=open");
        row("type cut", "Field<int> = 4", "Field=4");
        row("no cut without end", "Field<int = 4", "Field<int=4");
        row("repeated tags", "A = 1 A = 2", "A=1 A=2");
        row("literal reference", "V = $(*HOME*)", "V=$(HOME)");
        row("unknown reference", "V = $(UNKNOWN)", "V=$(UNKNOWN)");
        row("open reference", "V = $(LOCAL", "V=$(LOCAL");
        row("if numeric", "#if \"2 > 10\" { A = 1 }", "");
        row("if string", "#if \"b > a\" { A = 1 }", "A=1");
        row("if yes", "#if yes { A = 1 }", "A=1");
        row("if ON", "#if ON { A = 1 }", "A=1");
        row("if two parts", "#if \"1 2\" { A = 1 }", "");
        row("if equal numbers", "#if \"2 == 2.0\" { A = 1 }", "A=1");
        row("if not equal strings", "#if \"abc != abd\" { A = 1 }", "A=1");
        row("if greater equal", "#if \"10 >= 9\" { A = 1 }", "A=1");
        row("if less equal", "#if \"10 <= 9\" { A = 1 }", "");
        row("if less", "#if \"a < b\" { A = 1 }", "A=1");
        row("if unknown operator", "#if \"1 <> 2\" { A = 1 }", "");
        row("active block transparent", "P { #if 1 { A = 1 } B = 2 }", "P={A=1 B=2}");
        row("skipped nested", "#if no { A { B = 1 } C = 2 } D = 3", "D=3");
        row("ifdef in skip is a tag", "#if no { #ifdef X { A = 1 } } B = 1", "B=1");
        row("ifdef LOCAL", "#ifdef LOCAL { A = 1 }", "A=1");
        row("ifndef LOCAL", "#ifndef LOCAL { A = 1 }", "");
        row("ifdef other", "#ifdef OTHER { A = 1 }", "");
        row("ifset without resolver", "#ifset X { A = 1 }", "");
        row("ifnset without resolver", "#ifnset X { A = 1 }", "A=1");
        row("empty tag", "\"\" = 1", "=1");
        row("nul and high bytes", "V = a\x01\xc3\xa4", "V=a\x01\xc3\xa4");
    }
    void trees()
    {
        QFETCH(QString, text);
        QFETCH(QString, tree);
        const Parsed parsed = parseText(text);
        QCOMPARE(parsed.tree, tree);
        QCOMPARE(parsed.log, QByteArray());
        QVERIFY(parsed.ok);
    }

    void keepReferences()
    {
        const Parsed parsed = parseText(QStringLiteral("V = $(LOCAL)/x\n#echo $(LOCAL)"), 2);
        QCOMPARE(parsed.tree, QStringLiteral("V=$(LOCAL)/x"));
        QVERIFY(!parsed.log.contains("only defined"));
    }

    // Errors, their texts, lines, order and recovery; every log line compared byte for byte.
    void errors_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("tree");
        QTest::addColumn<QByteArray>("log");
        auto row = [](const char *name, const QByteArray &text, const char *tree,
                      const QList<QPair<int, QString>> &errors) {
            QTest::newRow(name) << QString::fromUtf8(text) << QString::fromUtf8(tree)
                                << unknownFileLines(errors);
        };
        const QString missing =
            QStringLiteral("Missing a '=' between '%1' or missing an opening '{'.");
        row("missing equals", "A B X = 1", "X=1",
            {{1, missing.arg(QStringLiteral("A B"))}, {1, missing.arg(QStringLiteral("B X"))}});
        row("missing equals lines", "A\n\nB\nC = 1", "C=1",
            {{1, missing.arg(QStringLiteral("A B"))}, {3, missing.arg(QStringLiteral("B C"))}});
        row("string expected", "A = }", "A=",
            {{1, QStringLiteral("Expected a string after '=' token")},
             {1, QStringLiteral("Unexpected Close-Brace after token: ")}});
        row("braces alone", "{ }", "",
            {{1, QStringLiteral("Unexpected Open-Brace after token: ")},
             {1, QStringLiteral("Unexpected Close-Brace after token: ")}});
        // The brace opens the last node made, even across the stray close brace.
        row("open after stray close", "A = 1 }\n{", "A=1",
            {{1, QStringLiteral("Unexpected Close-Brace after token: 1")},
             {2, QStringLiteral("Missing 1 close-brace(s) at end of file")}});
        // A stray close brace names the last string read, whatever came between.
        row("close after value", "A = 1\n}", "A=1",
            {{2, QStringLiteral("Unexpected Close-Brace after token: 1")}});
        row("close after quoted", "A = \"x y\" }", "A=x y",
            {{1, QStringLiteral("Unexpected Close-Brace after token: x y")}});
        row("close after comment", "A = 1 // c\n/* d */ }", "A=1",
            {{2, QStringLiteral("Unexpected Close-Brace after token: 1")}});
        row("missing close", "A {\n B = 1", "A={B=1}",
            {{2, QStringLiteral("Missing 1 close-brace(s) at end of file")}});
        row("hash is no comment", "# note", "",
            {{1, missing.arg(QStringLiteral("# note"))},
             {1, QStringLiteral("Reached end of file too early after token: note")}});
        row("tag at end", "A", "",
            {{1, QStringLiteral("Reached end of file too early after token: A")}});
        row("close after tag", "P { A }",
            "P=", {{1, QStringLiteral("Unexpected close brace after token: A")}});
        row("equals alone", "= 1 = 2", "1=2",
            {{1, QStringLiteral("Unexpected Equal char after token: ")}});
        row("echo incomplete", "#echo", "", {{1, QStringLiteral("Incomplete #echo-statement")}});
        row("echo brace", "#echo {", "", {{1, QStringLiteral("Incomplete #echo-statement")}});
        row("abort incomplete", "#abort", "", {{1, QStringLiteral("Incomplete #abort-statement")}});
        row("if incomplete", "#if x", "", {{1, QStringLiteral("Incomplete #if-statement")}});
        row("if without quotes", "#if 2 > 10 { A = 1 }", "10={A=1}",
            {{1, QStringLiteral("Incomplete #if-statement")}});
        row("ifdef incomplete", "#ifdef X", "",
            {{1, QStringLiteral("Incomplete #ifdef-statement")}});
        row("ifndef incomplete", "#ifndef X =", "",
            {{1, QStringLiteral("Incomplete #ifndef-statement")}});
        row("ifset incomplete", "#ifset {", "",
            {{1, QStringLiteral("Incomplete #ifset-statement")}});
        row("ifnset incomplete", "#ifnset", "",
            {{1, QStringLiteral("Incomplete #ifnset-statement")}});
        row("include incomplete", "#include", "",
            {{1, QStringLiteral("Incomplete #include-statement")}});
        row("include missing", "#include /nonexistent/x.ktf", "",
            {{1, QStringLiteral("include file not found: /nonexistent/x.ktf")}});
        // Only regular files are read: a FIFO would block and a device never end.
        for (const QString &special :
             {TestSupport::unwrittenFifo(), QStringLiteral("/dev/zero"), QStringLiteral("/")}) {
            row(qPrintable(QStringLiteral("include ") + special), "#include " + special.toUtf8(),
                "", {{1, QStringLiteral("Failed to read %1: not a regular file").arg(special)}});
        }
        row("include in skip is a tag", "#if no { #include x.ktf }", "",
            {{1, missing.arg(QStringLiteral("#include x.ktf"))},
             {1, QStringLiteral("Unexpected close brace after token: x.ktf")}});
    }
    void errors()
    {
        QFETCH(QString, text);
        QFETCH(QString, tree);
        QFETCH(QByteArray, log);
        const Parsed parsed = parseText(text);
        QCOMPARE(parsed.log, log);
        QCOMPARE(parsed.tree, tree);
        QVERIFY(!parsed.ok);
    }

    void errorAccessors()
    {
        ORNAKTFParser parser;
        captureStderr([&] { parser.parseString(QStringLiteral("A\n\nB\nC = 1"), true); });
        QCOMPARE(parser.errorString(),
                 QStringLiteral("<unknown file>(4):Missing a '=' between 'B C' or missing an "
                                "opening '{'."));
        QCOMPARE(parser.lastErrorMessage(),
                 QStringLiteral("Missing a '=' between 'B C' or missing an opening '{'."));
        QCOMPARE(parser.errorLine(), 3);
        QCOMPARE(parser.errorFileName(), QStringLiteral("<unknown file>"));
    }

    void semanticMessages()
    {
        Parsed parsed = parseText(QStringLiteral("#echo hello world"));
        QCOMPARE(
            parsed.log,
            QByteArray("WARNING: (0):  ORNASemanticInfo:  SemanticInfo <font "
                       "color=black>root </font> : hello \n") +
                unknownFileLines(
                    {{1, QStringLiteral("Reached end of file too early after token: world")}}));
        parsed = parseText(QStringLiteral("#abort stop\nA = 1"));
        QCOMPARE(parsed.log, QByteArray("WARNING: (0):  ORNASemanticError:  SemanticError <font "
                                        "color=black>root </font> : <font color = "
                                        "red>stop</font> \n") +
                                 // The line feed after the word is read with it.
                                 unknownFileLines({{2, QStringLiteral("#aborted stop")}}));
        QCOMPARE(parsed.tree, QStringLiteral("A=1"));
        QVERIFY(!parsed.ok);
        parsed = parseText(QStringLiteral("V = $(LOCAL)"));
        QCOMPARE(parsed.log,
                 QByteArray("WARNING: (0):  ORNASemanticWarning:  SemanticWarning <font "
                            "color=black>root </font> : <font color = #c06000>$(LOCAL) "
                            "is only defined in KTF files on disk.</font> \n"));
        QCOMPARE(parsed.tree, QStringLiteral("V="));
        QVERIFY(parsed.ok);
    }

    void lines()
    {
        ORNAKTFParser parser;
        QVERIFY(parser.parseString(
            QStringLiteral("x = 0\n\nA =\n\n\"x\"\nB\n{ C = 1\r\rD = 2 }\nE = \"1\n2\" F = 3"),
            true, QString(), 10));
        const ORNATree *root = parser.root();
        QCOMPARE(root->findChild(QStringLiteral("A"))->line(), 12);
        QCOMPARE(root->findChild(QStringLiteral("A"))->valueLineOffset(), 2);
        const ORNATree *b = root->findChild(QStringLiteral("B"));
        QCOMPARE(b->line(), 15);
        QCOMPARE(b->valueLineOffset(), 1);
        QCOMPARE(b->findChild(QStringLiteral("D"))->line(), 16);
        QCOMPARE(root->findChild(QStringLiteral("E"))->valueLineOffset(), 0);
        QCOMPARE(root->findChild(QStringLiteral("F"))->line(), 18);
        QCOMPARE(root->findChild(QStringLiteral("x"))->valueLineOffset(), 0);
    }

    void resolver()
    {
        ORNAKTFParser parser;
        parser.setVariableResolver(nullptr, &resolve);
        QVERIFY(parser.parseString(
            QStringLiteral("L = $(LEVEL)x$(NONE)\n#ifdef LEVEL { A = 1 }\n#ifdef NONE { B = 1 }\n"
                           "#ifset DEBUG { C = 1 }\n#ifset EMPTY { D = 1 }\n"
                           "#if \"$(LEVEL) >= 2\" { E = 1 }"),
            true));
        QCOMPARE(describe(parser.root()), QStringLiteral("L=3x$(NONE) A=1 C=1 E=1"));
    }

    void tooManyErrors()
    {
        ORNAKTFParser parser;
        bool ok = true;
        const QByteArray log = captureStderr(
            [&] { ok = parser.parseString(QStringLiteral("=\n").repeated(60), true); });
        QVERIFY(!ok);
        const QList<QByteArray> lines = log.split('\n');
        QCOMPARE(lines.size(), 53); // 52 lines and the empty rest after the last line feed
        QCOMPARE(lines.at(50) + '\n',
                 parserLine(QStringLiteral("<unknown file>"), 51,
                            QStringLiteral("Unexpected Equal char after token: ")));
        QCOMPARE(lines.at(51) + '\n',
                 parserLine(QStringLiteral("<unknown file>"), 51,
                            QStringLiteral("too many errors, stopped parsing")));
        QCOMPARE(parser.errorString(),
                 QStringLiteral("<unknown file>(51): too many errors, stopped parsing"));
        QCOMPARE(parser.lastErrorMessage(), QStringLiteral("too many errors, stopped parsing"));
    }

    void headers_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("logEnd");
        QTest::newRow("utf8") << QByteArray("// KTF v1 utf8\nV = H\xc3\xa4\n")
                              << QStringLiteral("H\u00e4") << QByteArray();
        QTest::newRow("upper case") << QByteArray("//ktf V1 UTF8\nV = H\xc3\xa4\n")
                                    << QStringLiteral("H\u00e4") << QByteArray();
        QTest::newRow("latin1") << QByteArray("// KTF v1 latin1\nV = H\xc3\xa4\n")
                                << QStringLiteral("H\u00c3\u00a4") << QByteArray();
        QTest::newRow("no header")
            << QByteArray("V = H\xe4\n") << QStringLiteral("H\u00e4") << QByteArray();
        QTest::newRow("tab separated") << QByteArray("// KTF\tv1 utf8\nV = H\xc3\xa4\n")
                                       << QStringLiteral("H\u00c3\u00a4") << QByteArray();
        QTest::newRow("version") << QByteArray("// KTF v2 utf8\nV = H\xc3\xa4\n")
                                 << QStringLiteral("H\u00c3\u00a4")
                                 << QByteArray("):  ORNAError:  ORNAKTF unknown ktf version v2, "
                                               "using v1 \n");
        QTest::newRow("encoding") << QByteArray("// KTF v1 ascii\nV = x\n") << QStringLiteral("x")
                                  << QByteArray("):  ORNAError:  ORNAKTF unknown encoding ascii, "
                                                "using latin1 \n");
        QTest::newRow("no encoding") << QByteArray("// KTF v1\nV = x\n") << QStringLiteral("x")
                                     << QByteArray("):  ORNAError:  ORNAKTF unknown encoding , "
                                                   "using latin1 \n");
        QTest::newRow("short") << QByteArray("V = \xe4") << QStringLiteral("\u00e4")
                               << QByteArray();
        QTest::newRow("invalid utf8") << QByteArray("// KTF v1 utf8\nV = a\xff\xfe\xc3\n")
                                      << QStringLiteral("a\ufffd\ufffd\ufffd") << QByteArray();
        QTest::newRow("nul") << QByteArray("V = a\0b\n", 8)
                             << QStringLiteral("a").append(QChar(0)).append(QLatin1Char('b'))
                             << QByteArray();
    }
    void headers()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, value);
        QFETCH(QByteArray, logEnd);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("h.ktf"));
        QVERIFY(writeFile(path, content));
        ORNAKTFParser parser;
        const QByteArray log = captureStderr([&] { parser.parseFile(path, true); });
        const ORNATree *v = parser.root()->findChild(QStringLiteral("V"));
        QCOMPARE(v ? v->value() : QString(), value);
        if (logEnd.isEmpty())
            QCOMPARE(log, QByteArray());
        else
            QVERIFY2(log.startsWith("ERROR: Libraries/ORNABase/Tools/ornaKTFParser.cpp(") &&
                         log.endsWith(logEnd),
                     log.constData());
    }

    void parseStringIgnoresHeader()
    {
        const Parsed parsed = parseText(QStringLiteral("// KTF v1 latin1\nV = \u00e4"));
        QCOMPARE(parsed.tree, QStringLiteral("V=\u00e4"));
    }

    void filesAndIncludes()
    {
        QTemporaryDir dir;
        const QString main = dir.filePath(QStringLiteral("c.ktf"));
        QVERIFY(writeFile(dir.filePath(QStringLiteral("sub.ktf")), "S = $(LOCAL_BASENAME)\n"));
        QVERIFY(writeFile(main, "A = 1\nP {\n#include $(LOCAL)/sub.ktf\nL = $(LOCAL)/x\n}\n"
                                "#ifdef LOCAL { D = 1 }\n"));
        ORNAKTFParser parser;
        QByteArray log;
        bool ok = false;
        log = captureStderr([&] { ok = parser.parseFile(main, true); });
        QCOMPARE(log, QByteArray());
        QVERIFY(ok);
        QCOMPARE(describe(parser.root()),
                 QStringLiteral("A=1 P={S=%1/sub L=%1/x} D=1").arg(dir.path()));
        const ORNATree *p = parser.root()->findChild(QStringLiteral("P"));
        QCOMPARE(p->sourceFile(), main);
        QCOMPARE(p->line(), 2);
        QCOMPARE(p->child(0)->sourceFile(), dir.filePath(QStringLiteral("sub.ktf")));
    }

    void includeProblems()
    {
        QTemporaryDir dir;
        const QString self = dir.filePath(QStringLiteral("self.ktf"));
        QVERIFY(writeFile(self, "#include " + self.toUtf8() + "\n"));
        ORNAKTFParser parser;
        QByteArray log = captureStderr([&] { QVERIFY(!parser.parseFile(self, true)); });
        QCOMPARE(log, parserLine(self, 2, QStringLiteral("can't include itself")));

        const QString broken = dir.filePath(QStringLiteral("broken.ktf"));
        const QString outer = dir.filePath(QStringLiteral("outer.ktf"));
        QVERIFY(writeFile(broken, "A"));
        QVERIFY(writeFile(outer, "#include " + broken.toUtf8() + "\nB = 1\n"));
        ORNAKTFParser second;
        log = captureStderr([&] { QVERIFY(!second.parseFile(outer, true)); });
        QCOMPARE(log, parserLine(broken, 1,
                                 QStringLiteral("Reached end of file too early after "
                                                "token: A")) +
                          parserLine(outer, 2, QStringLiteral("error in included file")));
        QCOMPARE(describe(second.root()), QStringLiteral("B=1"));
    }

    void includeDepth()
    {
        QTemporaryDir dir;
        auto name = [&](int i) { return dir.filePath(QStringLiteral("f%1.ktf").arg(i)); };
        for (int i = 1; i <= 52; ++i)
            QVERIFY(writeFile(name(i), "E" + QByteArray::number(i) + " = 1\n#include " +
                                           name(i + 1).toUtf8() + "\n"));
        ORNAKTFParser parser;
        const QByteArray log = captureStderr([&] { QVERIFY(!parser.parseFile(name(1), true)); });
        const QList<QByteArray> lines = log.split('\n');
        QCOMPARE(
            lines.first() + '\n',
            parserLine(name(51), 3, QStringLiteral("maximum include depth limit (50) reached")));
        QCOMPARE(lines.size(), 52);
        QCOMPARE(lines.at(50) + '\n',
                 parserLine(name(1), 3, QStringLiteral("error in included file")));
        QCOMPARE(parser.root()->childCount(), 51);

        // A cycle ends at the same limit.
        QVERIFY(writeFile(name(1), "#include " + name(2).toUtf8()));
        QVERIFY(writeFile(name(2), "#include " + name(1).toUtf8()));
        ORNAKTFParser cycle;
        captureStderr([&] { QVERIFY(!cycle.parseFile(name(1), true)); });
    }

    // Each file includes the next twice, 2^14 includes in all: the document stops at 10,000.
    void includeLimit()
    {
        QTemporaryDir dir;
        auto name = [&](int i) { return dir.filePath(QStringLiteral("f%1.ktf").arg(i)); };
        for (int i = 1; i <= 14; ++i)
            QVERIFY(writeFile(name(i),
                              QByteArray("#include " + name(i + 1).toUtf8() + '\n').repeated(2)));
        QVERIFY(writeFile(name(15), "A = 1\n"));
        ORNAKTFParser parser;
        const QByteArray log = captureStderr([&] { QVERIFY(!parser.parseFile(name(1), true)); });
        QCOMPARE(parser.errorString(), name(1) + QStringLiteral("(2): too many includes, stopped "
                                                                "parsing"));
        // Every including file stops at once, each with the same message.
        QCOMPARE(log.count("too many includes, stopped parsing"), 14);
        QCOMPARE(log.count('\n'), 14);
        QCOMPARE(parser.root()->childCount(), 4996);
    }

    void missingFileReadsEmpty()
    {
        ORNAKTFParser parser;
        QVERIFY(parser.parseFile(QStringLiteral("/nonexistent/none.ktf"), true));
        QCOMPARE(parser.root()->childCount(), 0);
        const QString fifo = TestSupport::unwrittenFifo();
        const QByteArray log = captureStderr([&] { QVERIFY(!parser.parseFile(fifo, true)); });
        QCOMPARE(
            log,
            parserLine(fifo, 1, QStringLiteral("Failed to read %1: not a regular file").arg(fifo)));
    }

    void resetToRootKeepsRoot()
    {
        ORNAKTFParser parser;
        ORNATree *root = parser.root();
        QVERIFY(parser.parseString(QStringLiteral("A = 1"), true));
        QVERIFY(parser.parseString(QStringLiteral("B = 2"), true));
        QCOMPARE(parser.root(), root);
        QCOMPARE(describe(root), QStringLiteral("A=1 B=2"));
        root->ref();
        ORNAKTFParser *owner = new ORNAKTFParser;
        delete owner;
        root->unref();
    }

    // Nesting a million levels deep neither crashes the reader nor the release of its tree.
    void deepNesting()
    {
        const int depth = 1000000;
        QByteArray text = QByteArray("A { ").repeated(depth) + QByteArray("} ").repeated(depth);
        ORNAKTFParser parser;
        QVERIFY(parser.parseBytes(text, true));
        QCOMPARE(parser.root()->descendantCount(), depth);
        ORNAKTFParser open;
        const QByteArray log = captureStderr(
            [&] { QVERIFY(!open.parseBytes(QByteArray("A {").repeated(depth), true)); });
        QVERIFY(log.contains("Missing 1000000 close-brace(s) at end of file"));
        ORNAKTFParser braces;
        captureStderr([&] { QVERIFY(!braces.parseBytes(QByteArray(depth, '{'), true)); });
        QCOMPARE(braces.lastErrorMessage(), QStringLiteral("too many errors, stopped parsing"));
    }

    void largeInputs()
    {
        // 100 MB in one open comment, and in one unterminated string with escapes.
        QByteArray comment = "A = 1 /*" + QByteArray(100 * 1000 * 1000, 'x');
        ORNAKTFParser parser;
        QVERIFY(parser.parseBytes(comment, true));
        QCOMPARE(describe(parser.root()), QStringLiteral("A=1"));
        comment.clear();
        QByteArray escaped = "V = \"" + QByteArray("\\\\").repeated(10 * 1000 * 1000);
        ORNAKTFParser strings;
        QVERIFY(strings.parseBytes(escaped, true));
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
        text += "Expanded = \"$(LEVEL)-x\"\n";
        expected << QStringLiteral("3-x");
        ORNATree *root = nullptr;
        ORNATree *held = nullptr;
        {
            ORNAKTFParser parser;
            parser.setVariableResolver(nullptr, resolve);
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

    void parsedValuesInClonesAndMerges()
    {
        ORNATree *copy = nullptr;
        ORNATree *target = new ORNATree(QStringLiteral("root"));
        target->ref();
        {
            ORNAKTFParser parser;
            QVERIFY(parser.parseString(QStringLiteral("A = one B = two C { D = three }"), true));
            copy = parser.root()->clone();
            copy->ref();
            target->merge(parser.root());
            parser.root()->child(1)->setValue(QStringLiteral("changed"));
        }
        QCOMPARE(describe(copy), QStringLiteral("A=one B=two C={D=three}"));
        QCOMPARE(describe(target), QStringLiteral("A=one B=changed C={D=three}"));
        copy->child(0)->setValue(QString());
        QCOMPARE(describe(copy), QStringLiteral("A= B=two C={D=three}"));
        copy->unref();
        QCOMPARE(describe(target), QStringLiteral("A=one B=changed C={D=three}"));
        target->unref();
    }

    // Rewinding reads escaped tokens again; the scratch buffer must still suffice.
    void rewindWithEscapes()
    {
        const Parsed parsed =
            parseText(QStringLiteral("\"a\\\"\" \"b\\\"\" \"c\\\"\" \"d\\\"\" = 1"));
        QCOMPARE(parsed.tree, QStringLiteral("d\"=1"));
    }
};

QTEST_GUILESS_MAIN(TestKTFParser)
#include "tst_ktfparser.moc"
