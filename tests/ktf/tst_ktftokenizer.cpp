#include "ornaKTFTokenizer.h"

#include <QtTest>

namespace {

// Every token as kind:quote:text@line:column, separated by blanks.
QString tokens(const QByteArray &input, bool skipComments, int *carry = nullptr)
{
    ORNAInputCursor cursor;
    cursor.data = input.constData();
    cursor.length = input.size();
    ORNAKTFTokenizer tokenizer;
    tokenizer.setInput(&cursor);
    tokenizer.setSkipComments(skipComments);
    QStringList out;
    while (tokenizer.next()) {
        out << QStringLiteral("%1:%2:%3@%4:%5")
                   .arg(tokenizer.tokenKind())
                   .arg(tokenizer.tokenKind() == ORNAKTFTokenizer::String ? tokenizer.quoteKind()
                                                                          : 0)
                   .arg(QString::fromLatin1(tokenizer.tokenText()))
                   .arg(tokenizer.tokenLine())
                   .arg(tokenizer.tokenStart() - tokenizer.tokenLineStart());
    }
    if (carry)
        *carry = tokenizer.state();
    return out.join(QLatin1Char(' '));
}

} // namespace

class TestKTFTokenizer : public QObject
{
    Q_OBJECT

private slots:
    void tokens_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<bool>("skipComments");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("carry");
        QTest::newRow("no blanks")
            << QByteArray("Key=Value") << true << "3:0:Key@0:0 2:0:@0:3 3:0:Value@0:4" << 0;
        QTest::newRow("braces") << QByteArray("A {\n  B }") << true
                                << "3:0:A@0:0 0:0:@0:2 3:0:B@1:2 1:0:@1:4" << 0;
        QTest::newRow("quotes") << QByteArray("\"a\\\"b\" \"*x\"y*\" @@z@@ @w") << true
                                << "3:1:a\"b@0:0 3:2:x\"y@0:7 3:3:z@0:15 3:0:w@0:21" << 0;
        QTest::newRow("word bytes") << QByteArray("a\"b@c a\\b x/y") << true
                                    << "3:0:a\"b@c@0:0 3:0:a\\b@0:6 3:0:x/y@0:10" << 0;
        QTest::newRow("comments kept")
            << QByteArray("// one\nA /* two\n */ B") << false
            << "4:0:// one@0:0 3:0:A@1:0 5:0:/* two\n */@1:2 3:0:B@2:4" << 0;
        QTest::newRow("comments skipped")
            << QByteArray("// one\nA /* two\n */ B") << true << "3:0:A@1:0 3:0:B@2:4" << 0;
        QTest::newRow("multi line string")
            << QByteArray("\"l1\nl2\" X") << true << "3:1:l1\nl2@0:0 3:0:X@1:4" << 0;
        QTest::newRow("open string") << QByteArray("A \"open") << true << "3:0:A@0:0 3:1:open@0:2"
                                     << int(ORNAKTFTokenizer::InDoubleQuoted);
        QTest::newRow("open star") << QByteArray("\"*open") << true << "3:2:open@0:0"
                                   << int(ORNAKTFTokenizer::InStarQuoted);
        QTest::newRow("open at") << QByteArray("@@open") << true << "3:3:open@0:0"
                                 << int(ORNAKTFTokenizer::InAtQuoted);
        QTest::newRow("open comment") << QByteArray("/* open") << false << "5:0:/* open@0:0"
                                      << int(ORNAKTFTokenizer::InBlockComment);
        QTest::newRow("cr no line")
            << QByteArray("A\r\rB\nC") << true << "3:0:A@0:0 3:0:B@0:3 3:0:C@1:0" << 0;
        QTest::newRow("form feed") << QByteArray("a\fb") << true << "3:0:a\fb@0:0" << 0;
    }
    void tokens()
    {
        QFETCH(QByteArray, input);
        QFETCH(bool, skipComments);
        QFETCH(QString, expected);
        QFETCH(int, carry);
        int state = -1;
        QCOMPARE(::tokens(input, skipComments, &state), expected);
        QCOMPARE(state, carry);
    }

    void classesAndPushBack()
    {
        const QByteArray input("\"q\" w // c\n");
        ORNAInputCursor cursor;
        cursor.data = input.constData();
        cursor.length = input.size();
        ORNAKTFTokenizer tokenizer;
        tokenizer.setInput(&cursor);
        tokenizer.setSkipComments(false);
        QVERIFY(tokenizer.next());
        QCOMPARE(tokenizer.tokenClass(), 1);
        tokenizer.setPushedBack(true);
        QVERIFY(tokenizer.next());
        QCOMPARE(tokenizer.tokenText(), QByteArray("q"));
        QVERIFY(tokenizer.next());
        QCOMPARE(tokenizer.tokenClass(), 2);
        QVERIFY(tokenizer.next());
        QCOMPARE(tokenizer.tokenClass(), 0);
        QVERIFY(!tokenizer.next());
        qsizetype offset = 0;
        int line = 0;
        tokenizer.position(&offset, &line);
        QCOMPARE(offset, qsizetype(-1));
        QCOMPARE(line, -1);
    }

    // An open string carries over to the next piece of input.
    void carryOver()
    {
        const QByteArray first("A = \"one ");
        const QByteArray second("two\" B");
        ORNAInputCursor cursor;
        cursor.data = first.constData();
        cursor.length = first.size();
        ORNAKTFTokenizer tokenizer;
        tokenizer.setInput(&cursor);
        while (tokenizer.next()) {
        }
        const int state = tokenizer.state();
        QCOMPARE(state, int(ORNAKTFTokenizer::InDoubleQuoted));
        ORNAInputCursor next;
        next.data = second.constData();
        next.length = second.size();
        tokenizer.setInput(&next);
        tokenizer.setState(state);
        QVERIFY(tokenizer.next());
        QCOMPARE(tokenizer.tokenText(), QByteArray("two"));
        QCOMPARE(tokenizer.state(), 0);
        QVERIFY(tokenizer.next());
        QCOMPARE(tokenizer.tokenText(), QByteArray("B"));
    }
};

QTEST_GUILESS_MAIN(TestKTFTokenizer)
#include "tst_ktftokenizer.moc"
