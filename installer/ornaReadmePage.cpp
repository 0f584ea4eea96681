#include "ornaReadmePage.h"

// TODO-STUB: replaced by the wizard
ORNAReadmePage::ORNAReadmePage(const QString &, QWidget *parent) : QWizardPage(parent) {}
