#include "ornaUninstallerProgressPage.h"

// TODO-STUB: replaced by the wizard
ORNAUninstallerProgressPage::ORNAUninstallerProgressPage(const QString &, QWidget *parent)
    : QWizardPage(parent), logEdit(nullptr), progressBar(nullptr)
{
}
void ORNAUninstallerProgressPage::appendMessage(const QString &) {}
void ORNAUninstallerProgressPage::appendError(const QString &) {}
void ORNAUninstallerProgressPage::setFinished() {}
