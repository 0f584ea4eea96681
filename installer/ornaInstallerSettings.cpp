#include "ornaInstallerSettings.h"

#include "installerOptions.h"
#include "ornaFile.h"
#include "ornaKTFParser.h"
#include "ornaLogging.h"
#include "ornaTree.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QStringDecoder>

namespace {

const int maximumLinks = 8;
const int maximumActions = 8;

// Reads keys below one node; every lookup takes the first child of that name.
class SettingsNode
{
public:
    SettingsNode(const ORNATree *node, const QString &settingsFile)
        : m_node(node), m_settingsFile(settingsFile)
    {}

    QString text(const QString &key) const
    {
        const ORNATree *child = m_node->findChild(key);
        return child ? child->value() : QString();
    }

    QString mandatoryText(const QString &key) const
    {
        const ORNATree *child = m_node->findChild(key);
        if (!child) {
            ORNA_ERROR("ORNAInstallerSettings",
                       "Failed to parse settings: " << key << " tag not found");
            return QString();
        }
        return child->value();
    }

    QString textOr(const QString &key, const QString &fallback) const
    {
        const ORNATree *child = m_node->findChild(key);
        return child ? child->value() : fallback;
    }

    bool boolean(const QString &key) const
    {
        const ORNATree *child = m_node->findChild(key);
        return child && child->toBool();
    }

    // A picture or icon path: kept as written, reported when it names nothing.
    QString path(const QString &key) const
    {
        const QString value = text(key);
        if (!value.isEmpty() && !QFileInfo::exists(value))
            ORNA_ERROR("ORNAInstallerSettings", "Error in " << m_settingsFile << ": " << key
                                                            << " does not exist: " << value);
        return value;
    }

    // The whole text of the file the key names.
    QString fileText(const QString &key) const
    {
        const QString value = text(key);
        if (value.isEmpty())
            return QString();
        if (!QFile::exists(value)) {
            ORNA_ERROR("ORNAInstallerSettings", "Given " << key << " does not exist: " << value);
            return QString();
        }
        // Only a regular file of bounded size is read: a FIFO or a device could hang or never end.
        const ORNAFileContent content = ORNAFile::readWholeFile(value, true);
        if (!content.error.isEmpty()) {
            ORNA_ERROR("ORNAInstallerSettings",
                       "Failed to read " << value << ": " << content.error);
            return QString();
        }
        QStringDecoder decoder(QStringDecoder::System);
        return decoder(content.data);
    }

private:
    const ORNATree *m_node;
    QString m_settingsFile;
};

QString linkKey(int link, const char *field)
{
    return QStringLiteral("link") + QString::number(link) + QLatin1String(field);
}

QString actionKey(int link, int action, const char *field)
{
    return linkKey(link, "Action") + QString::number(action) + QLatin1String(field);
}

LinkEntry readLink(const SettingsNode &node, int n)
{
    LinkEntry link;
    link.application = node.mandatoryText(linkKey(n, "Application"));
    link.arguments = node.text(linkKey(n, "Arguments"));
    link.desktopName = node.text(linkKey(n, "DesktopName"));
    link.icon = node.mandatoryText(linkKey(n, "Icon"));
    link.name = node.mandatoryText(linkKey(n, "Name"));
    for (int m = 1; m <= maximumActions; ++m) {
        if (!node.boolean(actionKey(n, m, "")))
            continue;
        LinkAction action;
        action.name = node.mandatoryText(actionKey(n, m, "Name"));
        action.exec = node.mandatoryText(actionKey(n, m, "Exec"));
        link.actions.append(action);
    }
    return link;
}

InstallerFinishPage readFinishPage(const SettingsNode &node, const QString &defaultRunCommand,
                                   const QString &productTitle)
{
    InstallerFinishPage page;
    page.present = true;
    page.title = node.textOr(QStringLiteral("title"), QStringLiteral("Installation Finished"));
    page.title3Lines = node.boolean(QStringLiteral("title3Lines"));
    page.text =
        node.textOr(QStringLiteral("text"), QStringLiteral("The installation has finished."));
    page.runCommand = node.textOr(QStringLiteral("runCommand"), defaultRunCommand);
    page.runCommandParameters = node.text(QStringLiteral("runCommandParameters"));
    page.runCommandText =
        node.textOr(QStringLiteral("runCommandText"), QStringLiteral("Start ") + productTitle);
    page.runCheckBoxNotChecked = node.boolean(QStringLiteral("runCheckBoxNotChecked"));
    page.showReadmeFile = node.text(QStringLiteral("showReadmeFile"));
    page.showReadmeCheckBoxNotChecked =
        node.boolean(QStringLiteral("showReadmeCheckBoxNotChecked"));
    page.showReadmeText = node.text(QStringLiteral("showReadmeText"));
    page.bottomLinkLocation = node.text(QStringLiteral("bottomLinkLocation"));
    page.bottomLinkTitle = node.textOr(QStringLiteral("bottomLinkTitle"), page.bottomLinkLocation);
    return page;
}

bool isGraphicalApplication()
{
    return qobject_cast<QApplication *>(QCoreApplication::instance()) != nullptr;
}

} // namespace

