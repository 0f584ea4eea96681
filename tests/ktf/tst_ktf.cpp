// The KTF reader, tree and writer in process, and the ktf command line as its users see it.
#include "ornaBase.h"
#include "ornaKTFParser.h"
#include "ornaKTFPositionReader.h"
#include "ornaKTFTokenizer.h"
#include "ornaKTFWriter.h"
#include "ornaTree.h"
#include "testSupport.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

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

// Short log forms ("|" or line feed between): L:error in a text, FILE(L) error, ~Kind:directive,
// FILE(L) S:entry:difference, E:header error.
QByteArray logLines(QString entries)
{
    static const std::pair<const char *, const char *> forms[] = {
        {"^(\\S+\\(\\d+\\)) S:(.*):(.*)$",
         "WARNING: \\1:  ORNASemanticError:  SemanticError "
         "<font color=black>\\2</font> : <font color = red>\\3</font> "},
        {"^(\\S+\\(\\d+\\)) (.*)$", "WARNING: \\1:  ORNAParserError:  ParserError \\2 "},
        {"^(\\d+):(.*)$", "WARNING: <unknown file>(\\1):  ORNAParserError:  ParserError \\2 "},
        {"^~(\\w+):(.*)$",
         "WARNING: (0):  ORNASemantic\\1:  Semantic\\1 <font color=black>root </font> : \\2 "},
        {"^E:(.*)$",
         "ERROR: Libraries/ORNABase/Tools/ornaKTFParser.cpp(N):  ORNAError:  ORNAKTF \\1 "}};
    entries.replace('|', '\n');
    for (const auto &[pattern, form] : forms)
        entries.replace(QRegularExpression(pattern, QRegularExpression::MultilineOption), form);
    return entries.isEmpty() || entries.endsWith('\n') ? entries.toUtf8() : entries.toUtf8() + '\n';
}

bool resolve(void *, const QString &name, QString &value)
{
    static const QHash<QString, QString> known = {{"LEVEL", "3"}, {"DEBUG", "Yes"}, {"EMPTY", ""}};
    value = known.value(name);
    return known.contains(name);
}

// Reads pieces ('|' between) handing on the carry state and line; tokens as kind ({ } =; strings
// b d s a by quotes; comments l k), class, [text], start-end@line; "|state" after each piece.
QString tokens(const QString &pieces, bool skipComments)
{
    ORNAKTFTokenizer t;
    QStringList tokens;
    for (const QByteArray &piece : pieces.toLatin1().split('|')) {
        ORNAInputCursor cursor{piece.size(), 0, piece.constData()};
        const int state = t.state(), line = t.line();
        t.setInput(&cursor);
        t.setSkipComments(skipComments);
        t.setState(state);
        t.setPosition(0, line, 0);
        while (t.next()) {
            const char kind = t.tokenKind() == 3 ? "bdsa"[t.quoteKind()] : "{}=?lk"[t.tokenKind()];
            tokens << QString::asprintf("%c%d[%s]%lld-%lld@%d", kind, t.tokenClass(),
                                        t.tokenText().constData(), t.tokenStart(), t.tokenEnd(),
                                        t.tokenLine());
            t.setPushedBack(tokens.size() == 1); // the first token comes twice
        }
        qsizetype offset = 0;
        int at = 0;
        t.position(&offset, &at); // -1 and -1 at the end
        tokens << QStringLiteral("|%1%2").arg(t.state()).arg(offset + at);
    }
    return tokens.join(' ');
}

TestSupport::ProcessResult ktf(const QStringList &arguments)
{
    return TestSupport::runProgram(TestSupport::binaryPath(QStringLiteral("ktf")), arguments);
}

} // namespace

class TestKTF : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QByteArray m_usage;

