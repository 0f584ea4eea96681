#include "logCapture.h"
#include "ornaBase.h"
#include "ornaFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <utime.h>

namespace {

const QByteArray fileSource = "Libraries/ORNABase/Tools/ornaFile.cpp(N)";

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), content.size());
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QByteArray warning(const QString &text)
{
    return "WARNING: " + fileSource + ":  ORNAWarning:  ORNAFile " + text.toUtf8() + " \n";
}

} // namespace

class TestFileCopyAndRead : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { ORNABase::initialize(); }

    void copyReplacesTargetAndKeepsTimes()
    {
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("source.bin"));
        const QString target = dir.filePath(QStringLiteral("target.bin"));
        writeFile(source, QByteArray("new\0content", 11));
        writeFile(target, "older and longer content");
        struct utimbuf times = {1000000000, 1200000000};
        QCOMPARE(::utime(QFile::encodeName(source).constData(), &times), 0);

        LogCapture log;
        QVERIFY(ORNAFile::copyFile(source, target));
        QCOMPARE(log.text(), QByteArray());
        QCOMPARE(contentOf(target), QByteArray("new\0content", 11));
        struct stat status;
        QCOMPARE(::stat(QFile::encodeName(target).constData(), &status), 0);
        QCOMPARE(qint64(status.st_mtime), qint64(1200000000));
        // Copying reads the source, which may move its access time; the target gets the new one.
        struct stat sourceStatus;
        QCOMPARE(::stat(QFile::encodeName(source).constData(), &sourceStatus), 0);
        QCOMPARE(qint64(status.st_atime), qint64(sourceStatus.st_atime));
    }

    void copyOfMissingSourceWarns()
    {
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("missing.txt"));
        const QString target = dir.filePath(QStringLiteral("target.txt"));
        LogCapture log;
        QVERIFY(!ORNAFile::copyFile(source, target));
        QCOMPARE(log.textWithoutLineNumbers(), warning("file doesnt exist: " + source));
        QVERIFY(!QFileInfo::exists(target));
    }

    void copyOfDirectoryAsSourceWarns()
    {
        QTemporaryDir dir;
        LogCapture log;
        QVERIFY(!ORNAFile::copyFile(dir.path(), dir.filePath(QStringLiteral("t"))));
        QCOMPARE(log.textWithoutLineNumbers(), warning("file doesnt exist: " + dir.path()));
    }

    void targetThatCannotBeRemovedGivesTwoWarnings()
    {
        // Even root cannot unlink a directory, so the failure holds in every environment.
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("source.txt"));
        const QString target = dir.filePath(QStringLiteral("target"));
        writeFile(source, "content");
        QVERIFY(QDir().mkpath(target + QStringLiteral("/inside")));
        LogCapture log;
        QVERIFY(!ORNAFile::copyFile(source, target));
        const QString start = "Could not copy file " + source + " to " + target;
        QCOMPARE(log.textWithoutLineNumbers(),
                 warning(start + ": could not remove existing target file: Is a directory") +
                     warning(start + ": Unknown error"));
        QVERIFY(QFileInfo(target + QStringLiteral("/inside")).isDir());
    }

    void targetBelowRegularFileGivesOneWarning()
    {
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("source.txt"));
        writeFile(source, "content");
        writeFile(dir.filePath(QStringLiteral("plain")), "x");
        const QString target = dir.filePath(QStringLiteral("plain/target.txt"));
        LogCapture log;
        QVERIFY(!ORNAFile::copyFile(source, target));
        const QByteArray text = log.textWithoutLineNumbers();
        const QByteArray start = warning("Could not copy file " + source + " to " + target + ": ");
        QVERIFY2(text.startsWith(start.left(start.size() - 2)), text.constData());
        QCOMPARE(text.count('\n'), 1);
        QVERIFY(!text.contains("could not remove"));
        QCOMPARE(contentOf(dir.filePath(QStringLiteral("plain"))), QByteArray("x"));
    }

    void readFileReturnsBytes_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("textMode");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("binary keeps CR LF")
            << QByteArray("a\r\nb\r\n") << false << QByteArray("a\r\nb\r\n");
        QTest::newRow("text turns CR LF into LF")
            << QByteArray("a\r\nb\r\n") << true << QByteArray("a\nb\n");
        QTest::newRow("text keeps 8-bit bytes")
            << QByteArray("\xe4\xf6\r\n\xc3\xa4") << true << QByteArray("\xe4\xf6\n\xc3\xa4");
        QTest::newRow("NUL bytes stay") << QByteArray("x\0y", 3) << false << QByteArray("x\0y", 3);
        QTest::newRow("empty file") << QByteArray() << true << QByteArray();
    }
    void readFileReturnsBytes()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, textMode);
        QFETCH(QByteArray, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("file.txt"));
        writeFile(path, content);
        QCOMPARE(ORNAFile::readFile(path, textMode), expected);
    }

    void readOfMissingFileIsEmptyAndSilent()
    {
        QTemporaryDir dir;
        LogCapture log;
        const QByteArray content =
            ORNAFile::readFile(dir.filePath(QStringLiteral("missing.ktf")), true);
        QVERIFY(content.isEmpty());
        QCOMPARE(log.text(), QByteArray());
    }

    void fileExistsOnDisk()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath(QStringLiteral("f")), "x");
        QVERIFY(ORNAFile::fileExists(dir.filePath(QStringLiteral("f"))));
        QVERIFY(ORNAFile::fileExists(dir.path()));
        QVERIFY(!ORNAFile::fileExists(dir.filePath(QStringLiteral("g"))));
    }
};

QTEST_GUILESS_MAIN(TestFileCopyAndRead)
#include "tst_fileCopyAndRead.moc"
