// The ktf command line as a product maker uses it: output bytes, messages, exit codes and the
// file left behind. It reads files as the installer does, so headers and includes are here.
#include "testSupport.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace {

TestSupport::ProcessResult ktf(const QStringList &arguments)
{
    return TestSupport::runProgram(TestSupport::binaryPath(QStringLiteral("ktf")), arguments);
}

} // namespace

class TestKTFTool : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QByteArray m_usage;

private slots:
    void initTestCase()
    {
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

    // Each row: the text of <f> ([a|b] reads a before the run and b after it), arguments
    // (+ for a blank), exit code, output and errors. <x> names x.ktf beside <f>, <dir> their
    // directory. Error lines "<x>(L) text" are reader errors at line L of x,
    // "<x>(L) S:entry:text" differences, "E:text" header errors.
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
        dump("utf8", "// KTF v1 utf8\nV = H\xc3\xa4\n", "V = H\xc3\xa4\n");
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
        set("set new inline", "S { A = 1 [|N = 2 ]}\n", "S/N 2");
        set("set new nested", "S {\n  T {\n[|    N = 2\n]  }\n}\n", "S/T/N 2");
        set("set below tag", "S {\n  A =\n    [1|2] // c\n}\n", "S/A 2");
        set("set multi line", "S {\n  M = [\"*a\nb*\"|\"z\"] // c\n}\n", "S/M z");
        set("set after tag", "S {\n  T [|v ]{\n  }\n}\n", "S/T v");
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
        const auto expand = [](QByteArray &text, const char *pattern, const char *replacement) {
            text = QString::fromUtf8(text)
                       .replace(QRegularExpression(pattern, QRegularExpression::MultilineOption),
                                replacement)
                       .toUtf8();
        };
        expand(err, "^(<\\w+>\\(\\d+\\)) S:(.*):(.*)$",
               "WARNING: \\1:  ORNASemanticError:  SemanticError <font color=black>\\2</font> : "
               "<font color = red>\\3</font> ");
        expand(err, "^(<\\w+>\\(\\d+\\)) (.*)$",
               "WARNING: \\1:  ORNAParserError:  ParserError \\2 ");
        expand(err, "^E:(.*)$",
               "ERROR: Libraries/ORNABase/Tools/ornaKTFParser.cpp(N):  ORNAError:  ORNAKTF \\1 ");
        const auto place = [&](QString text) {
            text.replace("<usage>", m_usage).replace("<dir>", m_dir.path());
            text.replace("<fifo>", TestSupport::unwrittenFifo());
            return text.replace(QRegularExpression("<(\\w+)>"), m_dir.path() + "/\\1.ktf");
        };
        QStringList argv;
        for (const QString &argument : arguments.split(' ', Qt::SkipEmptyParts))
            argv << place(argument).replace('+', ' ');
        const TestSupport::ProcessResult run = ktf(argv);
        QCOMPARE(TestSupport::withoutLineNumbers(run.standardError), place(err).toUtf8());
        QCOMPARE(run.standardOutput, place(out).toUtf8());
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(TestSupport::readAll(file),
                 QString::fromLatin1(text).replace(edit, "\\2").toLatin1());
        QCOMPARE(TestSupport::fileNames(m_dir.path()).join(' '), // no temporary file left
                 "bad.ktf f.ktf locked.ktf other.ktf same.ktf sub.ktf");
    }

    // An edit goes through a symbolic link and keeps the permissions; one that cannot be
    // written (over the file size limit here) leaves the old text and no temporary file.
    void setThroughLinkOrNot()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("s.ktf"), link = dir.filePath("link.ktf");
        const QByteArray before = "S {\n  A = 1\n}\n" + QByteArray(2000, '\n');
        QVERIFY(TestSupport::writeFile(file, before) && QFile::link(file, link));
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
        const TestSupport::ProcessResult failed = TestSupport::runProgram(
            "bash", {"-c", "trap '' XFSZ; ulimit -f 1; exec \"$0\" set \"$1\" S/A 2",
                     TestSupport::binaryPath("ktf"), link});
        QVERIFY2(failed.standardError.startsWith("ktf: failed to write temporary file " +
                                                 dir.path().toUtf8()),
                 failed.standardError);
        QCOMPARE(failed.exitCode, 1);
        QCOMPARE(TestSupport::readAll(file), before);
        QCOMPARE(TestSupport::fileNames(dir.path()), QStringList({"link.ktf", "s.ktf"}));
        QCOMPARE(ktf({"set", link, "S/A", "2"}).exitCode, 0);
        QCOMPARE(TestSupport::readAll(file), "S {\n  A = 2\n}\n" + QByteArray(2000, '\n'));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(int(QFile::permissions(file) & 0xf0ff), 0x6040); // rw-r-----
    }
};

QTEST_GUILESS_MAIN(TestKTFTool)
#include "tst_ktftool.moc"
