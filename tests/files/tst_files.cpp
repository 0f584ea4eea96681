// Making and removing directory trees, copying and reading files.
#include "ornaBase.h"
#include "ornaFile.h"
#include "ornaUtils.h"
#include "testSupport.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

using TestSupport::captureStderr;
using TestSupport::readAll;
using TestSupport::writeFile;

namespace {

void link(const QString &target, const QString &linkPath)
{
    QDir().mkpath(QFileInfo(linkPath).path());
    QVERIFY(QFile::link(target, linkPath));
}

// Every path below root, sorted, so that a whole tree can be compared before and after.
QStringList treeListing(const QString &root)
{
    QStringList paths;
    QStringList pending{root};
    while (!pending.isEmpty()) {
        const QDir directory(pending.takeFirst());
        for (const QFileInfo &entry : directory.entryInfoList(
                 QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
            paths << QDir(root).relativeFilePath(entry.filePath());
            if (entry.isDir() && !entry.isSymLink())
                pending << entry.filePath();
        }
    }
    paths.sort();
    return paths;
}

QByteArray warning(const QString &text)
{
    return "WARNING: Libraries/ORNABase/Tools/ornaFile.cpp(N):  ORNAWarning:  ORNAFile " +
           text.toUtf8() + " \n";
}

} // namespace

class TestFiles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { ORNABase::initialize(); }

