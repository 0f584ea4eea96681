#include "ornaInstallerBase.h"

// TODO-STUB: replaced by the wizard
void ORNAInstallerBase::createWizard() {}
void ORNAInstallerBase::showWizard() {}
