#ifndef ORNALICENSEPAGE_H
#define ORNALICENSEPAGE_H

#include <QWizardPage>

class QRadioButton;

// Shows the licence and asks for acceptance; the engine enables Next only after accepting.
class ORNALicensePage : public QWizardPage
{
    Q_OBJECT

public:
    explicit ORNALicensePage(const QString &licenseText, QWidget *parent = nullptr);

    bool isLicenseAccepted() const;

Q_SIGNALS:
    void licenseAgreementAcceptanceToggled();

private:
    QRadioButton *acceptButton;
    QRadioButton *declineButton;
};

#endif // ORNALICENSEPAGE_H
