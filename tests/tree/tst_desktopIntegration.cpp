#include "ornaDesktopEntryText.h"
#include "ornaUnityLauncher.h"
#include "testSupport.h"
#include "treeTestEngines.h"

#include "ornaBase.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

LinkEntry toolLink()
{
    LinkEntry link;
    link.application = QStringLiteral("bin/Tool");
    link.arguments = QStringLiteral("-v");
    link.desktopName = QStringLiteral("Tool Desktop");
    link.icon = QStringLiteral("tool");
    link.name = QStringLiteral("Tool");
    link.actions.append({QStringLiteral("Open Shell"), QStringLiteral("bin/shell")});
    return link;
}

LinkEntry plainLink(const QString &name, const QString &desktopName)
{
    LinkEntry link;
    link.application = QStringLiteral("bin/") + name;
    link.desktopName = desktopName;
    link.icon = name.toLower();
    link.name = name;
    return link;
}

QStringList fileNames(const QString &directory)
{
    QStringList names = QDir(directory).entryList(QDir::Files, QDir::Name);
    return names;
}

} // namespace

class DesktopIntegrationTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { ORNABase::initialize(); }

    void menuEntryText()
    {
        QTemporaryDir temp;
        TreeInstaller installer(QStringLiteral("/opt/Tool"));
        installer.editSettings().menuCategory = QStringLiteral("Science");
        const QString file = temp.filePath(QStringLiteral("menu.desktop"));
        QVERIFY(installer.writeDesktopEntryFile(file, toolLink(), true));
        QCOMPARE(TestSupport::readAll(file), QByteArray("[Desktop Entry]\nValue=1.0\n"
                                                        "Type=Application\nName=Tool\n"
                                                        "Exec=\"/opt/Tool/bin/Tool\" -v\n"
                                                        "Icon=tool\nCategories=Science;\n"
                                                        "Actions=OpenShell\n\n"
                                                        "[Desktop Action OpenShell]\n"
                                                        "Name=Open Shell\n"
                                                        "Exec=/opt/Tool/bin/shell\n"));
        QVERIFY(!(QFile::permissions(file) & QFileDevice::ExeOwner));
    }

    void desktopShortcutText()
    {
        QTemporaryDir temp;
        TreeInstaller installer(QStringLiteral("/opt/Tool"));
        const QString file = temp.filePath(QStringLiteral("desktop.desktop"));
        QVERIFY(installer.writeDesktopEntryFile(file, plainLink("Tool", "My Tool"), false));
        QCOMPARE(TestSupport::readAll(file),
                 QByteArray("[Desktop Entry]\nValue=1.0\nType=Application\nName=My Tool\n"
                            "Exec=\"/opt/Tool/bin/Tool\"\nIcon=tool\n"));
        const QFile::Permissions permissions = QFile::permissions(file);
        QVERIFY(permissions & QFileDevice::ExeOwner);
        QVERIFY(permissions & QFileDevice::ExeGroup);
        QVERIFY(!(permissions & QFileDevice::ExeOther));
    }

    void shortcutWithoutDesktopName()
    {
        QTemporaryDir temp;
        TreeInstaller installer(QStringLiteral("/opt/Tool"));
        const QString file = temp.filePath(QStringLiteral("x.desktop"));
        QVERIFY(!installer.writeDesktopEntryFile(file, plainLink("Tool", QString()), false));
        QVERIFY(!QFile::exists(file));
        QVERIFY(installer.log.isEmpty());
    }

    void unwritableFile()
    {
        TreeInstaller installer(QStringLiteral("/opt/Tool"));
        const QString file = QStringLiteral("/nonexistent-dir/x.desktop");
        QVERIFY(!installer.writeDesktopEntryFile(file, toolLink(), true));
        QCOMPARE(installer.log, QStringList{QStringLiteral(
                                    "E:Error: Failed to open file for writing: "
                                    "/nonexistent-dir/x.desktop: No such file or directory")});
    }

    void execLines_data()
    {
        QTest::addColumn<QString>("installDirectory");
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("actionExec");
        QTest::addColumn<QByteArray>("exec");
        QTest::addColumn<QByteArray>("actionLine");
        QTest::newRow("placeholder")
            << "/opt/Tool"
            << "--dir <%InstallDir%>/data"
            << "bin/shell" << QByteArray("Exec=\"/opt/Tool/bin/Tool\" --dir /opt/Tool/data")
            << QByteArray("Exec=/opt/Tool/bin/shell");
        QTest::newRow("blank") << "/opt/My Tool"
                               << ""
                               << "bin/shell" << QByteArray("Exec=\"/opt/My Tool/bin/Tool\"")
                               << QByteArray("Exec=\"/opt/My Tool/bin/shell\"");
        QTest::newRow("quote and dollar")
            << "/opt/a\"b$c`d"
            << ""
            << "bin/shell" << QByteArray("Exec=\"/opt/a\\\\\"b\\\\$c\\\\`d/bin/Tool\"")
            << QByteArray("Exec=\"/opt/a\\\\\"b\\\\$c\\\\`d/bin/shell\"");
        QTest::newRow("backslash") << "/opt/a\\b"
                                   << ""
                                   << "bin/shell" << QByteArray("Exec=\"/opt/a\\\\\\\\b/bin/Tool\"")
                                   << QByteArray("Exec=\"/opt/a\\\\\\\\b/bin/shell\"");
        QTest::newRow("percent") << "/opt/100%"
                                 << "-p 5%"
                                 << "bin/shell" << QByteArray("Exec=\"/opt/100%%/bin/Tool\" -p 5%%")
                                 << QByteArray("Exec=/opt/100%%/bin/shell");
        QTest::newRow("single quote in action")
            << "/opt/Tool"
            << ""
            << "bin/it's" << QByteArray("Exec=\"/opt/Tool/bin/Tool\"")
            << QByteArray("Exec=\"/opt/Tool/bin/it's\"");
        QTest::newRow("placeholder in odd directory")
            << "/opt/a b$"
            << "-x <%InstallDir%>/data \"<%InstallDir%>\""
            << "bin/shell"
            << QByteArray("Exec=\"/opt/a b\\\\$/bin/Tool\" -x \"/opt/a b\\\\$/data\" "
                          "\"/opt/a b$\"")
            << QByteArray("Exec=\"/opt/a b\\\\$/bin/shell\"");
        QTest::newRow("line break")
            << "/opt/Tool"
            << "-a\nIcon=evil"
            << "bin/x\ny" << QByteArray("Exec=\"/opt/Tool/bin/Tool\" -a\\nIcon=evil")
            << QByteArray("Exec=\"/opt/Tool/bin/x\\ny\"");
    }

    void execLines()
    {
        QFETCH(QString, installDirectory);
        QFETCH(QString, arguments);
        QFETCH(QString, actionExec);
        QFETCH(QByteArray, exec);
        QFETCH(QByteArray, actionLine);
        QTemporaryDir temp;
        TreeInstaller installer(installDirectory);
        LinkEntry link = toolLink();
        link.arguments = arguments;
        link.actions.first().exec = actionExec;
        const QString file = temp.filePath(QStringLiteral("e.desktop"));
        QVERIFY(installer.writeDesktopEntryFile(file, link, false));
        const QList<QByteArray> lines = TestSupport::readAll(file).split('\n');
        QCOMPARE(lines.size(), 12);
        QCOMPARE(lines.at(4), exec);
        QCOMPARE(lines.at(10), actionLine);
    }

    void lineBreaksCannotAddKeys()
    {
        QTemporaryDir temp;
        TreeInstaller installer(QStringLiteral("/opt/Tool"));
        installer.editSettings().menuCategory = QStringLiteral("Science\nNoDisplay=true");
        LinkEntry link = toolLink();
        link.name = QStringLiteral("Tool\nExec=/bin/evil");
        link.icon = QStringLiteral("tool\\x\r\tz");
        link.actions.first().name = QStringLiteral("Open\nShell");
        const QString file = temp.filePath(QStringLiteral("n.desktop"));
        QVERIFY(installer.writeDesktopEntryFile(file, link, true));
        QCOMPARE(TestSupport::readAll(file),
                 QByteArray("[Desktop Entry]\nValue=1.0\nType=Application\n"
                            "Name=Tool\\nExec=/bin/evil\nExec=\"/opt/Tool/bin/Tool\" -v\n"
                            "Icon=tool\\\\x\\r\\tz\nCategories=Science\\nNoDisplay=true;\n"
                            "Actions=OpenShell\n\n[Desktop Action OpenShell]\n"
                            "Name=Open\\nShell\nExec=/opt/Tool/bin/shell\n"));
    }

    void actionIdentifiers()
    {
        QTemporaryDir temp;
        TreeInstaller installer(QStringLiteral("/opt/Tool"));
        LinkEntry link = plainLink("Tool", "Tool");
        link.actions = {{QStringLiteral("Open  Shell"), QStringLiteral("bin/shell")},
                        {QStringLiteral("Help"), QStringLiteral("bin/help")}};
        const QString file = temp.filePath(QStringLiteral("a.desktop"));
        QVERIFY(installer.writeDesktopEntryFile(file, link, false));
        QCOMPARE(TestSupport::readAll(file),
                 QByteArray("[Desktop Entry]\nValue=1.0\nType=Application\nName=Tool\n"
                            "Exec=\"/opt/Tool/bin/Tool\"\nIcon=tool\nActions=OpenShell;Help\n\n"
                            "[Desktop Action OpenShell]\nName=Open  Shell\n"
                            "Exec=/opt/Tool/bin/shell\n\n\n[Desktop Action Help]\nName=Help\n"
                            "Exec=/opt/Tool/bin/help\n"));
    }

    void menuDirectoryText_data()
    {
        QTest::addColumn<bool>("withLinks");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("first link's icon")
            << true
            << QByteArray("[Desktop Entry]\nValue=1.0\nType=Directory\nName=Tool 1.0\n"
                          "Icon=first\n");
        QTest::newRow("no links") << false
                                  << QByteArray("[Desktop Entry]\nValue=1.0\nType=Directory\n"
                                                "Name=Tool 1.0\nIcon=system-software-install\n");
    }

    void menuDirectoryText()
    {
        QFETCH(bool, withLinks);
        QFETCH(QByteArray, text);
        QTemporaryDir temp;
        TreeInstaller installer(QStringLiteral("/opt/Tool"));
        installer.editSettings().productTitle = QStringLiteral("Tool 1.0");
        if (withLinks)
            installer.editSettings().links = {plainLink("First", "F"), plainLink("Second", "")};
        const QString file = temp.filePath(QStringLiteral("Tool1-menu.directory"));
        QVERIFY(installer.writeMenuDirectoryFile(file));
        QCOMPARE(TestSupport::readAll(file), text);
    }

    // Passes that only write files (no registration) show the naming rules.
    void naming_data()
    {
        QTest::addColumn<bool>("menuEntries");
        QTest::addColumn<QStringList>("desktopNames");
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("menu pass, two links")
            << true << QStringList{"d1", "d2"} << QStringList()
            << QStringList{"S_link1-menu.desktop", "S_link2-menu.desktop", "S_link3-menu.desktop"};
        QTest::newRow("menu pass, existing first")
            << true << QStringList{"d1", "d2"} << QStringList{"S_link1-menu.desktop"}
            << QStringList{"S_link1-menu.desktop", "S_link2-menu.desktop", "S_link3-menu.desktop",
                           "S_link4-menu.desktop"};
        QTest::newRow("desktop pass, two links")
            << false << QStringList{"d1", "d2"} << QStringList()
            << QStringList{"S_link1-desktop.desktop", "S_link2-desktop.desktop"};
        QTest::newRow("desktop pass, empty desktop name")
            << false << QStringList{"", "d2"} << QStringList()
            << QStringList{"S_link2-desktop.desktop"};
        QTest::newRow("desktop pass, existing second")
            << false << QStringList{"d1", "d2"} << QStringList{"S_link2-desktop.desktop"}
            << QStringList{"S_link1-desktop.desktop", "S_link2-desktop.desktop",
                           "S_link3-desktop.desktop"};
    }

    void naming()
    {
        QFETCH(bool, menuEntries);
        QFETCH(QStringList, desktopNames);
        QFETCH(QStringList, existing);
        QFETCH(QStringList, expected);
        QTemporaryDir temp;
        TreeInstaller installer(temp.path());
        ORNAInstallerSettings &settings = installer.editSettings();
        settings.shortApplicationName = QStringLiteral("S");
        settings.uninstallerEnabled = true;
        settings.productTitle = QStringLiteral("Tool 1.0");
        for (int i = 0; i < desktopNames.size(); ++i)
            settings.links.append(plainLink(QStringLiteral("L%1").arg(i), desktopNames.at(i)));
        for (const QString &name : existing)
            QVERIFY(writeFile(installer.desktopEntriesDirectory() + name, "old"));
        installer.createDesktopEntries(menuEntries, false, false);
        QCOMPARE(fileNames(installer.desktopEntriesDirectory()), expected);
        for (const QString &name : existing)
            QCOMPARE(TestSupport::readAll(installer.desktopEntriesDirectory() + name),
                     QByteArray("old"));
        QVERIFY(installer.log.isEmpty());
        if (menuEntries) {
            const QByteArray uninstallEntry =
                TestSupport::readAll(installer.desktopEntriesDirectory() + expected.last());
            QVERIFY(uninstallEntry.contains("\nName=Uninstall Tool 1.0\nExec=\"" +
                                            temp.path().toUtf8() +
                                            "/uninstall\"\nIcon=edit-delete\n"));
        }
    }

    void iconTree()
    {
        QTemporaryDir temp;
        IconRecorder installer(QStringLiteral("/opt/Tool"));
        installer.installIcons();
        QVERIFY(installer.icons.isEmpty());

        IconRecorder recorder(temp.path());
        const QString icons = temp.filePath(QStringLiteral("bin/icons/"));
        QVERIFY(writeFile(icons + "48x48/tool.png", "png"));
        QVERIFY(writeFile(icons + "scalable/tool.svg", "svg"));
        QVERIFY(writeFile(icons + "16x16.old/old.png", "png"));
        QVERIFY(writeFile(icons + "x32.png", "file"));
        QVERIFY(QDir().mkpath(icons + "64x64/sub"));
        recorder.installIcons();
        recorder.icons.sort();
        QCOMPARE(recorder.icons, (QStringList{"16 " + icons + "16x16.old/old.png",
                                              "48 " + icons + "48x48/tool.png"}));
    }

    void runArguments_data()
    {
        QTest::addColumn<QString>("parameters");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("empty") << "" << QStringList();
        QTest::newRow("two blanks") << "a  b" << QStringList{"a", "", "b"};
        QTest::newRow("placeholder") << "--dir <%InstallDir%>/x <%installdir%>"
                                     << QStringList{"--dir", "/opt/My Tool/x", "<%installdir%>"};
        QTest::newRow("placeholder alone") << "<%InstallDir%>" << QStringList{"/opt/My Tool"};
        QTest::newRow("trailing blank") << "a " << QStringList{"a", ""};
    }

    void runArguments()
    {
        QFETCH(QString, parameters);
        QFETCH(QStringList, arguments);
        QCOMPARE(ORNADesktopEntryText::runArguments(parameters, QStringLiteral("/opt/My Tool")),
                 arguments);
    }

    void appendedFavorites_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("expected");
        QTest::newRow("one entry") << "['a.desktop']"
                                   << "/opt/Tool/x.desktop"
                                   << "['a.desktop', '/opt/Tool/x.desktop']";
        QTest::newRow("empty brackets") << "[]"
                                        << "/x.desktop"
                                        << "['/x.desktop']";
        QTest::newRow("typed empty list") << "@as []"
                                          << "/x.desktop"
                                          << "";
        QTest::newRow("not a list") << "oops"
                                    << "/x.desktop"
                                    << "";
        QTest::newRow("odd path") << "[]"
                                  << "/opt/it's\\x"
                                  << "['/opt/it\\'s\\\\x']";
    }

    void appendedFavorites()
    {
        QFETCH(QString, list);
        QFETCH(QString, file);
        QFETCH(QString, expected);
        QCOMPARE(ORNAUnityLauncher::appendedList(list, file), expected);
    }

    void parsedFavorites_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("typed empty") << "@as []" << true << QStringList();
        QTest::newRow("mixed quotes") << "[\"it's\", 'c\\\\d', 'e\\nf', 'g\\u00e9']" << true
                                      << QStringList{"it's", "c\\d", "e\nf", "g\u00e9"};
        QTest::newRow("unterminated") << "['a" << false << QStringList();
        QTest::newRow("missing comma") << "['a' 'b']" << false << QStringList();
        QTest::newRow("bare word") << "[a]" << false << QStringList();
    }

    void parsedFavorites()
    {
        QFETCH(QString, list);
        QFETCH(bool, ok);
        QFETCH(QStringList, entries);
        QStringList parsed;
        QCOMPARE(ORNAUnityLauncher::parseList(list, parsed), ok);
        if (ok)
            QCOMPARE(parsed, entries);
    }

    // Every written file passes the validator; only the installer's own Value key is reported.
    void validatorAcceptsFiles()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate")).isEmpty())
            QSKIP("desktop-file-validate is not installed");
        QTemporaryDir temp;
        const QString installDirectory = temp.filePath(QStringLiteral("My \"odd\" $dir 100%"));
        TreeInstaller installer(installDirectory);
        ORNAInstallerSettings &settings = installer.editSettings();
        settings.shortApplicationName = QStringLiteral("S");
        settings.menuCategory = QStringLiteral("Science");
        settings.productTitle = QStringLiteral("Tool 1.0");
        settings.uninstallerEnabled = true;
        LinkEntry link = toolLink();
        link.arguments = QStringLiteral("--dir <%InstallDir%>/data");
        link.actions.append({QStringLiteral("Odd\nName"), QStringLiteral("bin/it's here")});
        settings.links = {link, plainLink("Second", "")};
        installer.createDesktopEntries(false, false, false);
        installer.createDesktopEntries(true, false, false);
        QVERIFY(installer.writeMenuDirectoryFile(installer.desktopEntriesDirectory() +
                                                 QStringLiteral("S1-menu.directory")));
        const QStringList files = fileNames(installer.desktopEntriesDirectory());
        QCOMPARE(files.size(), 5);
        for (const QString &name : files) {
            const QString path = installer.desktopEntriesDirectory() + name;
            const TestSupport::ProcessResult result =
                TestSupport::runProgram(QStringLiteral("desktop-file-validate"), {path});
            const QString report = QString::fromUtf8(result.standardOutput + result.standardError);
            for (const QString &line : report.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
                QVERIFY2(line.contains(QStringLiteral("\"Value\"")), qPrintable(line));
        }
    }
};

QTEST_MAIN(DesktopIntegrationTest)
#include "tst_desktopIntegration.moc"
