#ifndef ORNAINSTALLERSETTINGS_H
#define ORNAINSTALLERSETTINGS_H

#include <QList>
#include <QString>

struct InstallerOptions;
class ORNATree;

// One action of a desktop entry ("[Desktop Action ...]").
struct LinkAction
{
    QString name;
    QString exec;
};

// One configured desktop link: a menu entry and, with a desktop name, a desktop shortcut.
struct LinkEntry
{
    QString application;
    QString arguments;
    QString desktopName;
    QString icon;
    QString name;
    QList<LinkAction> actions;
};

// Texts and options of the wizard's last page.
struct InstallerFinishPage
{
    bool present = false;
    QString title;
    bool title3Lines = false;
    QString text;
    QString runCommand;
    bool runCheckBoxNotChecked = false;
    QString runCommandParameters;
    QString runCommandText;
    QString showReadmeFile;
    bool showReadmeCheckBoxNotChecked = false;
    QString showReadmeText;
    QString bottomLinkTitle;
    QString bottomLinkLocation;
};

// Every value of installer.settings; filled once on construction, read-only afterwards.
class ORNAInstallerSettings
{
public:
    ORNAInstallerSettings() = default;
    explicit ORNAInstallerSettings(const InstallerOptions &options);

    QString licenseText;
    QString readmeText;
    QString logoImage;
    QString bannerImage;
    QString watermarkImage;
    QString applicationDebug;
    QString applicationRelease;
    QString branding;
    QString company;
    QString installerTargetDirectory;
    QString product;
    QString productMenu;
    QString productTitle;
    QString productVendor;
    QString shortApplicationName;
    QString version;
    InstallerFinishPage finishPage;
    QString menuCategory;
    QList<LinkEntry> links;
    bool hasLinks = false;
    bool runHalvaronInstall = false;
    bool runPackageManagerCleanup = false;
    bool uninstallerEnabled = false;

private:
    void read(const QString &settingsFile);
};

#endif // ORNAINSTALLERSETTINGS_H
