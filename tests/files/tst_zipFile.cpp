#include "logCapture.h"
#include "ornaBase.h"
#include "ornaFile.h"
#include "ornaZipRegistry.h"
#include "zipTestArchive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <utime.h>

namespace {

const QDateTime storedDate(QDate(2021, 3, 4), QTime(5, 6, 8));
const QByteArray textContent = "first line\r\nsecond line\r\n";

QByteArray zipError(const QString &text)
{
    return "ERROR: Libraries/ORNABase/Tools/ornaFile.cpp(N):  ORNAError:  ORNAZipFile " +
           text.toUtf8() + " \n";
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

qint64 modificationTime(const QString &path)
{
    struct stat status;
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? qint64(status.st_mtime) : -1;
}

QByteArray largeContent()
{
    QByteArray content;
    for (int i = 0; i < 50000; ++i)
        content += QByteArray::number(i) + ' ';
    return content;
}

} // namespace

class TestZipFile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        ORNABase::initialize();
        QVERIFY(m_dir.isValid());
        m_prefix = m_dir.filePath(QStringLiteral("package"));
        const QString archive = m_dir.filePath(QStringLiteral("package.zip"));
        QVERIFY(writeZipArchive(archive, {{"readme.txt", textContent},
                                          {"lib/data.bin", QByteArray("\0\1\2\xff", 4), false},
                                          {"lib/large.txt", largeContent()},
                                          {"lib/", QByteArray()},
                                          {"empty.txt", QByteArray()},
                                          {"../escape.txt", "outside"}}));
        QVERIFY(ORNAZipFile::registerArchive(archive, m_prefix + QStringLiteral("/")));
        // A second archive under the same prefix is never consulted.
        const QString shadowed = m_dir.filePath(QStringLiteral("shadowed.zip"));
        QVERIFY(writeZipArchive(shadowed, {{"only-in-second.txt", "x"}}));
        QVERIFY(ORNAZipFile::registerArchive(shadowed, m_prefix));
    }

    void findMember_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<qint64>("size");
        QTest::newRow("top level") << "package/readme.txt" << qint64(textContent.size());
        QTest::newRow("below directory") << "package/lib/data.bin" << qint64(4);
        QTest::newRow("doubled separators") << "package//lib///data.bin" << qint64(4);
        QTest::newRow("dot components") << "package/./lib/../lib/data.bin" << qint64(4);
        QTest::newRow("size zero") << "package/empty.txt" << qint64(0);
        QTest::newRow("absent member") << "package/missing.txt" << qint64(-1);
        QTest::newRow("directory entry") << "package/lib" << qint64(-1);
        QTest::newRow("member of shadowed archive") << "package/only-in-second.txt" << qint64(-1);
        QTest::newRow("climbing name") << "escape.txt" << qint64(-1);
        QTest::newRow("prefix alone") << "package" << qint64(-1);
        QTest::newRow("similar prefix") << "packageX/readme.txt" << qint64(-1);
    }
    void findMember()
    {
        QFETCH(QString, relative);
        QFETCH(qint64, size);
        const ORNAZipMember *member = ORNAZipFile::findMember(m_dir.filePath(relative));
        QCOMPARE(member ? member->uncompressedSize : qint64(-1), size);
        QCOMPARE(ORNAFile::fileExists(m_dir.filePath(relative)), size >= 0);
        if (member) {
            QCOMPARE(member->date, storedDate);
            QCOMPARE(member->archive, ORNAZipRegistry::instance()->archives().first());
        }
    }

    void readFileServesMembers_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<bool>("textMode");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("binary") << "package/readme.txt" << false << textContent;
        QTest::newRow("text") << "package/readme.txt" << true
                              << QByteArray("first line\nsecond line\n");
        QTest::newRow("stored bytes")
            << "package/lib/data.bin" << true << QByteArray("\0\1\2\xff", 4);
        QTest::newRow("larger than one read") << "package/lib/large.txt" << false << largeContent();
    }
    void readFileServesMembers()
    {
        QFETCH(QString, relative);
        QFETCH(bool, textMode);
        QFETCH(QByteArray, expected);
        LogCapture log;
        QCOMPARE(ORNAFile::readFile(m_dir.filePath(relative), textMode), expected);
        QCOMPARE(log.text(), QByteArray());
    }

    void copyFileExtractsWithStoredDate()
    {
        QTemporaryDir out;
        const QString target = out.filePath(QStringLiteral("copy.txt"));
        QVERIFY(ORNAFile::copyFile(m_prefix + QStringLiteral("/readme.txt"), target));
        QCOMPARE(contentOf(target), textContent);
        QCOMPARE(modificationTime(target), storedDate.toSecsSinceEpoch());
    }

    void extractWithoutTargetCreatesMemberPath()
    {
        QTemporaryDir out;
        const QString memberPath = out.filePath(QStringLiteral("new/dirs/data.bin"));
        const ORNAZipMember *member = ORNAZipFile::findMember(m_prefix + "/lib/data.bin");
        QVERIFY(member);
        QVERIFY(ORNAZipFile::extractFile(member->archive, *member, memberPath, QString(),
                                         ORNAZipOverwriteAlways));
        QCOMPARE(contentOf(memberPath), QByteArray("\0\1\2\xff", 4));
        QCOMPARE(modificationTime(memberPath), storedDate.toSecsSinceEpoch());
    }

    void sizeZeroMemberCannotBeExtracted()
    {
        QTemporaryDir out;
        const QString memberPath = m_prefix + QStringLiteral("/empty.txt");
        const QString target = out.filePath(QStringLiteral("empty.txt"));
        LogCapture log;
        QVERIFY(!ORNAFile::copyFile(memberPath, target));
        QCOMPARE(log.textWithoutLineNumbers(), zipError("extracting file failed " + memberPath));
        QVERIFY(!QFileInfo::exists(target));
    }

    void unwritableTargets_data()
    {
        QTest::addColumn<QString>("memberPath");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("message");
        QTest::newRow("target below a file") << "package/readme.txt"
                                             << "plain/target.txt"
                                             << "opening file for writing %1 failed";
        QTest::newRow("member path below a file") << "plain/sub/readme.txt"
                                                  << ""
                                                  << "creating directory failed %1";
    }
    void unwritableTargets()
    {
        QFETCH(QString, memberPath);
        QFETCH(QString, target);
        QFETCH(QString, message);
        QTemporaryDir out;
        QFile plain(out.filePath(QStringLiteral("plain")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        const ORNAZipMember *member = ORNAZipFile::findMember(m_prefix + "/readme.txt");
        QVERIFY(member);
        const QString fullMemberPath = memberPath.startsWith(QLatin1String("package"))
                                           ? m_dir.filePath(memberPath)
                                           : out.filePath(memberPath);
        LogCapture log;
        QVERIFY(!ORNAZipFile::extractFile(member->archive, *member, fullMemberPath,
                                          target.isEmpty() ? target : out.filePath(target),
                                          ORNAZipOverwriteAlways));
        QCOMPARE(log.textWithoutLineNumbers(), zipError(message.arg(fullMemberPath)));
    }

    void overwriteModes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("targetAge"); // seconds relative to the stored date; 0: no target
        QTest::addColumn<bool>("result");
        QTest::addColumn<bool>("written");
        QTest::newRow("1 existing") << 1 << 3600 << true << true;
        QTest::newRow("2 missing") << 2 << 0 << true << true;
        QTest::newRow("2 existing") << 2 << -3600 << true << false;
        QTest::newRow("4 older target") << 4 << -3600 << true << true;
        QTest::newRow("4 newer target") << 4 << 3600 << true << false;
        QTest::newRow("8 older target") << 8 << -3600 << true << true;
        QTest::newRow("8 newer target") << 8 << 3600 << true << true;
        QTest::newRow("8 same time") << 8 << 1 << true << false;
        QTest::newRow("16 without application") << 16 << 3600 << true << false;
        QTest::newRow("16 missing") << 16 << 0 << true << true;
        QTest::newRow("3 unknown") << 3 << 0 << false << false;
        QTest::newRow("0 unknown") << 0 << 3600 << false << false;
        QTest::newRow("32 above 16") << 32 << 0 << false << false;
    }
    void overwriteModes()
    {
        QFETCH(int, mode);
        QFETCH(int, targetAge);
        QFETCH(bool, result);
        QFETCH(bool, written);
        QTemporaryDir out;
        const QString target = out.filePath(QStringLiteral("target.bin"));
        const QByteArray before = "previous";
        if (targetAge != 0) {
            QFile file(target);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(before);
            file.close();
            // 1 stands for "exactly the stored date".
            const time_t time =
                time_t(storedDate.toSecsSinceEpoch() + (targetAge == 1 ? 0 : targetAge));
            struct utimbuf times = {time, time};
            QCOMPARE(::utime(QFile::encodeName(target).constData(), &times), 0);
        }
        const ORNAZipMember *member = ORNAZipFile::findMember(m_prefix + "/lib/data.bin");
        QVERIFY(member);
        QCOMPARE(ORNAZipFile::extractFile(member->archive, *member, m_prefix + "/lib/data.bin",
                                          target, mode),
                 result);
        const QByteArray expected =
            written ? QByteArray("\0\1\2\xff", 4) : (targetAge ? before : "<unreadable>");
        QCOMPARE(contentOf(target), expected);
    }

    void unreadableArchiveIsNotRegistered()
    {
        const QString archive = m_dir.filePath(QStringLiteral("garbage.zip"));
        QFile file(archive);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(1000, 'G'));
        file.close();
        const int registered = ORNAZipRegistry::instance()->archives().size();
        LogCapture log;
        QVERIFY(!ORNAZipFile::registerArchive(archive, m_dir.filePath(QStringLiteral("g"))));
        QCOMPARE(log.textWithoutLineNumbers(), zipError("could not open zipfile " + archive));
        QCOMPARE(ORNAZipRegistry::instance()->archives().size(), registered);
        QVERIFY(!ORNAZipFile::registerArchive(m_dir.filePath(QStringLiteral("none.zip")),
                                              m_dir.filePath(QStringLiteral("n"))));
    }

    void corruptMembers_data()
    {
        QTest::addColumn<bool>("compressed");
        QTest::addColumn<int>("offset"); // from the data start; negative: into the local header
        QTest::addColumn<QByteArray>("patch");
        QTest::addColumn<QString>("step");
        QTest::newRow("broken deflate data") << true << 0 << QByteArray("\xff\xff\xff\xff")
                                             << "error -3 with zipfile in unzReadCurrentFile ";
        QTest::newRow("stored bytes fail the checksum")
            << false << 5 << QByteArray("X") << "error -105 with zipfile in unzCloseCurrentFile ";
        QTest::newRow("local header destroyed") << false << -1000 << QByteArray("XXXX")
                                                << "error -103 with zipfile in unzOpenCurrentFile ";
    }
    void corruptMembers()
    {
        QFETCH(bool, compressed);
        QFETCH(int, offset);
        QFETCH(QByteArray, patch);
        QFETCH(QString, step);
        QTemporaryDir out;
        const QString archive = out.filePath(QStringLiteral("corrupt.zip"));
        QVERIFY(writeZipArchive(archive, {{"member.txt", largeContent(), compressed}}));
        const qint64 dataStart = firstMemberDataOffset(archive);
        QVERIFY(dataStart > 0);
        QVERIFY(patchFile(archive, offset < 0 ? 0 : dataStart + offset, patch));
        const QString prefix = out.filePath(QStringLiteral("corrupt"));
        QVERIFY(ORNAZipFile::registerArchive(archive, prefix));
        const QString memberPath = prefix + QStringLiteral("/member.txt");
        LogCapture log;
        QVERIFY(ORNAFile::readFile(memberPath, false).isEmpty());
        QCOMPARE(log.textWithoutLineNumbers(), zipError(step + memberPath));
        LogCapture copyLog;
        QVERIFY(!ORNAFile::copyFile(memberPath, out.filePath(QStringLiteral("copy.txt"))));
        QCOMPARE(copyLog.textWithoutLineNumbers(),
                 zipError(step + memberPath) + zipError("extracting file failed " + memberPath));
        QVERIFY(!QFileInfo::exists(out.filePath(QStringLiteral("copy.txt"))));
    }

    void cleanupClosesRegistry()
    {
        ORNABase::runCleanup();
        QVERIFY(!ORNAZipRegistry::instance());
        QVERIFY(!ORNAFile::fileExists(m_prefix + QStringLiteral("/readme.txt")));
        QVERIFY(
            !ORNAZipFile::registerArchive(m_dir.filePath(QStringLiteral("package.zip")), m_prefix));
    }

private:
    QTemporaryDir m_dir;
    QString m_prefix;
};

QTEST_GUILESS_MAIN(TestZipFile)
#include "tst_zipFile.moc"
