#include "ornaProgressPage.h"

// TODO-STUB: replaced by the wizard
ORNAProgressPage::ORNAProgressPage(const QString &, QWidget *parent)
    : QWizardPage(parent), logEdit(nullptr), progressBar(nullptr)
{
}
void ORNAProgressPage::setProgressMaximum(int) {}
void ORNAProgressPage::setProgressValue(int) {}
void ORNAProgressPage::setProgressToMaximum() {}
void ORNAProgressPage::appendMessage(const QString &) {}
void ORNAProgressPage::appendError(const QString &) {}
