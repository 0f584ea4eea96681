#ifndef ORNAGUARDEDWIZARD_H
#define ORNAGUARDEDWIZARD_H

#include <QWizard>

#include <functional>

// A wizard that asks before it goes away: Cancel, Escape and closing the window all end in
// reject(), which closes only when the guard agrees.
class ORNAGuardedWizard : public QWizard
{
    Q_OBJECT

public:
    explicit ORNAGuardedWizard(std::function<bool()> mayClose);

    void reject() override;

private:
    std::function<bool()> mayClose;
};

#endif // ORNAGUARDEDWIZARD_H
