#include "logCapture.h"
#include "ornaBase.h"
#include "ornaUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

namespace {

void writeFile(const QString &path, const QByteArray &content = "data")
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

void link(const QString &target, const QString &linkPath)
{
    QDir().mkpath(QFileInfo(linkPath).path());
    QVERIFY(QFile::link(target, linkPath));
}

// Every path below ROOT, sorted, so a whole tree can be compared before and after.
QStringList treeListing(const QString &root)
{
    QStringList paths;
    const QDir base(root);
    QList<QString> pending{root};
    while (!pending.isEmpty()) {
        const QDir directory(pending.takeFirst());
        const QFileInfoList entries = directory.entryInfoList(QDir::AllEntries | QDir::Hidden |
                                                              QDir::System | QDir::NoDotAndDotDot);
        for (const QFileInfo &entry : entries) {
            paths << base.relativeFilePath(entry.filePath());
            if (entry.isDir() && !entry.isSymLink())
                pending << entry.filePath();
        }
    }
    paths.sort();
    return paths;
}

} // namespace

class TestRemoveDirectoryRecursively : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { ORNABase::initialize(); }

    void removesWholeTreeButNotLinkTargets()
    {
        QTemporaryDir scratch;
        const QString outside = scratch.filePath(QStringLiteral("outside"));
        writeFile(outside + QStringLiteral("/precious.txt"));
        writeFile(outside + QStringLiteral("/sub/.hidden"));
        const QString fakeHome = scratch.filePath(QStringLiteral("home/user"));
        writeFile(fakeHome + QStringLiteral("/.bashrc"));
        const QStringList outsideBefore = treeListing(outside);
        const QStringList homeBefore = treeListing(fakeHome);

        const QString tree = scratch.filePath(QStringLiteral("tree"));
        writeFile(tree + QStringLiteral("/bin/program"));
        writeFile(tree + QStringLiteral("/.hiddenFile"));
        writeFile(tree + QStringLiteral("/.hiddenDir/.inner"));
        QVERIFY(QDir().mkpath(tree + QStringLiteral("/empty/deeper")));
        link(outside, tree + QStringLiteral("/linkToOutside"));
        link(outside, tree + QStringLiteral("/a/b/c/d/deepLinkToOutside"));
        link(fakeHome, tree + QStringLiteral("/a/b/home"));
        link(outside + QStringLiteral("/precious.txt"), tree + QStringLiteral("/fileLink"));
        link(scratch.filePath(QStringLiteral("nowhere")), tree + QStringLiteral("/broken"));
        link(QStringLiteral("../.."), tree + QStringLiteral("/a/b/relativeUp"));

        LogCapture log;
        QVERIFY(ORNAUtils::removeDirectoryRecursively(tree));
        QCOMPARE(log.text(), QByteArray());
        QVERIFY(!QFileInfo::exists(tree));
        QVERIFY(!QFileInfo(tree).isSymLink());
        QCOMPARE(treeListing(outside), outsideBefore);
        QCOMPARE(treeListing(fakeHome), homeBefore);
        QCOMPARE(treeListing(scratch.path()),
                 QStringList({"home", "home/user", "home/user/.bashrc", "outside",
                              "outside/precious.txt", "outside/sub", "outside/sub/.hidden"}));
        s_linksAreSafe = true;
    }

    void linkToRootDeepInsideIsOnlyUnlinked()
    {
        // Only attempted once links to directories have proven to be left alone.
        if (!s_linksAreSafe)
            QSKIP("links to directories were not handled safely");
        QTemporaryDir scratch;
        const QString tree = scratch.filePath(QStringLiteral("tree"));
        writeFile(tree + QStringLiteral("/x/y/file"));
        link(QStringLiteral("/"), tree + QStringLiteral("/x/y/root"));
        link(QStringLiteral("/"), tree + QStringLiteral("/rootToo"));
        QVERIFY(ORNAUtils::removeDirectoryRecursively(tree));
        QVERIFY(!QFileInfo::exists(tree));
        QVERIFY(QFileInfo(QStringLiteral("/usr/bin")).isDir());
        QVERIFY(QFileInfo(QStringLiteral("/etc")).isDir());
    }

    void givenLinkIsOnlyUnlinked()
    {
        QTemporaryDir scratch;
        const QString target = scratch.filePath(QStringLiteral("target"));
        writeFile(target + QStringLiteral("/file"));
        const QString linkPath = scratch.filePath(QStringLiteral("link"));
        link(target, linkPath);
        QVERIFY(ORNAUtils::removeDirectoryRecursively(linkPath));
        QVERIFY(!QFileInfo(linkPath).isSymLink());
        QCOMPARE(treeListing(target), QStringList{QStringLiteral("file")});
    }

    void givenLinkWithTrailingSeparatorIsOnlyUnlinked()
    {
        QTemporaryDir scratch;
        const QString target = scratch.filePath(QStringLiteral("target"));
        writeFile(target + QStringLiteral("/file"));
        const QString linkPath = scratch.filePath(QStringLiteral("link"));
        link(target, linkPath);
        QVERIFY(ORNAUtils::removeDirectoryRecursively(linkPath + QStringLiteral("//")));
        QVERIFY(!QFileInfo(linkPath).isSymLink());
        QCOMPARE(treeListing(target), QStringList{QStringLiteral("file")});
    }

    void trailingSeparatorOnDirectory()
    {
        QTemporaryDir scratch;
        writeFile(scratch.filePath(QStringLiteral("tree/a/file")));
        QVERIFY(ORNAUtils::removeDirectoryRecursively(scratch.filePath(QStringLiteral("tree/"))));
        QVERIFY(!QFileInfo::exists(scratch.filePath(QStringLiteral("tree"))));
    }

    void refusedPathsDeleteNothing_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::newRow("missing") << "missing";
        QTest::newRow("ending in dot") << "tree/.";
        QTest::newRow("ending in dot dot") << "tree/sub/..";
        QTest::newRow("dot through a link") << "link/.";
        QTest::newRow("missing below existing") << "tree/missing/deeper";
        QTest::newRow("regular file") << "tree/file";
        QTest::newRow("empty path") << "";
    }
    void refusedPathsDeleteNothing()
    {
        QFETCH(QString, relative);
        QTemporaryDir scratch;
        writeFile(scratch.filePath(QStringLiteral("tree/file")));
        writeFile(scratch.filePath(QStringLiteral("tree/sub/file")));
        link(scratch.filePath(QStringLiteral("tree")), scratch.filePath(QStringLiteral("link")));
        const QStringList before = treeListing(scratch.path());
        const QString path = relative.isEmpty() ? QString() : scratch.filePath(relative);
        QVERIFY(!ORNAUtils::removeDirectoryRecursively(path));
        QCOMPARE(treeListing(scratch.path()), before);
    }

    void namesThatAreNoUtf8AreRemoved()
    {
        QTemporaryDir scratch;
        const QString tree = scratch.filePath(QStringLiteral("tree"));
        QVERIFY(QDir().mkpath(tree));
        const QByteArray odd = QFile::encodeName(tree) + "/\xff\xfe-latin";
        const int descriptor = ::open(odd.constData(), O_WRONLY | O_CREAT, 0644);
        QVERIFY(descriptor >= 0);
        ::close(descriptor);
        QVERIFY(ORNAUtils::removeDirectoryRecursively(tree));
        QVERIFY(!QFileInfo::exists(tree));
    }

    void deepTreeIsRemoved()
    {
        QTemporaryDir scratch;
        QString path = scratch.filePath(QStringLiteral("tree"));
        for (int level = 0; level < 200; ++level)
            path += QStringLiteral("/d");
        writeFile(path + QStringLiteral("/leaf"));
        QVERIFY(ORNAUtils::removeDirectoryRecursively(scratch.filePath(QStringLiteral("tree"))));
        QVERIFY(!QFileInfo::exists(scratch.filePath(QStringLiteral("tree"))));
    }

    void relativePathIsResolvedAgainstCurrentDirectory()
    {
        QTemporaryDir scratch;
        writeFile(scratch.filePath(QStringLiteral("tree/a/file")));
        const QString previous = QDir::currentPath();
        QDir::setCurrent(scratch.path());
        const bool removed = ORNAUtils::removeDirectoryRecursively(QStringLiteral("tree"));
        QDir::setCurrent(previous);
        QVERIFY(removed);
        QVERIFY(!QFileInfo::exists(scratch.filePath(QStringLiteral("tree"))));
    }

private:
    static bool s_linksAreSafe;
};

bool TestRemoveDirectoryRecursively::s_linksAreSafe = false;

QTEST_GUILESS_MAIN(TestRemoveDirectoryRecursively)
#include "tst_removeDirectoryRecursively.moc"
