#include "testSupport.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace {

struct Run
{
    int exitCode;
    QByteArray out;
    QByteArray err;
};

Run ktf(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(ORNA_BIN_DIR "/ktf"), arguments);
    process.waitForFinished(60000);
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &content)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
    return path;
}

QByteArray parserLine(const QString &file, int line, const char *message)
{
    return "WARNING: " + file.toUtf8() + '(' + QByteArray::number(line) +
           "):  ORNAParserError:  ParserError " + message + " \n";
}

} // namespace

class TestKTFTool : public QObject
{
    Q_OBJECT

private slots:
    void usage()
    {
        const Run help = ktf({QStringLiteral("--help")});
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.startsWith("Usage: ktf check FILE...\n"));
        QCOMPARE(help.err, QByteArray());
        const Run none = ktf({});
        QCOMPARE(none.exitCode, 2);
        QCOMPARE(none.err, "ktf: no command given\n" + help.out.left(help.out.size()));
        QCOMPARE(ktf({QStringLiteral("frobnicate")}).exitCode, 2);
        QCOMPARE(ktf({QStringLiteral("check")}).exitCode, 2);
        QCOMPARE(ktf({QStringLiteral("diff"), QStringLiteral("a")}).exitCode, 2);
    }

    void check()
    {
        QTemporaryDir dir;
        const QString good = writeFile(dir, QStringLiteral("good.ktf"), "A = 1\n");
        const QString bad = writeFile(dir, QStringLiteral("bad.ktf"), "A = 1\nB\n");
        Run run = ktf({QStringLiteral("check"), good});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out + run.err, QByteArray());
        run = ktf({QStringLiteral("check"), good, bad});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out, QByteArray());
        QCOMPARE(run.err, parserLine(bad, 3, "Reached end of file too early after token: B"));
    }

    // A path that names no readable file fails with its name, never passes as an empty file.
    void unreadableFiles_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("err");
        const QByteArray missing = ": No such file or directory\n";
        const QByteArray special = ": not a regular file\n";
        QTest::newRow("check") << QStringList{"check", "<good>", "<missing>"}
                               << "ktf: cannot read <missing>" + missing;
        QTest::newRow("dump") << QStringList{"dump", "--raw", "<dir>"}
                              << "ktf: cannot read <dir>" + special;
        QTest::newRow("set") << QStringList{"set", "<fifo>", "S/A", "1"}
                             << "ktf: cannot read <fifo>" + special;
        QTest::newRow("diff") << QStringList{"diff", "<missing>", "<fifo>"}
                              << "ktf: cannot read <missing>" + missing +
                                     "ktf: cannot read <fifo>" + special;
        QTest::newRow("locked") << QStringList{"check", "<locked>"}
                                << QByteArray("ktf: cannot read <locked>: Permission denied\n");
    }
    void unreadableFiles()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, err);
        if (::geteuid() == 0 && arguments.contains(QStringLiteral("<locked>")))
            QSKIP("root reads every file");
        QTemporaryDir dir;
        const QString locked = writeFile(dir, QStringLiteral("locked.ktf"), "A = 1\n");
        QFile::setPermissions(locked, QFileDevice::WriteOwner);
        const QList<QPair<QString, QString>> paths = {
            {QStringLiteral("<good>"), writeFile(dir, QStringLiteral("good.ktf"), "S { A = 1 }\n")},
            {QStringLiteral("<missing>"), dir.filePath(QStringLiteral("missing.ktf"))},
            {QStringLiteral("<dir>"), dir.path()},
            {QStringLiteral("<fifo>"), TestSupport::unwrittenFifo()},
            {QStringLiteral("<locked>"), locked}};
        for (const auto &[placeholder, path] : paths) {
            arguments.replaceInStrings(placeholder, path);
            err.replace(placeholder.toUtf8(), path.toUtf8());
        }
        const Run run = ktf(arguments);
        QCOMPARE(run.err, err);
        QCOMPARE(run.out, QByteArray());
        QCOMPARE(run.exitCode, 1);
    }

    void dump()
    {
        QTemporaryDir dir;
        const QString file =
            writeFile(dir, QStringLiteral("d.ktf"),
                      "// KTF v1 utf8\nS { V = \"a b\" L = $(LOCAL) U = \xc3\xa4 }\n");
        Run run = ktf({QStringLiteral("dump"), file});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out,
                 "S  {\n  V = \"a b\"\n  L = " + dir.path().toUtf8() + "\n  U = \xc3\xa4\n}\n");
        run = ktf(
            {QStringLiteral("dump"), QStringLiteral("--raw"), QStringLiteral("--header"), file});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QByteArray("// KTF v1 utf8\nS  {\n  V = \"a b\"\n  L = $(LOCAL)\n"
                                     "  U = \xc3\xa4\n}\n"));
        const QString bad = writeFile(dir, QStringLiteral("bad.ktf"), "A = 1 {");
        run = ktf({QStringLiteral("dump"), bad});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out, QByteArray("A = 1\n"));
        QCOMPARE(run.err, parserLine(bad, 1, "Missing 1 close-brace(s) at end of file"));
    }

    void set()
    {
        QTemporaryDir dir;
        const QString file = writeFile(dir, QStringLiteral("s.ktf"), "S {\n  A = 1 // c\n}\n");
        Run run = ktf({QStringLiteral("set"), file, QStringLiteral("S/A"), QStringLiteral("x y")});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out + run.err, QByteArray());
        QFile edited(file);
        QVERIFY(edited.open(QIODevice::ReadOnly));
        QCOMPARE(edited.readAll(), QByteArray("S {\n  A = \"x y\" // c\n}\n"));
        run = ktf({QStringLiteral("set"), file, QStringLiteral("A"), QStringLiteral("1")});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err,
                 "ktf: no entry A in " + file.toUtf8() + " (top-level entries cannot be set)\n");
        const QString broken = writeFile(dir, QStringLiteral("b.ktf"), "S { = }");
        run = ktf({QStringLiteral("set"), broken, QStringLiteral("S/A"), QStringLiteral("1")});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err, QByteArray("ktf: failed to parse KTF file: Expected an KTF tag in line "
                                     "1, column 4\n"));
    }

    void diff()
    {
        QTemporaryDir dir;
        const QString a = writeFile(dir, QStringLiteral("a.ktf"), "A = 1\nB = 2\n");
        const QString same = writeFile(dir, QStringLiteral("same.ktf"), "A = 1 B = \"2\"");
        const QString other = writeFile(dir, QStringLiteral("b.ktf"), "A = 1\nB = 3\n");
        Run run = ktf({QStringLiteral("diff"), a, same});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out + run.err, QByteArray());
        run = ktf({QStringLiteral("diff"), a, other});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err, "WARNING: " + a.toUtf8() +
                              "(2):  ORNASemanticError:  SemanticError <font color=black>B "
                              "2</font> : <font color = red>different name/value</font> \n"
                              "WARNING: " +
                              other.toUtf8() +
                              "(2):  ORNASemanticError:  SemanticError <font color=black>B "
                              "3</font> : <font color = red>different name/value</font> \n");
    }
};

QTEST_GUILESS_MAIN(TestKTFTool)
#include "tst_ktftool.moc"
