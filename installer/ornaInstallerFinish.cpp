#include "ornaInstaller.h"

// TODO-STUB: replaced by the installed-tree work
bool ORNAInstaller::finishSteps() { return false; }
bool ORNAInstaller::createUninstaller() { return false; }
