#ifndef ORNAREADMEPAGE_H
#define ORNAREADMEPAGE_H

#include <QWizardPage>

// Shows the product's readme after the installation.
class ORNAReadmePage : public QWizardPage
{
    Q_OBJECT

public:
    explicit ORNAReadmePage(const QString &readmeText, QWidget *parent = nullptr);
};

#endif // ORNAREADMEPAGE_H
