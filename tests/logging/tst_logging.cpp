// The diagnostic line formats, byte for byte, captured from the real standard streams.
#include "ornaBase.h"
#include "ornaLogging.h"
#include "testSupport.h"

#include <QtTest>

#include <cstdio>
#include <unistd.h>

namespace {

// Redirects one standard stream (1 or 2) into a temporary file while it lives.
class StreamCapture
{
public:
    explicit StreamCapture(int fd) : m_fd(fd), m_stream(fd == 1 ? stdout : stderr)
    {
        m_file.open();
        std::fflush(m_stream);
        m_saved = ::dup(m_fd);
        ::dup2(m_file.handle(), m_fd);
    }
    ~StreamCapture() { restore(); }

    QByteArray text()
    {
        restore();
        m_file.seek(0);
        return m_file.readAll();
    }

private:
    void restore()
    {
        if (m_saved < 0)
            return;
        std::fflush(m_stream);
        ::dup2(m_saved, m_fd);
        ::close(m_saved);
        m_saved = -1;
    }

    int m_fd;
    FILE *m_stream;
    QTemporaryFile m_file;
    int m_saved = -1;
};

struct Captured
{
    QByteArray out;
    QByteArray err;
};

template <typename Function>
Captured capture(Function function)
{
    StreamCapture out(1);
    StreamCapture err(2);
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
        QVERIFY(!ORNALogging::instance());
        int evaluated = 0;
        const Captured captured = capture([&] {
            ORNA_ERROR("ORNATest", "text " << ++evaluated);
            ORNA_INFO("ORNATest", "info " << ++evaluated);
        });
        QCOMPARE(evaluated, 0);
        QCOMPARE(captured.out, QByteArray());
        QCOMPARE(captured.err, QByteArray());
        ORNABase::initialize();
        QVERIFY(ORNALogging::instance());
    }

    void outputMessage_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("prefix");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<qint64>("line");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");

        QTest::newRow("error with position")
            << 2 << QByteArray("ORNAError: ") << QByteArray("src/a.cpp") << qint64(121)
            << QByteArray() << QByteArray("ERROR: src/a.cpp(121):  ORNAError:  Cat the text \n");
        QTest::newRow("warning without position")
            << 1 << QByteArray("ORNAWarning: ") << QByteArray("src/a.cpp") << qint64(-1)
            << QByteArray() << QByteArray("WARNING: ORNAWarning:  Cat the text \n");
        QTest::newRow("line 0 is a position")
            << 2 << QByteArray("ORNAError: ") << QByteArray("f") << qint64(0) << QByteArray()
            << QByteArray("ERROR: f(0):  ORNAError:  Cat the text \n");
        QTest::newRow("empty file with a line")
            << 2 << QByteArray("ORNAError: ") << QByteArray() << qint64(7) << QByteArray()
            << QByteArray("ERROR: (7):  ORNAError:  Cat the text \n");
        QTest::newRow("info goes to standard output alone")
            << 1 << QByteArray("ORNAInfo: ") << QByteArray("f") << qint64(3)
            << QByteArray("the text\n") << QByteArray();
        QTest::newRow("info rule needs type 1")
            << 2 << QByteArray("ORNAInfo: ") << QByteArray() << qint64(-1) << QByteArray()
            << QByteArray("ERROR: ORNAInfo:  Cat the text \n");
        QTest::newRow("semantic info is a warning on standard error")
            << 1 << QByteArray("ORNASemanticInfo: ") << QByteArray("/x.ktf") << qint64(4)
            << QByteArray()
            << QByteArray("WARNING: /x.ktf(4):  ORNASemanticInfo:  Cat the text \n");
        QTest::newRow("type 0") << 0 << QByteArray("ORNAError: ") << QByteArray() << qint64(-1)
                                << QByteArray()
                                << QByteArray("BadMessageType: ORNAError:  Cat the text \n");
        QTest::newRow("type 3") << 3 << QByteArray("ORNAError: ") << QByteArray() << qint64(-1)
                                << QByteArray()
                                << QByteArray("BadMessageType: ORNAError:  Cat the text \n");
        QTest::newRow("type 4 is fatal and the program goes on")
            << 4 << QByteArray("ORNAError: ") << QByteArray() << qint64(-1) << QByteArray()
            << QByteArray("FATAL: ORNAError:  Cat the text \n");
    }

    void outputMessage()
    {
        QFETCH(int, type);
        QFETCH(QByteArray, prefix);
        QFETCH(QByteArray, file);
        QFETCH(qint64, line);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        const Captured captured = capture([&] {
            ORNALogging::outputMessage(type, prefix.constData(), "Cat", "the text", "",
                                       file.constData(), line);
        });
        QCOMPARE(captured.out, out);
        QCOMPARE(captured.err, err);
    }

    // The three forms pass the reporting source position, or none for information.
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
            ORNA_INFO("InfoConst", "just so");
        });
        QCOMPARE(captured.out, QByteArray("just so\n"));
        QCOMPARE(captured.err,
                 QStringLiteral("ERROR: tests/logging/tst_logging.cpp(%1):  ORNAError:  ORNAFile "
                                "copy caf\u00e9 failed 42 \n"
                                "WARNING: tests/logging/tst_logging.cpp(%2):  ORNAWarning:  "
                                "ORNAFile second \n")
                     .arg(errorLine)
                     .arg(warningLine)
                     .toUtf8());
    }

    // A message never carries text of the one before it.
    void bufferIsEmptiedPerMessage()
    {
        const Captured captured = capture([] {
            ORNA_INFO("InfoConst", "a rather long first message");
            ORNA_INFO("InfoConst", "b");
        });
        QCOMPARE(captured.out, QByteArray("a rather long first message\nb\n"));
    }

    void outputDebug()
    {
        const Captured captured = capture([] {
            ORNALogging::outputDebug("one", "two", "f.cpp", 9);
            ORNALogging::outputDebug("one", "two", "f.cpp", -1);
        });
        QCOMPARE(captured.out, QByteArray("DEBUG: f.cpp(9):  one two\nDEBUG:  one two\n"));
        QCOMPARE(captured.err, QByteArray());
    }

    void criticalErrorInConsoleApplication()
    {
        const TestSupport::ProcessResult result =
            TestSupport::runProgram(TestSupport::binaryPath(QStringLiteral("critical_error_child")),
                                    {QStringLiteral("disk on fire")});
        QVERIFY(result.started);
        QVERIFY(!result.crashed);
        QCOMPARE(result.standardError, QByteArray("ORNABasics Critical Error: disk on fire\n"));
        QCOMPARE(result.standardOutput, QByteArray());
        QCOMPARE(result.exitCode, 1);
    }
};

QTEST_GUILESS_MAIN(TestLogging)
#include "tst_logging.moc"
