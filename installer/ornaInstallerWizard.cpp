#include "ornaInstaller.h"

// TODO-STUB: replaced by the wizard
void ORNAInstaller::setupWizard() {}
void ORNAInstaller::setProgressMaximum(int) {}
void ORNAInstaller::currentPageChanged(int) {}
void ORNAInstaller::startInstallation() {}
void ORNAInstaller::licenseAgreementAcceptanceToggled() {}
