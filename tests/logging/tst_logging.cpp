// The diagnostic line formats, byte for byte, captured from the real standard streams.
#include "ornaBase.h"
#include "ornaLogging.h"
#include "testSupport.h"

#include <QtTest>

namespace {

// Standard output, then standard error.
template <typename Function>
QByteArray capture(Function function)
{
    TestSupport::StreamCapture out(1);
    TestSupport::StreamCapture err(2);
    function();
    return out.text() + "|" + err.text();
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
        QCOMPARE(capture([&] { ORNA_ERROR("ORNATest", "text " << ++evaluated); }), QByteArray("|"));
        QCOMPARE(evaluated, 0);
        ORNABase::initialize();
    }

    void outputMessage_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("prefix");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("line");
        QTest::addColumn<QByteArray>("printed"); // standard output|standard error
        const auto row = [](const char *name, int type, const char *prefix, const char *file,
                            int line, const char *printed) {
            QTest::newRow(name) << type << QByteArray(prefix) << QByteArray(file) << line
                                << QByteArray(printed);
        };
        row("no position", 1, "ORNAWarning: ", "a.cpp", -1, "|WARNING: ORNAWarning:  C t \n");
        // A KTF text read from memory reports its line without a file name.
        row("line 0 without a file", 2, "ORNAError: ", "", 0, "|ERROR: (0):  ORNAError:  C t \n");
        row("info alone on standard output", 1, "ORNAInfo: ", "f", 3, "t\n|");
        row("semantic info is a warning", 1, "ORNASemanticInfo: ", "/x.ktf", 4,
            "|WARNING: /x.ktf(4):  ORNASemanticInfo:  C t \n");
    }
    void outputMessage()
    {
        QFETCH(int, type);
        QFETCH(QByteArray, prefix);
        QFETCH(QByteArray, file);
        QFETCH(int, line);
        QFETCH(QByteArray, printed);
        QCOMPARE(capture([&] {
                     ORNALogging::outputMessage(type, prefix.constData(), "C", "t", "",
                                                file.constData(), line);
                 }),
                 printed);
    }

    // The macros pass the reporting source position; a message never carries text of the
    // longer one before it.
    void forms()
    {
        const QString name = QStringLiteral("caf\u00e9");
        int line = 0;
        const QByteArray printed = capture([&] {
            // clang-format off
            line = __LINE__; ORNA_ERROR("ORNAFile", "copy " << name << " failed " << 42);
            ORNA_WARNING("ORNAFile", "second");
            // clang-format on
        });
        QCOMPARE(printed, QStringLiteral("|ERROR: tests/logging/tst_logging.cpp(%1):  ORNAError:  "
                                         "ORNAFile copy caf\u00e9 failed 42 \nWARNING: "
                                         "tests/logging/tst_logging.cpp(%2):  ORNAWarning:  "
                                         "ORNAFile second \n")
                              .arg(line)
                              .arg(line + 1)
                              .toUtf8());
    }
};

QTEST_GUILESS_MAIN(TestLogging)
#include "tst_logging.moc"
