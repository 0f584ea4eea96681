// The diagnostic line formats, byte for byte, captured from the real standard streams.
#include "ornaBase.h"
#include "ornaLogging.h"
#include "testSupport.h"

#include <QtTest>

namespace {

struct Captured
{
    QByteArray out;
    QByteArray err;
};

template <typename Function>
Captured capture(Function function)
{
    TestSupport::StreamCapture out(1);
    TestSupport::StreamCapture err(2);
    function();
    return {out.text(), err.text()};
}

} // namespace

class TestLogging : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Runs first: before initialisation nothing is printed and nothing is even assembled.
    void droppedBeforeInitialisation()
    {
        int evaluated = 0;
        const Captured captured = capture([&] {
            ORNA_ERROR("ORNATest", "text " << ++evaluated);
            ORNA_INFO("ORNATest", "info " << ++evaluated);
        });
        QCOMPARE(evaluated, 0);
        QCOMPARE(captured.out + captured.err, QByteArray());
        ORNABase::initialize();
    }

    void outputMessage_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("prefix");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("line");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");
        QTest::newRow("warning without position")
            << 1 << QByteArray("ORNAWarning: ") << QByteArray("src/a.cpp") << -1 << QByteArray()
            << QByteArray("WARNING: ORNAWarning:  Cat the text \n");
        QTest::newRow("line 0 is a position")
            << 2 << QByteArray("ORNAError: ") << QByteArray("f") << 0 << QByteArray()
            << QByteArray("ERROR: f(0):  ORNAError:  Cat the text \n");
        QTest::newRow("info goes to standard output alone")
            << 1 << QByteArray("ORNAInfo: ") << QByteArray("f") << 3 << QByteArray("the text\n")
            << QByteArray();
        QTest::newRow("info rule needs type 1")
            << 2 << QByteArray("ORNAInfo: ") << QByteArray() << -1 << QByteArray()
            << QByteArray("ERROR: ORNAInfo:  Cat the text \n");
        QTest::newRow("semantic info is a warning")
            << 1 << QByteArray("ORNASemanticInfo: ") << QByteArray("/x.ktf") << 4 << QByteArray()
            << QByteArray("WARNING: /x.ktf(4):  ORNASemanticInfo:  Cat the text \n");
        QTest::newRow("type 3") << 3 << QByteArray("ORNAError: ") << QByteArray() << -1
                                << QByteArray()
                                << QByteArray("BadMessageType: ORNAError:  Cat the text \n");
        QTest::newRow("type 4 is fatal and the program goes on")
            << 4 << QByteArray("ORNAError: ") << QByteArray() << -1 << QByteArray()
            << QByteArray("FATAL: ORNAError:  Cat the text \n");
    }
    void outputMessage()
    {
        QFETCH(int, type);
        QFETCH(QByteArray, prefix);
        QFETCH(QByteArray, file);
        QFETCH(int, line);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        const Captured captured = capture([&] {
            ORNALogging::outputMessage(type, prefix.constData(), "Cat", "the text", "",
                                       file.constData(), line);
        });
        QCOMPARE(captured.out, out);
        QCOMPARE(captured.err, err);
    }

    // The macros pass the reporting source position, none for information; a message never
    // carries text of the one before it.
    void forms()
    {
        const QString name = QStringLiteral("caf\u00e9");
        int errorLine = 0;
        int warningLine = 0;
        const Captured captured = capture([&] {
            // clang-format off
            errorLine = __LINE__; ORNA_ERROR("ORNAFile", "copy " << name << " failed " << 42);
            warningLine = __LINE__; ORNA_WARNING("ORNAFile", "second");
            // clang-format on
            ORNA_INFO("InfoConst", "a rather long first message");
            ORNA_INFO("InfoConst", "b");
        });
        QCOMPARE(captured.out, QByteArray("a rather long first message\nb\n"));
        QCOMPARE(captured.err,
                 QStringLiteral("ERROR: tests/logging/tst_logging.cpp(%1):  ORNAError:  ORNAFile "
                                "copy caf\u00e9 failed 42 \n"
                                "WARNING: tests/logging/tst_logging.cpp(%2):  ORNAWarning:  "
                                "ORNAFile second \n")
                     .arg(errorLine)
                     .arg(warningLine)
                     .toUtf8());
    }
};

QTEST_GUILESS_MAIN(TestLogging)
#include "tst_logging.moc"
