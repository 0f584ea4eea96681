#include "ornaInstallerBase.h"

#include <QPixmap>
#include <QWizard>

namespace {

// A picture that cannot be loaded leaves the wizard without it; the settings reader has
// already reported a missing file.
void setPicture(QWizard *wizard, QWizard::WizardPixmap which, const QString &path)
{
    if (!path.isEmpty())
        wizard->setPixmap(which, QPixmap(path));
}

} // namespace

void ORNAInstallerBase::createWizard(QWizard *window)
{
    wizard = window ? window : new QWizard(nullptr, Qt::WindowFlags());
    // Both engines have the slot; the string form finds the one of the actual engine.
    connect(wizard, SIGNAL(currentIdChanged(int)), this, SLOT(currentPageChanged(int)));
    wizard->setWizardStyle(QWizard::ModernStyle);
    setPicture(wizard, QWizard::LogoPixmap, settings.logoImage);
    setPicture(wizard, QWizard::BannerPixmap, settings.bannerImage);
    setPicture(wizard, QWizard::WatermarkPixmap, settings.watermarkImage);
    // The window icon is the application's, set by the settings reader from installerIcon.
}

void ORNAInstallerBase::showWizard()
{
    if (wizard == nullptr) {
        logError(QStringLiteral("Error: cannot show the wizard, because it is NULL"));
        return;
    }
    wizard->show();
}
