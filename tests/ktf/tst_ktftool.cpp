#include "ktfTestSupport.h"

#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace {

TestSupport::ProcessResult ktf(const QStringList &arguments)
{
    return TestSupport::runProgram(TestSupport::binaryPath(QStringLiteral("ktf")), arguments);
}

QByteArray semanticLine(const char *file, int line, const char *entry, const char *text)
{
    return "WARNING: " + QByteArray(file) + '(' + QByteArray::number(line) +
           "):  ORNASemanticError:  SemanticError <font color=black>" + entry +
           "</font> : <font color = red>" + text + "</font> \n";
}

} // namespace

// The ktf command line as a product maker uses it: output, messages and exit codes.
class TestKTFTool : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString file(const QString &name, const QByteArray &content)
    {
        const QString path = m_dir.filePath(name);
        return TestSupport::writeFile(path, content) ? path : QString();
    }

private slots:
    void usage()
    {
        const TestSupport::ProcessResult help = ktf({QStringLiteral("--help")});
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.standardOutput.startsWith("Usage: ktf check FILE...\n"));
        QCOMPARE(help.standardError, QByteArray());
        const TestSupport::ProcessResult none = ktf({});
        QCOMPARE(none.exitCode, 2);
        QCOMPARE(none.standardError, "ktf: no command given\n" + help.standardOutput);
        for (const QStringList &wrong :
             {QStringList{"frobnicate"}, QStringList{"check"}, QStringList{"diff", "a"}})
            QCOMPARE(ktf(wrong).exitCode, 2);
    }

    // Each row: arguments (<name> stands for a file made here), exit code, output, errors.
    void commands_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");
        const QByteArray missing = ": No such file or directory\n";
        const QByteArray special = ": not a regular file\n";
        QTest::newRow("check good")
            << QStringList{"check", "<good>"} << 0 << QByteArray() << QByteArray();
        QTest::newRow("check bad")
            << QStringList{"check", "<good>", "<bad>"} << 1 << QByteArray()
            << parserLine("<bad>", 3,
                          QStringLiteral("Reached end of file too early after token: B"));
        QTest::newRow("check missing") << QStringList{"check", "<good>", "<missing>"} << 1
                                       << QByteArray() << "ktf: cannot read <missing>" + missing;
        QTest::newRow("dump directory") << QStringList{"dump", "--raw", "<dir>"} << 1
                                        << QByteArray() << "ktf: cannot read <dir>" + special;
        QTest::newRow("set fifo") << QStringList{"set", "<fifo>", "S/A", "1"} << 1 << QByteArray()
                                  << "ktf: cannot read <fifo>" + special;
        QTest::newRow("diff unreadable")
            << QStringList{"diff", "<missing>", "<fifo>"} << 1 << QByteArray()
            << "ktf: cannot read <missing>" + missing + "ktf: cannot read <fifo>" + special;
        QTest::newRow("check locked")
            << QStringList{"check", "<locked>"} << 1 << QByteArray()
            << QByteArray("ktf: cannot read <locked>: Permission denied\n");
        QTest::newRow("dump") << QStringList{"dump", "<dump>"} << 0
                              << QByteArray("S  {\n  V = \"a b\"\n  L = <dir>\n  U = \xc3\xa4\n}\n")
                              << QByteArray();
        QTest::newRow("dump raw with header")
            << QStringList{"dump", "--raw", "--header", "<dump>"} << 0
            << QByteArray(
                   "// KTF v1 utf8\nS  {\n  V = \"a b\"\n  L = $(LOCAL)\n  U = \xc3\xa4\n}\n")
            << QByteArray();
        QTest::newRow("dump broken")
            << QStringList{"dump", "<open>"} << 1 << QByteArray("A = 1\n")
            << parserLine("<open>", 1, QStringLiteral("Missing 1 close-brace(s) at end of file"));
        QTest::newRow("set top level")
            << QStringList{"set", "<set>", "A", "1"} << 1 << QByteArray()
            << QByteArray("ktf: no entry A in <set> (top-level entries cannot be set)\n");
        QTest::newRow("set broken")
            << QStringList{"set", "<broken>", "S/A", "1"} << 1 << QByteArray()
            << QByteArray(
                   "ktf: failed to parse KTF file: Expected an KTF tag in line 1, column 4\n");
        QTest::newRow("diff same")
            << QStringList{"diff", "<good>", "<same>"} << 0 << QByteArray() << QByteArray();
        QTest::newRow("diff other")
            << QStringList{"diff", "<good>", "<other>"} << 1 << QByteArray()
            << semanticLine("<good>", 2, "B 2", "different name/value") +
                   semanticLine("<other>", 2, "B 3", "different name/value") +
                   semanticLine("<good>", 3, "C ", "different number of children") +
                   semanticLine("<other>", 3, "C ", "different number of children");
    }
    void commands()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        if (::geteuid() == 0 && arguments.contains(QStringLiteral("<locked>")))
            QSKIP("root reads every file");
        const QString locked = file(QStringLiteral("locked.ktf"), "A = 1\n");
        QFile::setPermissions(locked, QFileDevice::WriteOwner);
        const QList<QPair<QString, QString>> paths = {
            {"<good>", file("good.ktf", "A = 1\nB = 2\nC { D = 1 }\n")},
            {"<same>", file("same.ktf", "A = 1 B = \"2\" C{D=1}")},
            {"<other>", file("other.ktf", "A = 1\nB = 3\nC { D = 1 X = 2 }\n")},
            {"<bad>", file("bad.ktf", "A = 1\nB\n")},
            {"<open>", file("open.ktf", "A = 1 {")},
            {"<broken>", file("broken.ktf", "S { = }")},
            {"<set>", file("set.ktf", "S {\n  A = 1 // c\n}\n")},
            {"<dump>",
             file("dump.ktf", "// KTF v1 utf8\nS { V = \"a b\" L = $(LOCAL) U = \xc3\xa4 }\n")},
            {"<missing>", m_dir.filePath(QStringLiteral("missing.ktf"))},
            {"<dir>", m_dir.path()},
            {"<fifo>", TestSupport::unwrittenFifo()},
            {"<locked>", locked}};
        for (const auto &[placeholder, path] : paths) {
            arguments.replaceInStrings(placeholder, path);
            out.replace(placeholder.toUtf8(), path.toUtf8());
            err.replace(placeholder.toUtf8(), path.toUtf8());
        }
        const TestSupport::ProcessResult run = ktf(arguments);
        QCOMPARE(run.standardError, err);
        QCOMPARE(run.standardOutput, out);
        QCOMPARE(run.exitCode, exitCode);
    }

    // An edit keeps the comment and the layout around the value.
    void setEdits()
    {
        const QString path = file(QStringLiteral("edit.ktf"), "S {\n  A = 1 // c\n}\n");
        const TestSupport::ProcessResult run =
            ktf({QStringLiteral("set"), path, QStringLiteral("S/A"), QStringLiteral("x y")});
        QCOMPARE(run.standardOutput + run.standardError, QByteArray());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(TestSupport::readAll(path), QByteArray("S {\n  A = \"x y\" // c\n}\n"));
    }
};

QTEST_GUILESS_MAIN(TestKTFTool)
#include "tst_ktftool.moc"
