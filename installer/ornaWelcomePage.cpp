#include "ornaWelcomePage.h"

// TODO-STUB: replaced by the wizard
ORNAWelcomePage::ORNAWelcomePage(const QString &, QWidget *parent) : QWizardPage(parent) {}
