#include "ornaInstallDirectoryPage.h"

// TODO-STUB: replaced by the wizard
ORNAInstallDirectoryPage::ORNAInstallDirectoryPage(const QString &, const QString &, bool,
                                                   QWidget *parent)
    : QWizardPage(parent), directoryEdit(nullptr)
{
}
QString ORNAInstallDirectoryPage::installationDirectory() const { return QString(); }
bool ORNAInstallDirectoryPage::createDesktopShortcuts() const { return false; }
bool ORNAInstallDirectoryPage::createMenuEntries() const { return false; }
void ORNAInstallDirectoryPage::browseInstallationDirectory() {}
