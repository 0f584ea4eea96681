#include "ornaDesktopEntryText.h"
#include "ornaUnityLauncher.h"
#include "treeTestEngines.h"

#include "ornaBase.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

// A link as the settings give it: "Name" runs bin/<name>, one action per "name=exec" pair.
LinkEntry link(const QString &name, const QString &desktopName = {},
               const QStringList &actions = {}, const QString &arguments = {})
{
    LinkEntry link;
    link.application = QStringLiteral("bin/") + name;
    link.arguments = arguments;
    link.desktopName = desktopName;
    link.icon = name.toLower();
    link.name = name;
    for (const QString &action : actions)
        link.actions.append(
            {action.section(QLatin1Char('='), 0, 0), action.section(QLatin1Char('='), 1)});
    return link;
}

const QByteArray entryStart = "[Desktop Entry]\nValue=1.0\nType=Application\n";

} // namespace

Q_DECLARE_METATYPE(LinkEntry)

// The desktop files the installer writes, their names and escaping, the launcher favourites.
class DesktopIntegrationTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { ORNABase::initialize(); }

    void entryFiles_data()
    {
        QTest::addColumn<QString>("category");
        QTest::addColumn<LinkEntry>("link");
        QTest::addColumn<bool>("menu");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("menu entry")
            << "Science" << link("Tool", "Tool Desktop", {"Open Shell=bin/shell"}, "-v") << true
            << entryStart + "Name=Tool\nExec=\"/opt/Tool/bin/Tool\" -v\nIcon=tool\n"
                            "Categories=Science;\nActions=OpenShell\n\n[Desktop Action OpenShell]\n"
                            "Name=Open Shell\nExec=/opt/Tool/bin/shell\n";
        QTest::newRow("desktop shortcut")
            << "" << link("Tool", "My Tool") << false
            << entryStart + "Name=My Tool\nExec=\"/opt/Tool/bin/Tool\"\nIcon=tool\n";
        QTest::newRow("action identifiers")
            << "" << link("Tool", "Tool", {"Open  Shell=bin/shell", "Help=bin/help"}) << false
            << entryStart + "Name=Tool\nExec=\"/opt/Tool/bin/Tool\"\nIcon=tool\n"
                            "Actions=OpenShell;Help\n\n[Desktop Action OpenShell]\n"
                            "Name=Open  Shell\nExec=/opt/Tool/bin/shell\n\n\n"
                            "[Desktop Action Help]\nName=Help\nExec=/opt/Tool/bin/help\n";
        LinkEntry odd = link("Tool", "", {"Open\nShell=bin/shell"}, "-v");
        odd.name = QStringLiteral("Tool\nExec=/bin/evil");
        odd.icon = QStringLiteral("tool\\x\r\tz");
        QTest::newRow("line breaks cannot add keys")
            << "Science\nNoDisplay=true" << odd << true
            << entryStart + "Name=Tool\\nExec=/bin/evil\nExec=\"/opt/Tool/bin/Tool\" -v\n"
                            "Icon=tool\\\\x\\r\\tz\nCategories=Science\\nNoDisplay=true;\n"
                            "Actions=OpenShell\n\n[Desktop Action OpenShell]\n"
                            "Name=Open\\nShell\nExec=/opt/Tool/bin/shell\n";
    }
    void entryFiles()
    {
        QFETCH(QString, category);
        QFETCH(LinkEntry, link);
        QFETCH(bool, menu);
        QFETCH(QByteArray, text);
        QTemporaryDir temp;
        ORNAInstallerSettings settings;
        settings.menuCategory = category;
        TreeInstaller installer(QStringLiteral("/opt/Tool"), settings);
        const QString file = temp.filePath(QStringLiteral("e.desktop"));
        QVERIFY(installer.writeDesktopEntryFile(file, link, menu));
        QCOMPARE(readAll(file), text);
        // Shortcuts on the desktop must be executable to be trusted; menu entries need not.
        const QFile::Permissions permissions = QFile::permissions(file);
        QCOMPARE(bool(permissions & QFileDevice::ExeOwner), !menu);
        QCOMPARE(bool(permissions & QFileDevice::ExeGroup), !menu);
        QVERIFY(!(permissions & QFileDevice::ExeOther));
        QVERIFY(installer.log.isEmpty());
    }

    void entryFileFailures()
    {
        TreeInstaller installer(QStringLiteral("/opt/Tool"));
        QTemporaryDir temp;
        const QString file = temp.filePath(QStringLiteral("x.desktop"));
        QVERIFY(!installer.writeDesktopEntryFile(file, link("Tool"), false)); // no desktop name
        QVERIFY(!QFile::exists(file));
        QVERIFY(installer.log.isEmpty());
        QVERIFY(!installer.writeDesktopEntryFile("/nonexistent-dir/x.desktop", link("Tool"), true));
        QCOMPARE(installer.log,
                 QStringList{"E:Error: Failed to open file for writing: "
                             "/nonexistent-dir/x.desktop: No such file or directory"});
    }

    void execLines_data()
    {
        QTest::addColumn<QString>("installDirectory");
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("actionExec");
        QTest::addColumn<QByteArray>("exec");
        QTest::addColumn<QByteArray>("actionLine");
        const auto row = [](const char *name, const char *directory, const char *arguments,
                            const char *action, const char *exec, const char *actionLine) {
            QTest::newRow(name) << QString::fromUtf8(directory) << QString::fromUtf8(arguments)
                                << QString::fromUtf8(action) << QByteArray(exec)
                                << QByteArray(actionLine);
        };
        row("placeholder", "/opt/Tool", "--dir <%InstallDir%>/data", "bin/shell",
            "Exec=\"/opt/Tool/bin/Tool\" --dir /opt/Tool/data", "Exec=/opt/Tool/bin/shell");
        row("blank", "/opt/My Tool", "", "bin/shell", "Exec=\"/opt/My Tool/bin/Tool\"",
            "Exec=\"/opt/My Tool/bin/shell\"");
        row("quote and dollar", "/opt/a\"b$c`d", "", "bin/shell",
            "Exec=\"/opt/a\\\\\"b\\\\$c\\\\`d/bin/Tool\"",
            "Exec=\"/opt/a\\\\\"b\\\\$c\\\\`d/bin/shell\"");
        row("backslash", "/opt/a\\b", "", "bin/shell", "Exec=\"/opt/a\\\\\\\\b/bin/Tool\"",
            "Exec=\"/opt/a\\\\\\\\b/bin/shell\"");
        row("percent", "/opt/100%", "-p 5%", "bin/shell", "Exec=\"/opt/100%%/bin/Tool\" -p 5%%",
            "Exec=/opt/100%%/bin/shell");
        row("single quote in action", "/opt/Tool", "", "bin/it's", "Exec=\"/opt/Tool/bin/Tool\"",
            "Exec=\"/opt/Tool/bin/it's\"");
        row("placeholder in odd directory", "/opt/a b$",
            "-x <%InstallDir%>/data \"<%InstallDir%>\"", "bin/shell",
            "Exec=\"/opt/a b\\\\$/bin/Tool\" -x \"/opt/a b\\\\$/data\" \"/opt/a b$\"",
            "Exec=\"/opt/a b\\\\$/bin/shell\"");
        row("line break", "/opt/Tool", "-a\nIcon=evil", "bin/x\ny",
            "Exec=\"/opt/Tool/bin/Tool\" -a\\nIcon=evil", "Exec=\"/opt/Tool/bin/x\\ny\"");
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
        const QString file = temp.filePath(QStringLiteral("e.desktop"));
        QVERIFY(installer.writeDesktopEntryFile(
            file, link("Tool", "Tool", {"Open Shell=" + actionExec}, arguments), false));
        const QList<QByteArray> lines = readAll(file).split('\n');
        QCOMPARE(lines.size(), 12);
        QCOMPARE(lines.at(4), exec);
        QCOMPARE(lines.at(10), actionLine);
    }

    void menuDirectoryText_data()
    {
        QTest::addColumn<bool>("withLinks");
        QTest::addColumn<QByteArray>("icon");
        QTest::newRow("first link's icon") << true << QByteArray("first");
        QTest::newRow("no links") << false << QByteArray("system-software-install");
    }
    void menuDirectoryText()
    {
        QFETCH(bool, withLinks);
        QFETCH(QByteArray, icon);
        QTemporaryDir temp;
        ORNAInstallerSettings settings;
        settings.productTitle = QStringLiteral("Tool 1.0");
        if (withLinks)
            settings.links = {link("First", "F"), link("Second")};
        TreeInstaller installer(QStringLiteral("/opt/Tool"), settings);
        const QString file = temp.filePath(QStringLiteral("Tool1-menu.directory"));
        QVERIFY(installer.writeMenuDirectoryFile(file));
        QCOMPARE(readAll(file),
                 "[Desktop Entry]\nValue=1.0\nType=Directory\nName=Tool 1.0\nIcon=" + icon + '\n');
    }

    // Passes that only write files (no registration) show the naming rules.
    void naming_data()
    {
        QTest::addColumn<bool>("menuEntries");
        QTest::addColumn<QStringList>("desktopNames");
        QTest::addColumn<QString>("existing");
        QTest::addColumn<QString>("expected"); // numbers of the files written
        QTest::newRow("menu pass") << true << QStringList{"d1", "d2"} << ""
                                   << "1 2 3";
        QTest::newRow("menu pass, existing first")
            << true << QStringList{"d1", "d2"} << "S_link1-menu.desktop"
            << "1 2 3 4";
        QTest::newRow("desktop pass") << false << QStringList{"d1", "d2"} << ""
                                      << "1 2";
        QTest::newRow("desktop pass, empty desktop name") << false << QStringList{"", "d2"} << ""
                                                          << "2";
        QTest::newRow("desktop pass, existing second")
            << false << QStringList{"d1", "d2"} << "S_link2-desktop.desktop"
            << "1 2 3";
    }
    void naming()
    {
        QFETCH(bool, menuEntries);
        QFETCH(QStringList, desktopNames);
        QFETCH(QString, existing);
        QFETCH(QString, expected);
        QTemporaryDir temp;
        ORNAInstallerSettings settings;
        settings.shortApplicationName = QStringLiteral("S");
        settings.uninstallerEnabled = true;
        settings.productTitle = QStringLiteral("Tool 1.0");
        for (int i = 0; i < desktopNames.size(); ++i)
            settings.links.append(link(QStringLiteral("L%1").arg(i), desktopNames.at(i)));
        TreeInstaller installer(temp.path(), settings);
        const QString directory = installer.desktopEntriesDirectory();
        if (!existing.isEmpty())
            QVERIFY(writeFile(directory + existing, "old"));
        installer.createDesktopEntries(menuEntries, false, false);
        QStringList names;
        for (const QString &number : expected.split(QLatin1Char(' ')))
            names << QStringLiteral("S_link%1-%2.desktop")
                         .arg(number, menuEntries ? "menu" : "desktop");
        QCOMPARE(TestSupport::fileNames(directory), names);
        if (!existing.isEmpty())
            QCOMPARE(readAll(directory + existing), QByteArray("old"));
        QVERIFY(installer.log.isEmpty());
        if (menuEntries) // the last menu entry uninstalls
            QVERIFY(readAll(directory + names.last())
                        .contains("\nName=Uninstall Tool 1.0\nExec=\"" + temp.path().toUtf8() +
                                  "/uninstall\"\nIcon=edit-delete\n"));
    }

    void iconTree()
    {
        QTemporaryDir temp;
        IconRecorder recorder(temp.path());
        const QString icons = temp.filePath(QStringLiteral("bin/icons/"));
        for (const char *file :
             {"48x48/tool.png", "scalable/tool.svg", "16x16.old/old.png", "x32.png"})
            QVERIFY(writeFile(icons + QLatin1String(file), "png"));
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
        QTest::newRow("blanks") << "a  b " << QStringList{"a", "", "b", ""};
        QTest::newRow("placeholder") << "--dir <%InstallDir%>/x <%installdir%>"
                                     << QStringList{"--dir", "/opt/My Tool/x", "<%installdir%>"};
    }
    void runArguments()
    {
        QFETCH(QString, parameters);
        QFETCH(QStringList, arguments);
        QCOMPARE(ORNADesktopEntryText::runArguments(parameters, QStringLiteral("/opt/My Tool")),
                 arguments);
    }

    void favorites_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("expected"); // empty: left alone
        QTest::newRow("one entry") << "['a.desktop']"
                                   << "/opt/x.desktop"
                                   << "['a.desktop', '/opt/x.desktop']";
        QTest::newRow("odd path") << "[]"
                                  << "/opt/it's\\x"
                                  << "['/opt/it\\'s\\\\x']";
        for (const char *untouched : {"@as []", "oops", "['a"})
            QTest::newRow(untouched) << untouched << "/x.desktop"
                                     << "";
    }
    void favorites()
    {
        QFETCH(QString, list);
        QFETCH(QString, file);
        QFETCH(QString, expected);
        QCOMPARE(ORNAUnityLauncher::appendedList(list, file), expected);
    }

    // The uninstaller takes its entry out of the list it reads back.
    void parsedFavorites_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QStringList>("entries"); // {"-"}: not a list
        QTest::newRow("typed empty") << "@as []" << QStringList();
        QTest::newRow("mixed quotes") << "[\"it's\", 'c\\\\d', 'e\\nf', 'g\\u00e9']"
                                      << QStringList{"it's", "c\\d", "e\nf", "g\u00e9"};
        for (const char *broken : {"['a", "['a' 'b']", "[a]"})
            QTest::newRow(broken) << broken << QStringList{"-"};
    }
    void parsedFavorites()
    {
        QFETCH(QString, list);
        QFETCH(QStringList, entries);
        QStringList parsed;
        QCOMPARE(ORNAUnityLauncher::parseList(list, parsed), entries != QStringList{"-"});
        if (entries != QStringList{"-"})
            QCOMPARE(parsed, entries);
    }

    // Every written file passes the validator; only the installer's own Value key is reported.
    void validatorAcceptsFiles()
    {
        QTemporaryDir temp;
        ORNAInstallerSettings settings;
        settings.shortApplicationName = QStringLiteral("S");
        settings.menuCategory = QStringLiteral("Science");
        settings.productTitle = QStringLiteral("Tool 1.0");
        settings.uninstallerEnabled = true;
        settings.links = {link("Tool", "Tool Desktop",
                               {"Open Shell=bin/shell", "Odd\nName=bin/it's here"},
                               "--dir <%InstallDir%>/data"),
                          link("Second")};
        TreeInstaller installer(temp.filePath(QStringLiteral("My \"odd\" $dir 100%")), settings);
        installer.createDesktopEntries(false, false, false);
        installer.createDesktopEntries(true, false, false);
        const QString directory = installer.desktopEntriesDirectory();
        QVERIFY(installer.writeMenuDirectoryFile(directory + QStringLiteral("S1-menu.directory")));
        const QStringList files = TestSupport::fileNames(directory);
        QCOMPARE(files.size(), 5);
        for (const QString &name : files) {
            const TestSupport::ProcessResult result = TestSupport::runProgram(
                QStringLiteral("desktop-file-validate"), {directory + name});
            QVERIFY(result.started);
            for (const QByteArray &line :
                 (result.standardOutput + result.standardError).split('\n'))
                QVERIFY2(line.isEmpty() || line.contains("\"Value\""), line.constData());
        }
    }
};

QTEST_MAIN(DesktopIntegrationTest)
#include "tst_desktopIntegration.moc"
