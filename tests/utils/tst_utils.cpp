// The stateless text, path and environment functions.
#include "ornaUtils.h"

#include <QtTest>

#include <cstdlib>

class TestUtils : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void environmentVariable()
    {
        ::unsetenv("ORNA_TEST_UNSET");
        ::setenv("ORNA_TEST_EMPTY", "", 1);
        QVERIFY(ORNAUtils::environmentVariable(QStringLiteral("ORNA_TEST_UNSET")).isNull());
        const QString empty = ORNAUtils::environmentVariable(QStringLiteral("ORNA_TEST_EMPTY"));
        QVERIFY(empty.isEmpty() && !empty.isNull());
    }

    void paths_data()
    {
        QTest::addColumn<int>("function");
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

    // The one truth table of settings, KTF conditions and tree values.
    void isTrueText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("expected");
        for (const char *text : {"true", "TRUE", "Yes", "oN", "1"})
            QTest::newRow(text) << QString::fromLatin1(text) << true;
        for (const char *text : {"", "false", "no", "0", "off", "y", "2", " true", "true "})
            QTest::addRow("'%s'", text) << QString::fromLatin1(text) << false;
    }
    void isTrueText()
    {
        QFETCH(QString, text);
        QFETCH(bool, expected);
        QCOMPARE(ORNAUtils::isTrueText(text), expected);
    }
};

QTEST_GUILESS_MAIN(TestUtils)
#include "tst_utils.moc"
