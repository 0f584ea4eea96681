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
        const QString unset = ORNAUtils::environmentVariable(QStringLiteral("ORNA_TEST_UNSET"));
        QVERIFY(unset.isNull());
        ::setenv("ORNA_TEST_EMPTY", "", 1);
        const QString empty = ORNAUtils::environmentVariable(QStringLiteral("ORNA_TEST_EMPTY"));
        QVERIFY(empty.isEmpty());
        QVERIFY(!empty.isNull());
        ::setenv("ORNA_TEST_SET", ":0.0", 1);
        QCOMPARE(ORNAUtils::environmentVariable(QStringLiteral("ORNA_TEST_SET")),
                 QStringLiteral(":0.0"));
    }

    void normalizePath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        QTest::newRow("dots and doubled separators") << "/a/./b//c/../d/"
                                                     << "/a/b/d";
        QTest::newRow("relative") << "a/b/../../c"
                                  << "c";
        QTest::newRow("backslashes become separators, late") << "a\\..\\b"
                                                             << "a/../b";
        QTest::newRow("mixed") << "/x/./y\\z"
                               << "/x/y/z";
        QTest::newRow("root") << "/"
                              << "/";
        QTest::newRow("empty") << ""
                               << "";
    }

    void normalizePath()
    {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QCOMPARE(ORNAUtils::normalizePath(path), expected);
    }

    void removeExtension_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        QTest::newRow("two dots") << "archive.tar.gz"
                                  << "archive.tar";
        QTest::newRow("no dot") << "README"
                                << "README";
        QTest::newRow("dot in a directory only") << "/a.d/file"
                                                 << "/a";
        QTest::newRow("hidden file") << ".profile"
                                     << "";
        QTest::newRow("full path") << "/a/b/c.ktf"
                                   << "/a/b/c";
    }

    void removeExtension()
    {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QCOMPARE(ORNAUtils::removeExtension(path), expected);
    }

    void directoryOfPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        QTest::newRow("name under the root stays whole") << "/name"
                                                         << "/name";
        QTest::newRow("relative") << "a/b/c"
                                  << "a/b";
        QTest::newRow("bare name") << "file"
                                   << "file";
        QTest::newRow("trailing separator") << "/a/b/"
                                            << "/a/b";
        QTest::newRow("absolute") << "/a/b/c.ktf"
                                  << "/a/b";
    }

    void directoryOfPath()
    {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QCOMPARE(ORNAUtils::directoryOfPath(path), expected);
    }

    void isTrueText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("expected");
        const char *accepted[] = {"true", "TRUE", "Yes", "On", "oN", "1", "yes"};
        for (const char *text : accepted)
            QTest::newRow(text) << QString::fromLatin1(text) << true;
        const char *rejected[] = {"", "false", "no", "0", "off", "y", "2", " true", "true "};
        for (const char *text : rejected)
            QTest::newRow(qPrintable(QStringLiteral("'%1'").arg(QLatin1String(text))))
                << QString::fromLatin1(text) << false;
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
