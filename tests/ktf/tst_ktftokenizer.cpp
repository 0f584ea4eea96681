#include "ornaKTFTokenizer.h"

#include <QtTest>

namespace {

// Every token of the pieces, read one after the other with the state carried over, as
// kind:quote:text@line:column, separated by blanks; the state after the last piece in carry.
QString tokens(const QList<QByteArray> &pieces, bool skipComments, int *carry)
{
    ORNAKTFTokenizer tokenizer;
    QStringList out;
    for (const QByteArray &piece : pieces) {
        ORNAInputCursor cursor;
        cursor.data = piece.constData();
        cursor.length = piece.size();
        const int state = tokenizer.state();
        tokenizer.setInput(&cursor);
        tokenizer.setState(state);
        tokenizer.setSkipComments(skipComments);
        while (tokenizer.next()) {
            const int kind = tokenizer.tokenKind();
            out << QStringLiteral("%1:%2:%3@%4:%5")
                       .arg(kind)
                       .arg(kind == ORNAKTFTokenizer::String ? tokenizer.quoteKind() : 0)
                       .arg(QString::fromLatin1(tokenizer.tokenText()))
                       .arg(tokenizer.tokenLine())
                       .arg(tokenizer.tokenStart() - tokenizer.tokenLineStart());
        }
    }
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
        QTest::addColumn<QList<QByteArray>>("input");
        QTest::addColumn<bool>("skipComments");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("carry");
        const auto row = [](const char *name, const QList<QByteArray> &input, bool skip,
                            const char *expected, int carry = 0) {
            QTest::newRow(name) << input << skip << QString::fromLatin1(expected) << carry;
        };
        row("no blanks", {"Key=Value"}, true, "3:0:Key@0:0 2:0:@0:3 3:0:Value@0:4");
        row("braces", {"A {\n  B }"}, true, "3:0:A@0:0 0:0:@0:2 3:0:B@1:2 1:0:@1:4");
        row("quotes", {"\"a\\\"b\" \"*x\"y*\" @@z@@ @w"}, true,
            "3:1:a\"b@0:0 3:2:x\"y@0:7 3:3:z@0:15 3:0:w@0:21");
        row("word bytes", {"a\"b@c a\\b x/y a\fb"}, true,
            "3:0:a\"b@c@0:0 3:0:a\\b@0:6 3:0:x/y@0:10 3:0:a\fb@0:14");
        row("comments kept", {"// one\nA /* two\n */ B"}, false,
            "4:0:// one@0:0 3:0:A@1:0 5:0:/* two\n */@1:2 3:0:B@2:4");
        row("comments skipped", {"// one\nA /* two\n */ B"}, true, "3:0:A@1:0 3:0:B@2:4");
        row("multi line string", {"\"l1\nl2\" X"}, true, "3:1:l1\nl2@0:0 3:0:X@1:4");
        row("cr no line", {"A\r\rB\nC"}, true, "3:0:A@0:0 3:0:B@0:3 3:0:C@1:0");
        row("open string", {"A \"open"}, true, "3:0:A@0:0 3:1:open@0:2",
            ORNAKTFTokenizer::InDoubleQuoted);
        row("open star", {"\"*open"}, true, "3:2:open@0:0", ORNAKTFTokenizer::InStarQuoted);
        row("open at", {"@@open"}, true, "3:3:open@0:0", ORNAKTFTokenizer::InAtQuoted);
        row("open comment", {"/* open"}, false, "5:0:/* open@0:0",
            ORNAKTFTokenizer::InBlockComment);
        // An open string carries over to the next piece of input.
        row("carried over", {"A = \"one ", "two\" B"}, true,
            "3:0:A@0:0 2:0:@0:2 3:1:one @0:4 3:1:two@0:0 3:0:B@0:5");
    }
    void tokens()
    {
        QFETCH(QList<QByteArray>, input);
        QFETCH(bool, skipComments);
        QFETCH(QString, expected);
        QFETCH(int, carry);
        int state = -1;
        QCOMPARE(::tokens(input, skipComments, &state), expected);
        QCOMPARE(state, carry);
    }
};

QTEST_GUILESS_MAIN(TestKTFTokenizer)
#include "tst_ktftokenizer.moc"
