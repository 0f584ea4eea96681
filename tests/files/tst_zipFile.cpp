// Members of registered zip archives read and copied as if they were files below a prefix.
#include "ornaBase.h"
#include "ornaFile.h"
#include "ornaZipFile.h"
#include "ornaZipRegistry.h"
#include "testSupport.h"
#include "zipTestArchive.h"

#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using TestSupport::captureStderr;
using TestSupport::readAll;
using TestSupport::withoutLineNumbers;

namespace {

const QDateTime storedDate(QDate(2021, 3, 4), QTime(5, 6, 8));
const QByteArray textContent = "first line\r\nsecond line\r\n";
const QByteArray binary("\0\1\2\xff", 4);

QByteArray zipError(const QString &text)
{
    return "ERROR: Libraries/ORNABase/Tools/ornaZipFile.cpp(N):  ORNAError:  ORNAZipFile " +
           text.toUtf8() + " \n";
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
                                          {"lib/data.bin", binary, false},
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

    void readMember_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<bool>("textMode");
        QTest::addColumn<QByteArray>("expected"); // "-": no such member
        QTest::newRow("binary") << "package/readme.txt" << false << textContent;
        QTest::newRow("text") << "package/readme.txt" << true
                              << QByteArray("first line\nsecond line\n");
        QTest::newRow("stored, below a directory, odd separators")
            << "package/./lib//../lib/data.bin" << true << binary;
        QTest::newRow("larger than one read") << "package/lib/large.txt" << false << largeContent();
        QTest::newRow("size zero") << "package/empty.txt" << false << QByteArray();
        QTest::newRow("directory entry") << "package/lib" << false << QByteArray("-");
        QTest::newRow("member of shadowed archive")
            << "package/only-in-second.txt" << false << QByteArray("-");
        QTest::newRow("climbing name") << "escape.txt" << false << QByteArray("-");
        QTest::newRow("similar prefix") << "packageX/readme.txt" << false << QByteArray("-");
    }
    void readMember()
    {
        QFETCH(QString, relative);
        QFETCH(bool, textMode);
        QFETCH(QByteArray, expected);
        const QString path = m_dir.filePath(relative);
        const ORNAZipMember *member = ORNAZipFile::findMember(path);
        QCOMPARE(member != nullptr, expected != "-");
        QCOMPARE(ORNAFile::fileExists(path), expected != "-");
        if (!member)
            return;
        QCOMPARE(member->date, storedDate);
        QCOMPARE(captureStderr([&] { QCOMPARE(ORNAFile::readFile(path, textMode), expected); }),
                 QByteArray());
    }

    void copyFileExtractsWithStoredDate()
    {
        QTemporaryDir out;
        const QString target = out.filePath(QStringLiteral("copy.txt"));
        QVERIFY(ORNAFile::copyFile(m_prefix + QStringLiteral("/readme.txt"), target));
        QCOMPARE(readAll(target), textContent);
        struct stat status;
        QCOMPARE(::stat(QFile::encodeName(target).constData(), &status), 0);
        QCOMPARE(qint64(status.st_mtime), storedDate.toSecsSinceEpoch());
    }

    void copyFailures_data()
    {
        QTest::addColumn<QString>("member");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("message"); // %1: the member's path, %2: the target
        QTest::newRow("size zero") << "empty.txt"
                                   << "empty.txt"
                                   << "extracting file failed %1";
        QTest::newRow("target below a file") << "readme.txt"
                                             << "plain/target.txt"
                                             << "opening file for writing %1 failed";
    }
    void copyFailures()
    {
        QFETCH(QString, member);
        QFETCH(QString, target);
        QFETCH(QString, message);
        QTemporaryDir out;
        QVERIFY(TestSupport::writeFile(out.filePath(QStringLiteral("plain")), ""));
        const QString memberPath = m_prefix + QLatin1Char('/') + member;
        const QByteArray log =
            captureStderr([&] { QVERIFY(!ORNAFile::copyFile(memberPath, out.filePath(target))); });
        QCOMPARE(withoutLineNumbers(log), zipError(message.arg(memberPath, out.filePath(target))));
        QVERIFY(!QFileInfo::exists(out.filePath(target)));
    }

    void unreadableArchiveIsNotRegistered()
    {
        const QString archive = m_dir.filePath(QStringLiteral("garbage.zip"));
        QVERIFY(TestSupport::writeFile(archive, QByteArray(1000, 'G')));
        const int registered = ORNAZipRegistry::instance()->archives().size();
        const QByteArray log = captureStderr([&] {
            QVERIFY(!ORNAZipFile::registerArchive(archive, m_dir.filePath(QStringLiteral("g"))));
        });
        QCOMPARE(withoutLineNumbers(log), zipError("could not open zipfile " + archive));
        QCOMPARE(ORNAZipRegistry::instance()->archives().size(), registered);
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
        QByteArray log =
            captureStderr([&] { QVERIFY(ORNAFile::readFile(memberPath, false).isEmpty()); });
        QCOMPARE(withoutLineNumbers(log), zipError(step + memberPath));
        const QString copy = out.filePath(QStringLiteral("copy.txt"));
        log = captureStderr([&] { QVERIFY(!ORNAFile::copyFile(memberPath, copy)); });
        QCOMPARE(withoutLineNumbers(log),
                 zipError(step + memberPath) + zipError("extracting file failed " + memberPath));
        QVERIFY(!QFileInfo::exists(copy));
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
