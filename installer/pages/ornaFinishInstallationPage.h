#ifndef ORNAFINISHINSTALLATIONPAGE_H
#define ORNAFINISHINSTALLATIONPAGE_H

#include "ornaInstallerSettings.h"

#include <QWizardPage>

class QCheckBox;

// The last page: offers to start the product and to open its readme.
class ORNAFinishInstallationPage : public QWizardPage
{
    Q_OBJECT

public:
    explicit ORNAFinishInstallationPage(const InstallerFinishPage &finishPage,
                                        QWidget *parent = nullptr);

    bool isRunChecked() const;
    bool isReadmeChecked() const;

public Q_SLOTS:
    void openBottomLink(const QString &link);

private:
    QCheckBox *runCheckBox = nullptr;
    QCheckBox *readmeCheckBox = nullptr;
};

#endif // ORNAFINISHINSTALLATIONPAGE_H
