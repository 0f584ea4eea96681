#ifndef ORNAWELCOMEPAGE_H
#define ORNAWELCOMEPAGE_H

#include <QWizardPage>

// First page of the installer: says what is going to be installed.
class ORNAWelcomePage : public QWizardPage
{
    Q_OBJECT

public:
    explicit ORNAWelcomePage(const QString &productTitle, QWidget *parent = nullptr);
};

#endif // ORNAWELCOMEPAGE_H
