// Making directory paths, copying files and reading them whole, as the installer, its settings
// reader and the ktf tool do.
#include "ornaBase.h"
#include "ornaFile.h"
#include "ornaUtils.h"
#include "testSupport.h"

#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <utime.h>

using TestSupport::captureStderr;
using TestSupport::filesBelow;
using TestSupport::readAll;
using TestSupport::writeFile;

class TestFiles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { ORNABase::initialize(); }

    // A path starting with "/" lies below a fresh directory holding the file "f"; any other is
    // relative to that directory as the working directory.
    void makePath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("made");
        QTest::newRow("doubled and trailing separators") << "/a///b//c//" << true;
        QTest::newRow("relative to the working directory") << "rel//x/" << true;
        QTest::newRow("existing directory") << "/" << true;
        QTest::newRow("file in the way") << "/f/b/c" << false;
        QTest::newRow("file as the last level") << "/f" << false;
    }
    void makePath()
    {
        QFETCH(QString, path);
        QFETCH(bool, made);
        QTemporaryDir root;
        QVERIFY(writeFile(root.filePath(QStringLiteral("f")), "keep"));
        const QString previous = QDir::currentPath();
        QDir::setCurrent(root.path());
        const QString given = path.startsWith(QLatin1Char('/')) ? root.path() + path : path;
        const QByteArray log = captureStderr([&] { QCOMPARE(ORNAUtils::makePath(given), made); });
        QDir::setCurrent(previous);
        QCOMPARE(log, QByteArray());
        QCOMPARE(QFileInfo(root.path() + QLatin1Char('/') + path).isDir(), made);
        QCOMPARE(readAll(root.filePath(QStringLiteral("f"))), QByteArray("keep"));
    }

    // <S> and <T> stand for the paths; no log means a copy. A failure leaves the files alone.
    void copyFile_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QByteArray>("log");
        const QByteArray warning =
            "WARNING: Libraries/ORNABase/Tools/ornaFile.cpp(N):  ORNAWarning:  ORNAFile ";
        const QByteArray failed = warning + "Could not copy file <S> to <T>: ";
        const auto row = [](const char *name, const char *source, const char *target,
                            const QByteArray &log) {
            QTest::newRow(name) << QString::fromLatin1(source) << QString::fromLatin1(target)
                                << log;
        };
        row("replaces the target, keeps the times", "s", "t", QByteArray());
        row("missing source", "m", "t", warning + "file doesnt exist: <S> \n");
        row("directory as source", "d", "t", warning + "file doesnt exist: <S> \n");
        // Even root cannot unlink a directory, so the failure holds in every environment.
        row("target is a directory", "s", "d",
            failed + "could not remove existing target file: Is a directory \n" + failed +
                "Unknown error \n");
        row("target below a file", "s", "t/x",
            failed + "Cannot create <T> for output: Not a directory \n");
    }
    void copyFile()
    {
        QFETCH(QString, source);
        QFETCH(QString, target);
        QFETCH(QByteArray, log);
        QTemporaryDir dir;
        source = dir.filePath(source);
        target = dir.filePath(target);
        const QByteArray content("new\0content", 11);
        QVERIFY(writeFile(dir.filePath(QStringLiteral("s")), content));
        QVERIFY(writeFile(dir.filePath(QStringLiteral("t")), "older and longer content"));
        QVERIFY(writeFile(dir.filePath(QStringLiteral("d/inside")), "x"));
        struct utimbuf times = {1000000000, 1200000000};
        QCOMPARE(::utime(QFile::encodeName(dir.filePath(QStringLiteral("s"))).constData(), &times),
                 0);
        const QStringList before = filesBelow(dir.path());
        bool copied = false;
        const QByteArray logged =
            captureStderr([&] { copied = ORNAFile::copyFile(source, target); });
        QCOMPARE(TestSupport::withoutLineNumbers(logged),
                 log.replace("<S>", source.toUtf8()).replace("<T>", target.toUtf8()));
        QCOMPARE(copied, log.isEmpty());
        if (!copied) {
            QCOMPARE(filesBelow(dir.path()), before);
            return;
        }
        QCOMPARE(readAll(target), content);
        struct stat copy;
        struct stat original;
        QCOMPARE(::stat(QFile::encodeName(target).constData(), &copy), 0);
        QCOMPARE(::stat(QFile::encodeName(source).constData(), &original), 0);
        QCOMPARE(qint64(copy.st_mtime), qint64(1200000000));
        QCOMPARE(qint64(copy.st_atime), qint64(original.st_atime));
    }

    // What readProblem and fileExists say of the same path agrees with the read.
    void readWholeFile_data()
    {
        QTest::addColumn<QByteArray>("content"); // or "<missing>", "<directory>", "<huge>"
        QTest::addColumn<bool>("textMode");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("error");
        const QByteArray crlf = "a\r\nb\r\n";
        const QByteArray nul("x\0y", 3);
        QTest::newRow("binary keeps CR LF") << crlf << false << crlf << QString();
        QTest::newRow("text drops every CR, keeps 8-bit bytes")
            << QByteArray("\xe4\r\r\n\xc3\xa4\r") << true << QByteArray("\xe4\n\xc3\xa4")
            << QString();
        QTest::newRow("NUL bytes stay") << nul << true << nul << QString();
        QTest::newRow("empty") << QByteArray() << true << QByteArray() << QString();
        QTest::newRow("missing") << QByteArray("<missing>") << true << QByteArray()
                                 << "No such file or directory";
        QTest::newRow("directory refused")
            << QByteArray("<directory>") << true << QByteArray() << "not a regular file";
        QTest::newRow("too large refused unread")
            << QByteArray("<huge>") << true << QByteArray() << "larger than 256 MiB";
    }
    void readWholeFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, textMode);
        QFETCH(QByteArray, data);
        QFETCH(QString, error);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("file"));
        QFile file(path);
        if (content == "<directory>")
            QVERIFY(QDir().mkpath(path));
        else if (content == "<huge>") // sparse: costs no disk space
            QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(ORNAFile::maximumReadSize + 1));
        else if (content != "<missing>")
            QVERIFY(writeFile(path, content));
        ORNAFileContent read;
        QCOMPARE(captureStderr([&] { read = ORNAFile::readWholeFile(path, textMode); }),
                 QByteArray());
        QCOMPARE(read.data, data);
        QCOMPARE(read.error, error);
        QCOMPARE(read.refused, content == "<directory>" || content == "<huge>");
        QCOMPARE(ORNAFile::readProblem(path), error);
        QCOMPARE(ORNAFile::fileExists(path), content != "<missing>");
    }
};

QTEST_GUILESS_MAIN(TestFiles)
#include "tst_files.moc"
