#include "ornaDeletionGuard.h"
#include "treeTestEngines.h"

#include "ornaBase.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QWizard>
#include <QtTest>

namespace {

const QString refusing = QStringLiteral("Refusing to delete the installation directory");
const QString homeRefusal =
    refusing + ", because it is the home directory. Please delete the directory yourself.";

} // namespace

// The uninstaller engine in this process: which directories it refuses and how it says so.
class UninstallerTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir sandbox;
    QString home;
    QString temp;

private Q_SLOTS:
    void initTestCase()
    {
        ORNABase::initialize();
        QVERIFY(sandbox.isValid());
        home = sandbox.filePath(QStringLiteral("home"));
        temp = sandbox.filePath(QStringLiteral("tmp"));
        QVERIFY(QDir().mkpath(temp));
        useDesktopSandbox(home);
        qputenv("TMPDIR", temp.toLocal8Bit());
        QCOMPARE(QDir::homePath(), home);
        QCOMPARE(QDir::tempPath(), temp);
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("directory");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        const auto row = [](const char *name, const QString &directory, const QString &what) {
            const QString title = what.isEmpty()                 ? QString()
                                  : what == "the home directory" ? refusing
                                                                 : "Refusing to delete " + what;
            const QString text = what.isEmpty() ? QString()
                                                : refusing + ", because it is " + what +
                                                      ". Please delete the directory yourself.";
            QTest::newRow(name) << directory << title << text;
        };
        row("home", home, "the home directory");
        row("home with slash", home + "/", "the home directory");
        row("root by dot dot", "/usr/..", "the root directory");
        row("temporary", temp, "the temporary directory");
        row("ordinary", "/opt/Tool", "");
        row("missing", "/nonexistent/Tool", "");
        QTest::newRow("relative") << "some/dir"
                                  << "Refusing to delete a relative installation directory"
                                  << refusing + ". Please delete the directory yourself.";
    }
    void refusals()
    {
        QFETCH(QString, directory);
        QFETCH(QString, title);
        QFETCH(QString, text);
        const ORNADeletionGuard::Refusal refusal = ORNADeletionGuard::refusalFor(directory);
        QCOMPARE(refusal.title, title);
        QCOMPARE(refusal.text, text);
    }

    void homeThroughLink()
    {
        const QString link = sandbox.filePath(QStringLiteral("homeLink"));
        QVERIFY(QFile::link(home, link));
        QVERIFY(writeFile(home + "/keep.txt", "keep"));
        TreeUninstaller uninstaller(link + QStringLiteral("/Uninstaller"));
        QVERIFY(!uninstaller.deleteInstallationDirectory());
        QCOMPARE(uninstaller.log, QStringList{"E:" + homeRefusal});
        QVERIFY(QFile::exists(home + "/keep.txt"));
    }

    // Each row spoils the tree in one way: then nothing is unregistered or deleted.
    void notAnInstallation_data()
    {
        QTest::addColumn<QString>("removed");
        QTest::addColumn<QString>("linked");
        QTest::addColumn<QString>("program");
        const QString own = QStringLiteral("Uninstaller/LinuxInstaller");
        const QString other = QStringLiteral("../elsewhere/LinuxInstaller");
        QTest::newRow("no uninstall script") << "uninstall"
                                             << "" << own;
        QTest::newRow("no uninstaller") << own << "" << other;
        QTest::newRow("another program") << ""
                                         << "" << other;
        QTest::newRow("script is a link") << ""
                                          << "uninstall" << own;
        QTest::newRow("uninstaller is a link") << "" << own << "../elsewhere/" + own;
        QTest::newRow("directory is a link") << ""
                                             << "Uninstaller"
                                             << "../elsewhere/" + own;
    }
    void notAnInstallation()
    {
        QFETCH(QString, removed);
        QFETCH(QString, linked);
        QFETCH(QString, program);
        const QString tree =
            sandbox.filePath(QStringLiteral("trees/%1/Tool").arg(QTest::currentDataTag()));
        for (const char *file : {"Uninstaller/LinuxInstaller", "uninstall", "bin/Tool",
                                 "../elsewhere/LinuxInstaller", "Uninstaller/desktopEntries/a"})
            QVERIFY(writeFile(tree + QLatin1Char('/') + QLatin1String(file), "x"));
        if (!removed.isEmpty())
            QVERIFY(QFile::remove(tree + QLatin1Char('/') + removed));
        if (!linked.isEmpty()) {
            const QString moved = tree + QStringLiteral("/../elsewhere/") + linked;
            QVERIFY(QDir().mkpath(QFileInfo(moved).path()));
            QVERIFY(QDir().rename(tree + QLatin1Char('/') + linked, moved));
            QVERIFY(QFile::link(moved, tree + QLatin1Char('/') + linked));
        }
        TreeUninstaller uninstaller(tree + QStringLiteral("/Uninstaller"),
                                    tree + QLatin1Char('/') + program);
        QVERIFY(!uninstaller.uninstall());
        QCOMPARE(uninstaller.log,
                 (QStringList{"E:Refusing to delete " + tree +
                                  ", because it is no installation: it must hold the uninstall "
                                  "script and Uninstaller/ with this program in it. Nothing was "
                                  "deleted.",
                              "Done."}));
        QVERIFY(QFile::exists(tree + QStringLiteral("/bin/Tool")));
    }

    // With a wizard the refusal is a critical box; afterwards the buttons are usable again.
    void refusalBoxInWizard()
    {
        TreeUninstaller uninstaller(home + QStringLiteral("/Uninstaller"));
        uninstaller.setupWizard();
        QWizard *wizard = uninstaller.wizardWindow();
        const QList<QWizard::WizardButton> buttons = {QWizard::NextButton, QWizard::BackButton,
                                                      QWizard::FinishButton};
        for (QWizard::WizardButton which : buttons)
            wizard->button(which)->setEnabled(false);
        QStringList seen;
        QTimer::singleShot(50, this, [&]() {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                seen << box->windowTitle() << box->text()
                     << QString::number(box->icon() == QMessageBox::Critical)
                     << QString::number(box->parentWidget() == wizard)
                     << QString::number(box->buttons().size());
                box->accept();
            }
        });
        QVERIFY(!uninstaller.uninstall());
        QCOMPARE(seen, (QStringList{refusing, homeRefusal, "1", "1", "1"}));
        QCOMPARE(uninstaller.log.last(), QStringLiteral("Done."));
        QVERIFY(!uninstaller.log.contains("E:" + homeRefusal));
        for (QWizard::WizardButton which : buttons)
            QVERIFY(wizard->button(which)->isEnabled());
        QVERIFY(QFileInfo(home).isDir());
    }
};

QTEST_MAIN(UninstallerTest)
#include "tst_uninstaller.moc"
