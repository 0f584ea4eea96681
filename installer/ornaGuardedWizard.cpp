#include "ornaGuardedWizard.h"

ORNAGuardedWizard::ORNAGuardedWizard(std::function<bool()> mayClose)
    : QWizard(nullptr, Qt::WindowFlags()), mayClose(std::move(mayClose))
{}

void ORNAGuardedWizard::reject()
{
    if (mayClose && !mayClose())
        return;
    QWizard::reject();
}
