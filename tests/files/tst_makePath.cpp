#include "logCapture.h"
#include "ornaBase.h"
#include "ornaUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

class TestMakePath : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { ORNABase::initialize(); }

    void createsEveryLevel_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<QString>("created");
        QTest::newRow("plain") << "a/b/c"
                               << "a/b/c";
        QTest::newRow("doubled separator") << "a//b"
                                           << "a/b";
        QTest::newRow("trailing separator") << "a/b/"
                                            << "a/b";
        QTest::newRow("doubled and trailing") << "a///b//c//"
                                              << "a/b/c";
    }
    void createsEveryLevel()
    {
        QFETCH(QString, relative);
        QFETCH(QString, created);
        QTemporaryDir root;
        LogCapture log;
        QVERIFY(ORNAUtils::makePath(root.path() + QLatin1Char('/') + relative));
        QVERIFY(QFileInfo(root.filePath(created)).isDir());
        QCOMPARE(log.text(), QByteArray());
    }

    void relativePathFollowsCurrentDirectory()
    {
        QTemporaryDir root;
        const QString previous = QDir::currentPath();
        QDir::setCurrent(root.path());
        const bool made = ORNAUtils::makePath(QStringLiteral("x//y/"));
        QDir::setCurrent(previous);
        QVERIFY(made);
        QVERIFY(QFileInfo(root.filePath(QStringLiteral("x/y"))).isDir());
    }

    void existingPathIsLeftAlone()
    {
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkpath(QStringLiteral("a/b")));
        QFile marker(root.filePath(QStringLiteral("a/b/keep")));
        QVERIFY(marker.open(QIODevice::WriteOnly));
        marker.write("content");
        marker.close();
        QVERIFY(ORNAUtils::makePath(root.filePath(QStringLiteral("a/b"))));
        QCOMPARE(QDir(root.filePath(QStringLiteral("a/b")))
                     .entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList{QStringLiteral("keep")});
    }

    void emptyPathSucceeds() { QVERIFY(ORNAUtils::makePath(QString())); }

    void fileInTheWayFails()
    {
        QTemporaryDir root;
        QFile blocker(root.filePath(QStringLiteral("a")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QVERIFY(!ORNAUtils::makePath(root.filePath(QStringLiteral("a/b/c"))));
        QVERIFY(QFileInfo(root.filePath(QStringLiteral("a"))).isFile());
    }

    void fileAsLastLevelFails()
    {
        // Each level is tested as "name/", which a plain file does not satisfy.
        QTemporaryDir root;
        QFile last(root.filePath(QStringLiteral("f")));
        QVERIFY(last.open(QIODevice::WriteOnly));
        last.close();
        QVERIFY(!ORNAUtils::makePath(root.filePath(QStringLiteral("f"))));
        QVERIFY(QFileInfo(root.filePath(QStringLiteral("f"))).isFile());
    }
};

QTEST_GUILESS_MAIN(TestMakePath)
#include "tst_makePath.moc"