ORNAInstallerSettings::ORNAInstallerSettings(const InstallerOptions &options)
{
    read(options.settingsFile);
}

void ORNAInstallerSettings::read(const QString &settingsFile)
{
    *this = ORNAInstallerSettings();

    ORNAKTFParser parser(1);
    ORNATree *root = parser.root();
    if (!parser.parseFile(settingsFile, true))
        ORNA_ERROR("ORNAInstallerSettings",
                   "Failed to parse " << settingsFile << ": " << parser.errorString());
    const ORNATree *settingsNode = root ? root->findChild(QStringLiteral("Settings")) : nullptr;
    if (!settingsNode) {
        ORNA_ERROR("ORNAInstallerSettings",
                   "Failed to parse " << settingsFile << ": Settings tag not found");
        return;
    }
    const SettingsNode node(settingsNode, settingsFile);

    branding = node.text(QStringLiteral("branding"));
    company = node.text(QStringLiteral("company"));
    product = node.mandatoryText(QStringLiteral("product"));
    productMenu = node.text(QStringLiteral("productMenu"));
    productTitle = node.text(QStringLiteral("productTitle"));
    productVendor = node.text(QStringLiteral("productVendor"));
    shortApplicationName = node.mandatoryText(QStringLiteral("shortApplicationName"));
    version = node.text(QStringLiteral("version"));
    const QString addOnForProduct = node.text(QStringLiteral("addOnForProduct"));

    if (addOnForProduct.isEmpty()) {
        installerTargetDirectory = node.mandatoryText(QStringLiteral("installerTargetDirectory"));
        if (productTitle.isEmpty())
            productTitle = product + QLatin1Char(' ') + version;
    } else {
        const QString addOnDirectory =
            node.mandatoryText(QStringLiteral("addOnForProductInstallDirectory"));
        const QString addOnTitle = node.mandatoryText(QStringLiteral("addOnForProductTitle"));
        productTitle = (productTitle.isEmpty() ? product : productTitle) + QStringLiteral(" for ") +
                       addOnTitle;
        installerTargetDirectory = addOnDirectory;
    }

    logoImage = node.path(QStringLiteral("logoImage"));
    bannerImage = node.path(QStringLiteral("bannerImage"));
    watermarkImage = node.path(QStringLiteral("watermarkImage"));
    licenseText = node.fileText(QStringLiteral("licenseFile"));
    readmeText = node.fileText(QStringLiteral("readmeFile"));
    applicationDebug = node.text(QStringLiteral("applicationDebug"));
    applicationRelease = node.text(QStringLiteral("applicationRelease"));
    runHalvaronInstall = node.boolean(QStringLiteral("runHalvaronInstall"));
    runPackageManagerCleanup = node.boolean(QStringLiteral("runPackageManagerCleanup"));
    uninstallerEnabled = node.boolean(QStringLiteral("uninstallerEnabled"));

    if (isGraphicalApplication()) {
        const QString icon = node.path(QStringLiteral("installerIcon"));
        if (!icon.isEmpty())
            QApplication::setWindowIcon(QIcon(icon));
    }

    menuCategory = node.text(QStringLiteral("menuCategory"));
    for (int n = 1; n <= maximumLinks; ++n) {
        if (node.boolean(linkKey(n, "")))
            links.append(readLink(node, n));
    }
    hasLinks = !links.isEmpty();

    if (const ORNATree *pageNode = settingsNode->findChild(QStringLiteral("InstallerFinishPage"))) {
        const QString defaultRunCommand =
            applicationRelease.isEmpty() ? applicationDebug : applicationRelease;
        finishPage =
            readFinishPage(SettingsNode(pageNode, settingsFile), defaultRunCommand, productTitle);
    }
}
