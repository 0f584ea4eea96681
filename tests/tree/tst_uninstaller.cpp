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

const QString homeRefusal = QStringLiteral(
    "Refusing to delete the installation directory, because it is the home directory. Please "
    "delete the directory yourself.");

} // namespace

class UninstallerTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir sandbox;
    QString home;
    QString temp;

    // An installed tree with a few files; returns its directory.
    QString makeTree(const QString &name)
    {
        const QString directory = sandbox.filePath(QStringLiteral("trees/") + name);
        writeFile(directory + QStringLiteral("/Uninstaller/LinuxInstaller"), "exe");
        writeFile(directory + QStringLiteral("/uninstall"), "script");
        writeFile(directory + QStringLiteral("/bin/Tool"), "tool");
        writeFile(directory + QStringLiteral("/.hidden"), "hidden");
        return directory;
    }

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

    void installationDirectory_data()
    {
        QTest::addColumn<QString>("applicationDirectory");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << "/opt/Tool/Uninstaller"
                               << "/opt/Tool";
        QTest::newRow("trailing slash") << "/opt/Tool/Uninstaller/"
                                        << "/opt/Tool";
        QTest::newRow("dot dot") << "/opt/x/../Tool/Uninstaller"
                                 << "/opt/Tool";
        QTest::newRow("root") << "/Uninstaller"
                              << "/";
    }

    void installationDirectory()
    {
        QFETCH(QString, applicationDirectory);
        QFETCH(QString, expected);
        TreeUninstaller uninstaller(applicationDirectory);
        QCOMPARE(uninstaller.installationDirectory(), expected);
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("directory");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        const QString yourself = QStringLiteral(" Please delete the directory yourself.");
        QTest::newRow("home") << home << "Refusing to delete the installation directory"
                              << homeRefusal;
        QTest::newRow("home with slash")
            << home + "/"
            << "Refusing to delete the installation directory" << homeRefusal;
        QTest::newRow("relative") << "some/dir"
                                  << "Refusing to delete a relative installation directory"
                                  << "Refusing to delete the installation directory." + yourself;
        QTest::newRow("root") << "/"
                              << "Refusing to delete the root directory"
                              << "Refusing to delete the installation directory, because it is "
                                 "the root directory." +
                                     yourself;
        QTest::newRow("root by dot dot") << "/usr/.."
                                         << "Refusing to delete the root directory"
                                         << "Refusing to delete the installation directory, "
                                            "because it is the root directory." +
                                                yourself;
        QTest::newRow("temporary") << temp << "Refusing to delete the temporary directory"
                                   << "Refusing to delete the installation directory, because "
                                      "it is the temporary directory." +
                                          yourself;
        QTest::newRow("ordinary") << "/opt/Tool"
                                  << ""
                                  << "";
        QTest::newRow("missing") << "/nonexistent/Tool"
                                 << ""
                                 << "";
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
        QCOMPARE(ORNADeletionGuard::refusalFor(link).text, homeRefusal);
        QVERIFY(writeFile(home + "/keep.txt", "keep"));
        TreeUninstaller uninstaller(link + QStringLiteral("/Uninstaller"));
        QVERIFY(!uninstaller.deleteInstallationDirectory());
        QCOMPARE(uninstaller.log, QStringList{"E:" + homeRefusal});
        QVERIFY(QFile::exists(home + "/keep.txt"));
    }

    void deletesTreeButNotLinkedOutside()
    {
        const QString tree = makeTree(QStringLiteral("linked"));
        const QString outside = sandbox.filePath(QStringLiteral("outside"));
        QVERIFY(writeFile(outside + "/data.txt", "data"));
        QVERIFY(QFile::link(outside, tree + "/bin/outsideLink"));
        QVERIFY(QFile::link(outside + "/data.txt", tree + "/fileLink"));
        TreeUninstaller uninstaller(tree + QStringLiteral("/Uninstaller"));
        QVERIFY(uninstaller.uninstall());
        QCOMPARE(uninstaller.log,
                 (QStringList{"Deleting the installation directory " + tree + "...", "Done."}));
        QVERIFY(!QFileInfo::exists(tree));
        QCOMPARE(TestSupport::readAll(outside + "/data.txt"), QByteArray("data"));
    }

    // Each row spoils the tree in one way: then nothing is unregistered or deleted.
    void notAnInstallation_data()
    {
        QTest::addColumn<QString>("removed");
        QTest::addColumn<QString>("linked");
        QTest::addColumn<QString>("program");
        QTest::newRow("no uninstall script") << "uninstall"
                                             << ""
                                             << "Uninstaller/LinuxInstaller";
        QTest::newRow("no uninstaller") << "Uninstaller/LinuxInstaller"
                                        << ""
                                        << "../elsewhere/LinuxInstaller";
        QTest::newRow("another program") << ""
                                         << ""
                                         << "../elsewhere/LinuxInstaller";
        QTest::newRow("script is a link") << ""
                                          << "uninstall"
                                          << "Uninstaller/LinuxInstaller";
        QTest::newRow("uninstaller is a link") << ""
                                               << "Uninstaller/LinuxInstaller"
                                               << "../elsewhere/Uninstaller/LinuxInstaller";
        QTest::newRow("directory is a link") << ""
                                             << "Uninstaller"
                                             << "../elsewhere/Uninstaller/LinuxInstaller";
    }

    void notAnInstallation()
    {
        QFETCH(QString, removed);
        QFETCH(QString, linked);
        QFETCH(QString, program);
        const QString tree = makeTree(QTest::currentDataTag() + QStringLiteral("/Tool"));
        QVERIFY(QDir().mkpath(tree + QStringLiteral("/Uninstaller/desktopEntries")));
        QVERIFY(writeFile(tree + QStringLiteral("/../elsewhere/LinuxInstaller"), "exe"));
        if (!removed.isEmpty())
            QVERIFY(QFile::remove(tree + QLatin1Char('/') + removed));
        if (!linked.isEmpty()) {
            const QString path = tree + QLatin1Char('/') + linked;
            const QString moved = tree + QStringLiteral("/../elsewhere/") + linked;
            QVERIFY(QDir().mkpath(QFileInfo(moved).path()));
            QVERIFY(QDir().rename(path, moved));
            QVERIFY(QFile::link(moved, path));
        }
        TreeUninstaller uninstaller(tree + QStringLiteral("/Uninstaller"));
        uninstaller.setRunningProgram(tree + QLatin1Char('/') + program);
        QVERIFY(!uninstaller.uninstall());
        QCOMPARE(uninstaller.log,
                 (QStringList{"E:Refusing to delete " + tree +
                                  ", because it is no installation: it must hold the uninstall "
                                  "script and Uninstaller/ with this program in it. Nothing was "
                                  "deleted.",
                              "Done."}));
        QVERIFY(QFile::exists(tree + QStringLiteral("/bin/Tool")));
    }

    void refusedTemporaryDirectory()
    {
        QVERIFY(writeFile(temp + "/other.txt", "other"));
        TreeUninstaller uninstaller(temp + QStringLiteral("/Uninstaller"));
        QVERIFY(!uninstaller.uninstall());
        QCOMPARE(uninstaller.log,
                 (QStringList{"Deleting the installation directory " + temp + "...",
                              "E:" + ORNADeletionGuard::refusalFor(temp).text, "Done."}));
        QVERIFY(QFile::exists(temp + "/other.txt"));
    }

    // With a wizard the refusal is a critical box; afterwards the buttons are usable again.
    void refusalBoxInWizard()
    {
        QVERIFY(writeFile(home + "/keep2.txt", "keep"));
        TreeUninstaller uninstaller(home + QStringLiteral("/Uninstaller"));
        QWizard *wizard = new QWizard;
        wizard->addPage(new QWizardPage);
        wizard->addPage(new QWizardPage);
        uninstaller.setWizard(wizard);
        for (QWizard::WizardButton which :
             {QWizard::NextButton, QWizard::BackButton, QWizard::FinishButton})
            wizard->button(which)->setEnabled(false);

        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QWidget *parent = nullptr;
        int buttons = 0;
        QTimer::singleShot(50, this, [&]() {
            QMessageBox *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            parent = box->parentWidget();
            buttons = box->buttons().size();
            box->accept();
        });
        QVERIFY(!uninstaller.uninstall());
        QCOMPARE(title, QStringLiteral("Refusing to delete the installation directory"));
        QCOMPARE(text, homeRefusal);
        QCOMPARE(icon, QMessageBox::Critical);
        QCOMPARE(parent, wizard);
        QCOMPARE(buttons, 1);
        QVERIFY(!uninstaller.log.contains("E:" + homeRefusal));
        QCOMPARE(uninstaller.log.last(), QStringLiteral("Done."));
        for (QWizard::WizardButton which :
             {QWizard::NextButton, QWizard::BackButton, QWizard::FinishButton})
            QVERIFY(wizard->button(which)->isEnabled());
        QVERIFY(QFile::exists(home + "/keep2.txt"));
    }
};

QTEST_MAIN(UninstallerTest)
#include "tst_uninstaller.moc"
