// Members of registered zip archives read and copied as if they were files below a prefix.
#include "ornaBase.h"
#include "ornaFile.h"
#include "ornaWidgetDialogs.h"
#include "ornaZipFile.h"
#include "ornaZipRegistry.h"
#include "testSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

using TestSupport::captureStderr;

namespace {

// The archives, made by Python's zipfile: package.zip, shadowed.zip, garbage.zip, and one
// damaged copy of a single large member per kind of damage (deflate, checksum, header).
const char makeArchives[] = R"py(
import os, sys, zipfile
d, large = sys.argv[1], b''.join(b'%d ' % i for i in range(50000))
def make(name, members):
    with zipfile.ZipFile(os.path.join(d, name), 'w') as z:
        for member, data, deflate in members:
            info = zipfile.ZipInfo(member, (2021, 3, 4, 5, 6, 8))
            info.compress_type = zipfile.ZIP_DEFLATED if deflate else zipfile.ZIP_STORED
            z.writestr(info, data)
    return os.path.join(d, name)
make('package.zip', [('readme.txt', b'first line\r\nsecond line\r\n', 1), ('lib/', b'', 0),
     ('lib/data.bin', b'\0\1\2\xff', 0), ('lib/large.txt', large, 1), ('empty.txt', b'', 1),
     ('../escape.txt', b'outside', 1)])
make('shadowed.zip', [('only-in-second.txt', b'x', 1)])
open(os.path.join(d, 'garbage.zip'), 'wb').write(b'G' * 1000)
for name, deflate, offset, patch in [('deflate', 1, 0, b'\xff' * 4), ('checksum', 0, 5, b'X'),
                                     ('header', 0, None, b'XXXX')]:
    path = make(name + '.zip', [('member.txt', large, deflate)])
    b = bytearray(open(path, 'rb').read())
    at = 0 if offset is None else 30 + b[26] + 256 * b[27] + b[28] + 256 * b[29] + offset
    b[at:at + len(patch)] = patch
    open(path, 'wb').write(b)
)py";

