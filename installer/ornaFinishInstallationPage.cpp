#include "ornaFinishInstallationPage.h"

// TODO-STUB: replaced by the wizard
ORNAFinishInstallationPage::ORNAFinishInstallationPage(const InstallerFinishPage &,
                                                       QWidget *parent)
    : QWizardPage(parent)
{
}
bool ORNAFinishInstallationPage::isRunChecked() const { return false; }
bool ORNAFinishInstallationPage::isReadmeChecked() const { return false; }
void ORNAFinishInstallationPage::openBottomLink(const QString &) {}
