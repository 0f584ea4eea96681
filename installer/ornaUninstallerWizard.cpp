#include "ornaUninstaller.h"

// TODO-STUB: replaced by the wizard
void ORNAUninstaller::setupWizard() {}
void ORNAUninstaller::currentPageChanged(int) {}
