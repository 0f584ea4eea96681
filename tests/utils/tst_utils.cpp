// The path functions behind the KTF reader's include paths and $(LOCAL) variables.
#include "ornaUtils.h"

#include <QtTest>

class TestUtils : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void paths_data()
    {
        QTest::addColumn<int>("function"); // 0 normalizePath, 1 removeExtension, 2 directoryOfPath
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, int function, const char *path, const char *to) {
            QTest::newRow(name) << function << QString::fromLatin1(path) << QString::fromLatin1(to);
        };
        row("normalize dots", 0, "/a/./b//c/../d/", "/a/b/d");
        row("normalize relative", 0, "a/b/../../c", "c");
        row("normalize backslashes late", 0, "a\\..\\b", "a/../b");
        row("normalize root", 0, "/", "/");
        row("extension of the whole text", 1, "/a.d/file", "/a");
        row("extension, two dots", 1, "archive.tar.gz", "archive.tar");
        row("extension, none", 1, "README", "README");
        row("directory under the root stays whole", 2, "/name", "/name");
        row("directory, trailing separator", 2, "/a/b/", "/a/b");
        row("directory, bare name", 2, "file", "file");
        row("directory, absolute", 2, "/a/b/c.ktf", "/a/b");
    }
    void paths()
    {
        QFETCH(int, function);
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QString (*const functions[])(const QString &) = {
            &ORNAUtils::normalizePath, &ORNAUtils::removeExtension, &ORNAUtils::directoryOfPath};
        QCOMPARE(functions[function](path), expected);
    }
};

QTEST_GUILESS_MAIN(TestUtils)
#include "tst_utils.moc"
