#include "ornaLicensePage.h"

// TODO-STUB: replaced by the wizard
ORNALicensePage::ORNALicensePage(const QString &, QWidget *parent)
    : QWizardPage(parent), acceptButton(nullptr), declineButton(nullptr)
{
}
bool ORNALicensePage::isLicenseAccepted() const { return false; }
