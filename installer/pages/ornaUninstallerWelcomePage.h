#ifndef ORNAUNINSTALLERWELCOMEPAGE_H
#define ORNAUNINSTALLERWELCOMEPAGE_H

#include <QWizardPage>

// Says what the uninstaller will remove, the installation directory included.
class ORNAUninstallerWelcomePage : public QWizardPage
{
    Q_OBJECT

public:
    ORNAUninstallerWelcomePage(const QString &productTitle, const QString &installationDirectory,
                               QWidget *parent = nullptr);
};

#endif // ORNAUNINSTALLERWELCOMEPAGE_H