QByteArray large()
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
        const auto made = TestSupport::runProgram(QStringLiteral("python3"),
                                                  {QStringLiteral("-c"), makeArchives, dir.path()});
        QVERIFY2(made.exitCode == 0, made.standardError.constData());
        QVERIFY(ORNAZipFile::registerArchive(dir.filePath("package.zip"), prefix + '/'));
        // A second archive under the same prefix is never consulted.
        QVERIFY(ORNAZipFile::registerArchive(dir.filePath("shadowed.zip"), prefix));
    }

    // "-": no such member. Text mode turns CR LF into LF.
    void readMember_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<bool>("textMode");
        QTest::addColumn<QByteArray>("expected");
        QTest::addRow("binary") << "p/readme.txt" << false
                                << QByteArray("first line\r\nsecond line\r\n");
        QTest::addRow("text") << "p/readme.txt" << true << QByteArray("first line\nsecond line\n");
        QTest::addRow("stored, odd separators")
            << "p/./lib//../lib/data.bin" << true << QByteArray("\0\1\2\xff", 4);
        QTest::addRow("larger than one read") << "p/lib/large.txt" << false << large();
        QTest::addRow("size zero") << "p/empty.txt" << false << QByteArray();
        QTest::addRow("directory entry") << "p/lib" << false << QByteArray("-");
        QTest::addRow("member of shadowed archive")
            << "p/only-in-second.txt" << false << QByteArray("-");
        QTest::addRow("climbing name") << "escape.txt" << false << QByteArray("-");
        QTest::addRow("similar prefix") << "pX/readme.txt" << false << QByteArray("-");
    }
    void readMember()
    {
        QFETCH(QString, relative);
        QFETCH(bool, textMode);
        QFETCH(QByteArray, expected);
        const QString path = dir.filePath(relative);
        const ORNAZipMember *member = ORNAZipFile::findMember(path);
        QCOMPARE(member != nullptr, expected != "-");
        QCOMPARE(ORNAFile::fileExists(path), expected != "-");
        if (!member)
            return;
        QCOMPARE(member->date, QDateTime(QDate(2021, 3, 4), QTime(5, 6, 8)));
        QCOMPARE(captureStderr([&] { QCOMPARE(ORNAFile::readFile(path, textMode), expected); }),
                 QByteArray());
        // A copy is extracted with the stored date; a member of size zero is refused.
        const QString copy = dir.filePath("copy");
        const QByteArray log =
            captureStderr([&] { QCOMPARE(ORNAFile::copyFile(path, copy), !expected.isEmpty()); });
        QCOMPARE(TestSupport::withoutLineNumbers(log),
                 expected.isEmpty() ? zipError("extracting file failed " + path) : QByteArray());
        struct stat status;
        QCOMPARE(::stat(QFile::encodeName(copy).constData(), &status), expected.isEmpty() ? -1 : 0);
        if (!expected.isEmpty())
            QCOMPARE(qint64(status.st_mtime), member->date.toSecsSinceEpoch());
        QFile::remove(copy);
    }

    void copyBelowAFile()
    {
        const QString target = dir.filePath("package.zip/below");
        const QByteArray log =
            captureStderr([&] { QVERIFY(!ORNAFile::copyFile(prefix + "/readme.txt", target)); });
        QCOMPARE(TestSupport::withoutLineNumbers(log),
                 zipError("opening file for writing " + prefix + "/readme.txt failed"));
    }

    // Damage in an archive is reported with the minizip step that found it; nothing is left.
    void damagedArchives_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("step");
        QTest::addRow("broken deflate data") << "deflate"
                                             << "error -3 with zipfile in unzReadCurrentFile ";
        QTest::addRow("stored bytes fail the checksum")
            << "checksum"
            << "error -105 with zipfile in unzCloseCurrentFile ";
        QTest::addRow("local header destroyed") << "header"
                                                << "error -103 with zipfile in unzOpenCurrentFile ";
        QTest::addRow("no archive at all") << "garbage"
                                           << "could not open zipfile ";
    }
    void damagedArchives()
    {
        QFETCH(QString, name);
        QFETCH(QString, step);
        const QString archive = dir.filePath(name + ".zip");
        const QString member = dir.filePath(name + "/member.txt");
        const int registered = ORNAZipRegistry::instance()->archives().size();
        QByteArray log = captureStderr([&] {
            QCOMPARE(ORNAZipFile::registerArchive(archive, dir.filePath(name)), name != "garbage");
        });
        if (name == "garbage") {
            QCOMPARE(TestSupport::withoutLineNumbers(log), zipError(step + archive));
            QCOMPARE(ORNAZipRegistry::instance()->archives().size(), registered);
            return;
        }
        log = captureStderr([&] {
            QVERIFY(ORNAFile::readFile(member, false).isEmpty());
            QVERIFY(!ORNAFile::copyFile(member, dir.filePath("copy")));
        });
        QCOMPARE(TestSupport::withoutLineNumbers(log),
                 zipError(step + member) + zipError(step + member) +
                     zipError("extracting file failed " + member));
        QVERIFY(!QFileInfo::exists(dir.filePath("copy")));
    }

    // A target that is missing, older than the member, as old or newer: "w" written, "-" left,
    // "x" refused. Only the question (16) asks, and only about a file that exists.
    void overwriteModes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("expected");
        QTest::addRow("always") << 1 << false << "wwww";
        QTest::addRow("if missing") << 2 << false << "w---";
        QTest::addRow("if older") << 4 << false << "ww--";
        QTest::addRow("if different") << 8 << false << "ww-w";
        QTest::addRow("asked, yes") << 16 << true << "wwww";
        QTest::addRow("asked, no") << 16 << false << "w---";
        QTest::addRow("unknown mode") << 3 << false << "xxxx";
    }
    void overwriteModes()
    {
        QFETCH(int, mode);
        QFETCH(bool, yes);
        QFETCH(QString, expected);
        ORNAWidgetDialogs::install();
        const QString path = prefix + "/readme.txt";
        const ORNAZipMember *member = ORNAZipFile::findMember(path);
        QStringList asked;
        QTimer answering;
        QObject::connect(&answering, &QTimer::timeout, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                asked << box->windowTitle() + ": " + box->text();
                for (QAbstractButton *button : box->buttons())
                    if (button->text() == (yes ? "&Yes" : "&No"))
                        button->click();
            }
        });
        answering.start(20);
        QString seen;
        for (int age = -2; age < 2; ++age) {
            const QString target = dir.filePath(QString("mode%1%2%3").arg(mode).arg(yes).arg(age));
            const QDateTime time = member->date.addSecs(age * 3600);
            QFile file(target);
            if (age > -2)
                QVERIFY(file.open(QIODevice::WriteOnly) && file.write("old") == 3 && file.flush() &&
                        file.setFileTime(time, QFileDevice::FileModificationTime));
            file.close();
            const bool ok = ORNAZipFile::extractFile(member->archive, *member, path, target, mode);
            seen += !ok ? 'x' : TestSupport::readAll(target).startsWith("first") ? 'w' : '-';
            if (age > -2 && mode == 16)
                QCOMPARE(asked.value(age + 1),
                         "Halvaron: Should the file " + target +
                             " be overwritten by a file contained in zipfile " +
                             dir.filePath("package.zip"));
        }
        QCOMPARE(seen, expected);
        QCOMPARE(asked.size(), mode == 16 ? 3 : 0);
    }

    void cleanupClosesRegistry()
    {
        ORNABase::runCleanup();
        QVERIFY(!ORNAZipRegistry::instance());
        QVERIFY(!ORNAFile::fileExists(prefix + "/readme.txt"));
        QVERIFY(!ORNAZipFile::registerArchive(dir.filePath("package.zip"), prefix));
    }

private:
    static QByteArray zipError(const QString &text)
    {
        return "ERROR: Libraries/ORNABase/Tools/ornaZipFile.cpp(N):  ORNAError:  ORNAZipFile " +
               text.toUtf8() + " \n";
    }

    QTemporaryDir dir;
    QString prefix = dir.filePath("p");
};

QTEST_MAIN(TestZipFile)
#include "tst_zipFile.moc"