    void makePath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("blocker"); // a file made first
        QTest::addColumn<bool>("made");
        QTest::newRow("doubled and trailing separators") << "a///b//c//"
                                                         << "" << true;
        QTest::newRow("relative to the current directory") << "rel//x/"
                                                           << "" << true;
        QTest::newRow("existing directory") << ""
                                            << "" << true;
        QTest::newRow("file in the way") << "f/b/c"
                                         << "f" << false;
        QTest::newRow("file as the last level") << "f"
                                                << "f" << false;
    }
    void makePath()
    {
        QFETCH(QString, path);
        QFETCH(QString, blocker);
        QFETCH(bool, made);
        QTemporaryDir root;
        if (!blocker.isEmpty())
            QVERIFY(writeFile(root.filePath(blocker), "keep"));
        const QString previous = QDir::currentPath();
        QDir::setCurrent(root.path());
        const QString given = path.startsWith(QLatin1String("rel")) ? path : root.filePath(path);
        const QByteArray log = captureStderr([&] { QCOMPARE(ORNAUtils::makePath(given), made); });
        QDir::setCurrent(previous);
        QCOMPARE(log, QByteArray());
        QCOMPARE(QFileInfo(root.filePath(path)).isDir(), made);
        if (!blocker.isEmpty())
            QCOMPARE(readAll(root.filePath(blocker)), QByteArray("keep"));
    }

    // One layout per row: a tree with links out of it, odd names and depth, and a link to it.
    void removeDirectoryRecursively_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("removed"); // the entry that goes, with all below it
        QTest::newRow("tree") << "tree"
                              << "tree";
        QTest::newRow("tree with separator") << "tree/"
                                             << "tree";
        QTest::newRow("relative path") << "REL"
                                       << "tree";
        QTest::newRow("link is only unlinked") << "link"
                                               << "link";
        QTest::newRow("link with separators") << "link//"
                                              << "link";
        for (const char *refused :
             {"missing", "tree/.", "tree/sub/..", "link/.", "tree/missing/deeper", "tree/file", ""})
            QTest::addRow("refused '%s'", refused) << QString::fromLatin1(refused) << "";
    }
    void removeDirectoryRecursively()
    {
        QFETCH(QString, path);
        QFETCH(QString, removed);
        QTemporaryDir scratch;
        const QString tree = scratch.filePath(QStringLiteral("tree"));
        const QString outside = scratch.filePath(QStringLiteral("outside"));
        for (const char *file : {"outside/precious.txt", "outside/sub/.hidden", "tree/file",
                                 "tree/sub/file", "tree/.hiddenDir/.inner"})
            QVERIFY(writeFile(scratch.filePath(QLatin1String(file)), "data"));
        QVERIFY(QDir().mkpath(tree + QStringLiteral("/empty/deeper")));
        QVERIFY(writeFile(tree + QStringLiteral("/deep") + QStringLiteral("/d").repeated(200) +
                              QStringLiteral("/leaf"),
                          "leaf"));
        link(outside, tree + QStringLiteral("/linkToOutside"));
        link(outside, tree + QStringLiteral("/a/b/c/d/deepLinkToOutside"));
        link(outside + QStringLiteral("/precious.txt"), tree + QStringLiteral("/fileLink"));
        link(scratch.filePath(QStringLiteral("nowhere")), tree + QStringLiteral("/broken"));
        link(QStringLiteral("../.."), tree + QStringLiteral("/a/b/relativeUp"));
        link(tree, scratch.filePath(QStringLiteral("link")));
        const QByteArray oddName = QFile::encodeName(tree) + "/\xff\xfe-latin";
        const int odd = ::open(oddName.constData(), O_WRONLY | O_CREAT, 0644);
        QVERIFY(odd >= 0);
        ::close(odd);
        QStringList expected = treeListing(scratch.path());
        if (!removed.isEmpty()) {
            expected =
                expected.filter(QRegularExpression(QStringLiteral("^(?!%1(/|$))").arg(removed)));
        }

        const QString previous = QDir::currentPath();
        QDir::setCurrent(scratch.path());
        const QString given = path == QLatin1String("REL") ? QStringLiteral("tree")
                              : path.isEmpty()             ? QString()
                                                           : scratch.filePath(path);
        bool done = false;
        const QByteArray log =
            captureStderr([&] { done = ORNAUtils::removeDirectoryRecursively(given); });
        QDir::setCurrent(previous);
        QCOMPARE(log, QByteArray());
        QCOMPARE(done, !removed.isEmpty());
        QCOMPARE(treeListing(scratch.path()), expected);
    }

    void copyReplacesTargetAndKeepsTimes()
    {
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("source.bin"));
        const QString target = dir.filePath(QStringLiteral("target.bin"));
        QVERIFY(writeFile(source, QByteArray("new\0content", 11)));
        QVERIFY(writeFile(target, "older and longer content"));
        struct utimbuf times = {1000000000, 1200000000};
        QCOMPARE(::utime(QFile::encodeName(source).constData(), &times), 0);
        QCOMPARE(captureStderr([&] { QVERIFY(ORNAFile::copyFile(source, target)); }), QByteArray());
        QCOMPARE(readAll(target), QByteArray("new\0content", 11));
        struct stat copied;
        struct stat original;
        QCOMPARE(::stat(QFile::encodeName(target).constData(), &copied), 0);
        QCOMPARE(::stat(QFile::encodeName(source).constData(), &original), 0);
        QCOMPARE(qint64(copied.st_mtime), qint64(1200000000));
        QCOMPARE(qint64(copied.st_atime), qint64(original.st_atime));
    }

    void copyFailures_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QByteArray>("log"); // <S> and <T> stand for the paths
        const QString start = QStringLiteral("Could not copy file <S> to <T>: ");
        QTest::newRow("missing source") << "missing.txt"
                                        << "t" << warning("file doesnt exist: <S>");
        QTest::newRow("directory as source") << ""
                                             << "t" << warning("file doesnt exist: <S>");
        // Even root cannot unlink a directory, so the failure holds in every environment.
        QTest::newRow("target is a directory")
            << "source.txt"
            << "dir"
            << warning(start + "could not remove existing target file: Is a directory") +
                   warning(start + "Unknown error");
        QTest::newRow("target below a file")
            << "source.txt"
            << "plain/target.txt"
            << warning(start + "Cannot create <T> for output: Not a directory");
    }
    void copyFailures()
    {
        QFETCH(QString, source);
        QFETCH(QString, target);
        QFETCH(QByteArray, log);
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath(QStringLiteral("source.txt")), "content"));
        QVERIFY(writeFile(dir.filePath(QStringLiteral("plain")), "x"));
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("dir/inside"))));
        const QStringList before = treeListing(dir.path());
        source = source.isEmpty() ? dir.path() : dir.filePath(source);
        target = dir.filePath(target);
        const QByteArray logged =
            captureStderr([&] { QVERIFY(!ORNAFile::copyFile(source, target)); });
        QCOMPARE(TestSupport::withoutLineNumbers(logged),
                 log.replace("<S>", source.toUtf8()).replace("<T>", target.toUtf8()));
        QCOMPARE(treeListing(dir.path()), before);
    }

    void readFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("textMode");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("binary keeps CR LF")
            << QByteArray("a\r\nb\r\n") << false << QByteArray("a\r\nb\r\n");
        QTest::newRow("text turns CR LF into LF, keeps 8-bit bytes")
            << QByteArray("\xe4\xf6\r\n\xc3\xa4") << true << QByteArray("\xe4\xf6\n\xc3\xa4");
        QTest::newRow("NUL bytes stay") << QByteArray("x\0y", 3) << false << QByteArray("x\0y", 3);
    }
    void readFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, textMode);
        QFETCH(QByteArray, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("file.txt"));
        QVERIFY(writeFile(path, content));
        QCOMPARE(ORNAFile::readFile(path, textMode), expected);
        QVERIFY(ORNAFile::fileExists(path));
        // A missing file reads empty, and silently.
        const QString missing = dir.filePath(QStringLiteral("missing.ktf"));
        QCOMPARE(captureStderr([&] { QVERIFY(ORNAFile::readFile(missing, true).isEmpty()); }),
                 QByteArray());
        QVERIFY(!ORNAFile::fileExists(missing));
    }
};

QTEST_GUILESS_MAIN(TestFiles)
#include "tst_files.moc"
