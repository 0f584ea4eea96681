#include "ornaUninstallerWelcomePage.h"

// TODO-STUB: replaced by the wizard
ORNAUninstallerWelcomePage::ORNAUninstallerWelcomePage(const QString &, const QString &,
                                                       QWidget *parent)
    : QWizardPage(parent)
{
}