private slots:
    void initTestCase()
    {
        ORNABase::initialize();
        for (const auto &[name, text] : std::initializer_list<std::pair<const char *, QByteArray>>{
                 {"sub.ktf", "S = $(LOCAL_BASENAME)\n"},
                 {"bad.ktf", "A = 1\nB\n"},
                 {"same.ktf", "A = 1 B = \"2\" C{D=1}"},
                 {"other.ktf", "A = 1\nB = 3\nC { D = 1 X = 2 }\n"},
                 {"locked.ktf", "A = 1\n"}})
            QVERIFY(TestSupport::writeFile(m_dir.filePath(name), text));
        QFile::setPermissions(m_dir.filePath("locked.ktf"), QFileDevice::WriteOwner);
        m_usage = ktf({"--help"}).standardOutput;
        QVERIFY(m_usage.startsWith("Usage: ktf check FILE...\n"));
    }

    // Rows: text, then "tree|log|log"; M(x y) is a missing '='. LEVEL, DEBUG, EMPTY resolve.
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
        // Lines are line feeds, also in comments and strings; a carriage return is none.
        row("close after comment", "A = 1 // c\n/* d\r\n */ }",
            "A=1|3:Unexpected Close-Brace after token: 1");
        row("missing close", "A {\n B = \"1\n2\"\r\r",
            "A={B=1\n2}|3:Missing 1 close-brace(s) at end of file");
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
        QString flood; // 50 errors are told, the 51st stops the reading
        for (int line = 1; line <= 51; ++line)
            flood += QStringLiteral("|%1:Unexpected Equal char after token: ").arg(line);
        row("error flood", QString("=\n").repeated(60),
            flood + "|51:too many errors, stopped parsing");
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
        QCOMPARE(log, logLines(expected.section('|', 1)));
        QCOMPARE(describe(parser.root()), expected.section('|', 0, 0));
        QCOMPARE(ok, !log.contains("ParserError"));
    }

    // Include chains stop at depth 50; an include bomb (2^14) stops at 10,000 includes.
    void includeLimits()
    {
        QTemporaryDir deep, wide;
        const auto file = [](const QTemporaryDir &dir, int i) {
            return dir.filePath(QStringLiteral("f%1.ktf").arg(i));
        };
        for (int i = 1; i <= 52; ++i)
            QVERIFY(TestSupport::writeFile(
                file(deep, i),
                QStringLiteral("E%1 = 1\n#include %2\n").arg(i).arg(file(deep, i + 1)).toUtf8()));
        for (int i = 1; i <= 15; ++i)
            QVERIFY(TestSupport::writeFile(
                file(wide, i),
                i == 15 ? "A = 1\n"
                        : ("#include " + file(wide, i + 1) + '\n').repeated(2).toUtf8()));
        ORNAKTFParser parser, many;
        QByteArray log = captureStderr([&] { QVERIFY(!parser.parseFile(file(deep, 1), true)); });
        QVERIFY(log.startsWith(
            logLines(file(deep, 51) + "(3) maximum include depth limit (50) reached")));
        QVERIFY(log.endsWith(logLines(file(deep, 1) + "(3) error in included file")));
        QCOMPARE(log.count('\n'), 51);
        QCOMPARE(parser.root()->childCount(), 51);
        log = captureStderr([&] { QVERIFY(!many.parseFile(file(wide, 1), true)); });
        QCOMPARE(many.errorString(), file(wide, 1) + "(2): too many includes, stopped parsing");
        QCOMPARE(log.count("too many includes, stopped parsing"), 14);
        QCOMPARE(log.count('\n'), 14);
        QCOMPARE(many.root()->childCount(), 4996);
    }

    // A million levels deep never recurse; 100 MB in one open comment or string end in time.
    void largeInputs()
    {
        const int depth = 1000000;
        const QByteArray nested =
            QByteArray("A { ").repeated(depth) + QByteArray("} ").repeated(depth);
        ORNAKTFParser parser, other, open, braces, comment, string;
        QVERIFY(parser.parseBytes(nested, true) && other.parseBytes(nested, true));
        QVERIFY(ORNAKTF::equals(parser.root(), other.root(), false));
        QCOMPARE(parser.root()->descendantCount(), depth);
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

    // Values live in shared blocks: each stays intact while a node holding it lives.
    void valuesOutliveTheirReader()
    {
        QStringList expected;
        QByteArray text = "// KTF v1 utf8\n";
        for (int i = 0; i < 5000; ++i) {
            expected << (i == 2500 ? QString(70000, 'L') // larger than any shared block
                                   : QStringLiteral("value%1 \u00e9\u4e2d").arg(i));
            text += "E = \"" + expected.last().toUtf8() + "\"\n";
        }
        auto *parser = new ORNAKTFParser;
        QVERIFY(parser->parseBytes(text, true));
        ORNATree *root = parser->root();
        root->ref();
        delete parser; // as an include's reader goes, leaving its entries in the including tree
        ORNAKTFParser next; // takes the memory the reader gave back
        QVERIFY(next.parseBytes(QByteArray("Other = overwritten\n").repeated(5000), true));
        QCOMPARE(root->childCount(), expected.size());
        for (int i = 0; i < expected.size(); ++i)
            QCOMPARE(root->child(i)->value(), expected.at(i));
        root->unref();
    }

    // Every pair of special characters as name and value, and 5000 levels, read back equal.
    void roundTrip()
    {
        const QString special = QStringLiteral(" \t\n\"*@\\{}=\f\u00e4/$(<>#");
        ORNATree *root = new ORNATree(QStringLiteral("root"));
        const QByteArray log = captureStderr([&] { root->unref(), root->ref(), root->ref(); });
        QVERIFY(log.contains("deleted ORNATree unrefed!") &&
                log.contains("zombie ORNATree refed!"));
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
    // Rows: text, queries (';' between), results. f, d: findChildMatching, findDescendant by
    // name,value,mode,case (1: sensitive); c: findChild; t: tokens() (s: skipping comments); i:
    // insertChild before child K (x: none; +: child 0 twice), r: clearing, k: cloning, m: merging.
    void treeAndTokens_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("queries");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const char *text, const char *q, const char *e) {
            QTest::newRow(name) << QString(text) << QString(q) << QString(e);
        };
        // Values compare exactly, whatever the case sensitivity; other modes find nothing.
        row("search", "A=1 b=2 B=3 C=2 D=x { E=3 F { G=4 } } H { g=5 } \"\"=e",
            "fB,,1,1;fB,,1,0;fb,,1,1;fZ,,1,0;c;cb;cB;cE;f,2,2,1;f,X,2,0;f,x,2,1;fc,2,3,0;fc,2,3,1;"
            "fB,2,3,0;fA,1,0,1;dG,,1,1;dg,,1,0;dg,,1,1;d,3,2,1;dE,3,3,1;dZ,,1,1",
            "B=3;b=2;b=2;-;=e;b=2;B=3;-;b=2;-;D=x;C=2;-;b=2;-;G=4;G=4;g=5;B=3;E=3;-");
        row("insert", "A=1 B=2 C=3", "i1;i0;ix;i0+;r",
            "A=1 N=n B=2 C=3;N=n A=1 B=2 C=3;A=1 B=2 C=3 N=n;A=1 B=2 C=3 N=n A=1;A=1");
        // The clone's values are line * 10 + value line offset; comments are written as text.
        row("clone", "A =\n 1\nB { C = 2 }", "k",
            "11\nB  {\n  C = 2\n}\nroot  {\n  A = 10\n  B  {\n    C = 2\n  }\n}\n");
        // Names match ignoring case, values exactly; unmatched children are shared, not copied.
        row("merge", "A=x S { X=1 }", "ma=x s { Y=2 } A=X S=o;m",
            "A=x S={X=1 Y=2} A=s S=s;A=x S={X=1}");
        row("tokens", "a=\"x\\\"y\"{@@p q@@ \"*s\"t*\"}\n@w x/y\"@ //c\n/*c|*/", "ts",
            "b2[a]0-1@0 b2[a]0-1@0 =2[]1-2@0 d1[x\"y]2-8@0 {2[]8-9@0 a1[p q]9-16@0 "
            "s1[s\"t]17-24@0 }2[]24-25@0 b2[w]26-28@1 b2[x/y\"@]29-34@1 |5-2 |0-2");
        row("open", "A = \"o\np| en\" @@a|@b@@ \"*c|*\" /* d|\n*/ x // e\nb//c", "t",
            "b2[A]0-1@0 b2[A]0-1@0 =2[]2-3@0 d1[o\np]4-8@0 |2-2 d1[ en]0-4@1 a1[a]5-8@1 |3-2 "
            "a1[@b]0-4@1 s1[c]5-8@1 |4-2 s1[]0-2@1 k0[/* d]3-7@1 |5-2 k0[\n*/]0-3@1 b2[x]4-5@2 "
            "l0[// e]6-10@2 b2[b//c]11-15@3 |0-2");
    }
    void treeAndTokens()
    {
        QFETCH(QString, text);
        QFETCH(QString, queries);
        QFETCH(QString, expected);
        QStringList results;
        for (const QString &query : queries.split(';')) {
            ORNAKTFParser parser, other;
            const QChar op = query.at(0);
            captureStderr([&] { parser.parseString(text, true); }); // tokens() rows need no tree
            ORNATree *root = parser.root(), *first = root->child(0);
            const QStringList q = query.mid(1).split(',');
            const auto cs = Qt::CaseSensitivity(q.value(3) == "1");
            if (op == 'c' || op == 'f' || op == 'd') {
                const ORNATree *hit = op == 'c' ? root->findChild(q[0])
                                      : op == 'f'
                                          ? root->findChildMatching(q[0], q[1], q[2].toInt(), cs)
                                          : root->findDescendant(q[0], q[1], q[2].toInt(), cs);
                results << (hit ? hit->name() + '=' + hit->value() : "-");
                continue;
            } else if (op == 'i') {
                if (query.endsWith('+'))
                    root->appendChild(first);
                root->insertChild(new ORNATree("N", "n"),
                                  q[0] == "x" ? root : root->child(q[0].toInt()));
            } else if (op == 'r') {
                first->ref(); // held here too, it outlives the clearing
                root->removeAllChildren();
                root->addChild(first->name(), QString::number(first->refCount()));
                first->unref();
            } else if (op == 'k') {
                first->setComment(true); // not copied
                root->appendChild(root->clone());
                for (ORNATree *node : {first, root->child(2)->child(0)})
                    node->setValue(QString::number(node->line() * 10 + node->valueLineOffset()));
                QVERIFY(!ORNAKTF::equals(root, nullptr, false));
            } else if (op == 'm') {
                QVERIFY(other.parseString(query.mid(1), true));
                root->merge(query == "m" ? root : other.root());
                for (int i = 0; i < other.root()->childCount(); ++i) // shared ones show it
                    other.root()->child(i)->setValue("s");
            }
            results << (op == 't'   ? tokens(text, query == "ts")
                        : op == 'k' ? ORNAKTF::toString(root)
                                    : describe(root));
        }
        QCOMPARE(results.join(';'), expected);
    }

    // Rows: text of <f> ([a|b]: a before, b after), arguments (+ a blank), exit code, output and
    // errors (short forms); <x> is x.ktf beside <f> in <dir>.
    void commands_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");
        const auto row = [](const char *name, const QByteArray &text, const QString &arguments,
                            int exitCode, const QByteArray &out, const QByteArray &err) {
            QTest::newRow(name) << text << arguments << exitCode << out << err;
        };
        const auto usage = [&](const char *name, const char *arguments, const QByteArray &error) {
            row(name, "", arguments, 2, "", "ktf: " + error + "\n<usage>");
        };
        const auto dump = [&](const char *name, const QByteArray &text, const QByteArray &out,
                              const QByteArray &err = "") {
            row(name, text, "dump <f>", 0, out, err);
        };
        const auto set = [&](const char *name, const QByteArray &text, const QString &arguments,
                             const QByteArray &error = "") {
            row(name, text, "set <f> " + arguments, error.isEmpty() ? 0 : 1, "",
                error.isEmpty() ? "" : "ktf: " + error + '\n');
        };
        const QByteArray good = "A = 1\nB = 2\nC { D = 1 }\n";
        row("help", "", "--help", 0, "<usage>", "");
        usage("no command", "", "no command given");
        usage("unknown command", "frobnicate", "unknown command");
        usage("check alone", "check", "check takes at least one file");
        usage("dump two", "dump <f> <f>", "dump takes one file");
        usage("set short", "set <f> S/A", "set takes a file, a tag path and a value");
        usage("diff one", "diff <f>", "diff takes two files");
        // The reader takes a missing file for an empty one: the tool must not.
        const QByteArray missing = "ktf: cannot read <missing>: No such file or directory\n";
        const QByteArray fifo = "ktf: cannot read <fifo>: not a regular file\n";
        row("check missing", good, "check <f> <missing>", 1, "", missing);
        row("dump directory", "", "dump --raw <dir>", 1, "",
            "ktf: cannot read <dir>: not a regular file\n");
        row("set fifo", "", "set <fifo> S/A 1", 1, "", fifo);
        row("diff unreadable", "", "diff <missing> <fifo>", 1, "", missing + fifo);
        row("check locked", "", "check <locked>", 1, "",
            "ktf: cannot read <locked>: Permission denied\n");
        row("check bad", good, "check <f> <bad>", 1, "",
            "<bad>(3) Reached end of file too early after token: B\n");
        row("diff same", good, "diff <f> <same>", 0, "", "");
        row("diff other", good, "diff <f> <other>", 1, "",
            "<f>(2) S:B 2:different name/value\n<other>(2) S:B 3:different name/value\n"
            "<f>(3) S:C :different number of children\n<other>(3) S:C :different number of "
            "children\n");
        // The written form reads back to itself, quoted only where needed.
        const QByteArray written =
            "A = 1\nB  {\n  X = \"a b\"\n  E = \"\"\n  V \"with value\" {\n"
            "    Y = 2\n  }\n}\nQ = \"*x\"y*\"\nR = \"**s*\"\nS = \"*a*\\\"b*\"\n"
            "T = \"//c\"\nU = \"{\"\nW = \"a=b\"\nZ = a/$(X)\nL = \"l1\nl2\"\n";
        dump("written form", written, written);
        const QByteArray values = "// KTF v1 utf8\nS { V = \"a b\" L = $(LOCAL) U = \xc3\xa4 }\n";
        dump("dump", values, "S  {\n  V = \"a b\"\n  L = <dir>\n  U = \xc3\xa4\n}\n");
        row("dump raw", values, "dump --raw --header <f>", 0,
            "// KTF v1 utf8\nS  {\n  V = \"a b\"\n  L = $(LOCAL)\n  U = \xc3\xa4\n}\n", "");
        row("dump broken", "A = 1 {", "dump <f>", 1, "A = 1\n",
            "<f>(1) Missing 1 close-brace(s) at end of file\n");
        dump("upper case", "//ktf V1 UTF8\nV = H\xc3\xa4\n", "V = H\xc3\xa4\n");
        dump("latin1", "// KTF v1 latin1\nV = H\xc3\xa4\n", "V = H\xc3\x83\xc2\xa4\n");
        dump("tab separated", "// KTF\tv1 utf8\nV = H\xc3\xa4\n", "V = H\xc3\x83\xc2\xa4\n");
        dump("no header", "V = H\xe4\n", "V = H\xc3\xa4\n");
        dump("no encoding", "// KTF v1\nV = x\n", "V = x\n", "E:unknown encoding , using latin1\n");
        dump("version", "// KTF v2 utf8\nV = H\xc3\xa4\n", "V = H\xc3\x83\xc2\xa4\n",
             "E:unknown ktf version v2, using v1\n");
        dump("encoding", "// KTF v1 ascii\nV = x\n", "V = x\n",
             "E:unknown encoding ascii, using latin1\n");
        dump("invalid utf8", "// KTF v1 utf8\nV = a\xff\xfe\xc3\n",
             "V = a\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\n");
        dump("include",
             "A = 1\nP {\n#include $(LOCAL)/sub.ktf\nL = $(LOCAL)/x\n}\n#ifdef LOCAL { D = 1 }\n",
             "A = 1\nP  {\n  S = <dir>/sub\n  L = <dir>/x\n}\nD = 1\n");
        row("include names its file", "#include $(LOCAL)/sub.ktf\n", "diff <f> <bad>", 1, "",
            "<bad>(3) Reached end of file too early after token: B\n"
            "<sub>(1) S:S <dir>/sub:different name/value\n<bad>(1) S:A 1:different name/value\n");
        row("include itself", "A = 1\n#include $(LOCAL)/f.ktf\n", "check <f>", 1, "",
            "<f>(3) can't include itself\n");
        row("include broken", "#include $(LOCAL)/bad.ktf\nB = 1\n", "dump <f>", 1, "A = 1\nB = 1\n",
            "<bad>(3) Reached end of file too early after token: B\n<f>(2) error in included "
            "file\n");
        // An edit changes the one value and keeps comments, layout, line ends and encoding.
        set("set", "S {\n  Version = [1|2]   // note\n}\n", "S/Version 2");
        set("set quoted", "S {\n  A = 1 B = [2|\"x y\"]\n}\n", "S/B x+y");
        set("set new", "S {\n  A = 1\n[|  New = \"x y\"\n]}\n", "S/New x+y");
        set("set new quoted", "S {\n[|  \"two words\" = 1\n]}\n", "S/two+words 1");
        set("set new inline", "S { A = 1[| N = 2 ]}\n", "S/N 2");
        set("set new nested", "S {\n  T {\n[|    N = 2\n]  }\n}\n", "S/T/N 2");
        set("set below tag", "S {\n  A =\n    [1|2] // c\n}\n", "S/A 2");
        set("set multi line", "S {\n  M = [\"*a\nb*\"|\"z\"] // c\n}\n", "S/M z");
        set("set after tag", "S {\n  T[| v ]{\n  }\n}\n", "S/T v");
        set("set by value", "L = a {\n  X = 1\n}\nL = b {\n  X = [2|3]\n}\n", "L#b/X 3");
        set("set crlf", "S {\r\n  A = [1|2]\r\n}\r\n", "S/A 2");
        set("set utf8", "// KTF v1 utf8\nS {\n  A = [1|\xc3\xa4]\n}\n", "S/A \xc3\xa4");
        set("set latin1", "S {\n  A = [1|\xe4]\n}[|\n]", "S/A \xc3\xa4");
        set("top level", "A = 1\n", "A v", "no entry A in <f> (top-level entries cannot be set)");
        set("no parent", "S {\n}\n", "X/A v",
            "no entry X/A in <f> (top-level entries cannot be set)");
        const QByteArray unreadable = "failed to parse KTF file: Expected ";
        set("broken", "S { = }\n", "S/A v", unreadable + "an KTF tag in line 1, column 4");
        set("equals brace", "S = {", "S/A v", unreadable + "an KTF tag in line 1, column 4");
        set("open", "S {\n  A = 1\n", "S/A v", unreadable + "'}' in line 3, column 0");
        set("no brace", "S {\n  T\n  U = 1\n}\n", "S/T v",
            "tag has no open brace in file <f>, line 2: 2");
        set("value parent", "S = 1\n", "S/A v",
            "close brace position not found in file <f>, line -1: 0");
    }
    void commands()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, arguments);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        if (::geteuid() == 0 && arguments.contains("<locked>"))
            QSKIP("root reads every file");
        const QString file = m_dir.filePath("f.ktf");
        static const QRegularExpression edit("\\[(.*?)\\|(.*?)\\]",
                                             QRegularExpression::DotMatchesEverythingOption);
        QVERIFY(TestSupport::writeFile(file,
                                       QString::fromLatin1(text).replace(edit, "\\1").toLatin1()));
        const auto place = [&](QString text) {
            text.replace("<usage>", m_usage).replace("<dir>", m_dir.path());
            text.replace("<fifo>", TestSupport::unwrittenFifo());
            return text.replace(QRegularExpression("<(\\w+)>"), m_dir.path() + "/\\1.ktf");
        };
        QStringList argv;
        for (const QString &argument : arguments.split(' ', Qt::SkipEmptyParts))
            argv << place(argument).replace('+', ' ');
        const TestSupport::ProcessResult run = ktf(argv);
        QCOMPARE(TestSupport::withoutLineNumbers(run.standardError), logLines(place(err)));
        QCOMPARE(run.standardOutput, place(out).toUtf8());
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(TestSupport::readAll(file),
                 QString::fromLatin1(text).replace(edit, "\\2").toLatin1());
        QCOMPARE(TestSupport::fileNames(m_dir.path()).join(' '), // no temporary file left
                 "bad.ktf f.ktf locked.ktf other.ktf same.ktf sub.ktf");
    }

    // Edits keep links and modes; one past the 64 KB limit (coverage data fits) changes nothing.
    void setThroughLinkOrNot()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("s.ktf"), link = dir.filePath("link.ktf");
        const QByteArray before = "S {\n  A = 1\n}\n" + QByteArray(99999, '\n');
        QVERIFY(TestSupport::writeFile(file, before) && QFile::link(file, link));
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
        const TestSupport::ProcessResult failed = TestSupport::runProgram(
            "bash", {"-c", "trap '' XFSZ; ulimit -f 64; exec \"$0\" set \"$1\" S/A 2",
                     TestSupport::binaryPath("ktf"), link});
        QVERIFY2(failed.standardError.startsWith("ktf: failed to write temporary file " +
                                                 dir.path().toUtf8()),
                 failed.standardError);
        QCOMPARE(failed.exitCode, 1);
        QCOMPARE(TestSupport::readAll(file), before);
        QCOMPARE(TestSupport::fileNames(dir.path()), QStringList({"link.ktf", "s.ktf"}));
        QCOMPARE(ktf({"set", link, "S/A", "2"}).exitCode, 0);
        QCOMPARE(TestSupport::readAll(file), "S {\n  A = 2\n}\n" + QByteArray(99999, '\n'));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(int(QFile::permissions(file) & 0xf0ff), 0x6040); // rw-r-----
    }
};

QTEST_GUILESS_MAIN(TestKTF)
#include "tst_ktf.moc"
