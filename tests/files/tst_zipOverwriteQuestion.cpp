#include "ornaBase.h"
#include "ornaFile.h"
#include "zipTestArchive.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// With a graphical application, mode 16 asks before replacing an existing target.
class TestZipOverwriteQuestion : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        ORNABase::initialize();
        m_archive = m_dir.filePath(QStringLiteral("a.zip"));
        QVERIFY(writeZipArchive(m_archive, {{"file.txt", "from archive"}}));
        QVERIFY(ORNAZipFile::registerArchive(m_archive, m_dir.filePath(QStringLiteral("a"))));
    }

    void answerDecidesOverwrite_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("yes") << "&Yes" << QByteArray("from archive");
        QTest::newRow("no") << "&No" << QByteArray("on disk");
    }
    void answerDecidesOverwrite()
    {
        QFETCH(QString, answer);
        QFETCH(QByteArray, expected);
        const QString target = m_dir.filePath(QStringLiteral("target.txt"));
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("on disk");
        file.close();

        QString title;
        QString question;
        QTimer::singleShot(0, this, [&]() {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            title = box->windowTitle();
            question = box->text();
            for (QAbstractButton *button : box->buttons()) {
                if (button->text() == answer)
                    button->click();
            }
        });
        const QString memberPath = m_dir.filePath(QStringLiteral("a/file.txt"));
        const ORNAZipMember *member = ORNAZipFile::findMember(memberPath);
        QVERIFY(member);
        QVERIFY(ORNAZipFile::extractFile(member->archive, *member, memberPath, target,
                                         ORNAZipOverwriteAsk));
        QCOMPARE(title, QStringLiteral("Halvaron"));
        QCOMPARE(question, "Should the file " + target +
                               " be overwritten by a file contained in "
                               "zipfile " +
                               m_archive);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), expected);
    }

private:
    QTemporaryDir m_dir;
    QString m_archive;
};

QTEST_MAIN(TestZipOverwriteQuestion)
#include "tst_zipOverwriteQuestion.moc"
