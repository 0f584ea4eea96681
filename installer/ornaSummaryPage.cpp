#include "ornaSummaryPage.h"

// TODO-STUB: replaced by the wizard
ORNASummaryPage::ORNASummaryPage(QWidget *parent) : QWizardPage(parent), summaryLabel(nullptr) {}
void ORNASummaryPage::setSummaryText(const QString &) {}
