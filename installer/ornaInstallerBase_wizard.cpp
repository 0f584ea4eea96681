#include "ornaInstallerBase.h"

#include "ornaWizardSizer.h"

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

void ORNAInstallerBase::createWizard(QWizard *ownWizard)
{
    wizard = ownWizard ? ownWizard : new QWizard(nullptr, Qt::WindowFlags());
    connect(wizard, &QWizard::currentIdChanged, this, &ORNAInstallerBase::currentPageChanged);
    wizard->setWizardStyle(QWizard::ModernStyle);
    setPicture(wizard, QWizard::LogoPixmap, settings.logoImage);
    setPicture(wizard, QWizard::BannerPixmap, settings.bannerImage);
    setPicture(wizard, QWizard::WatermarkPixmap, settings.watermarkImage);
    new ORNAWizardSizer(wizard, wizard->pixmap(QWizard::BannerPixmap));
    // A screen reader announces the page by its title; the header draws it as a picture.
    QWizard *window = wizard;
    connect(wizard, &QWizard::currentIdChanged, wizard, [window]() {
        if (QWizardPage *page = window->currentPage()) {
            page->setAccessibleName(page->title());
            page->setAccessibleDescription(page->subTitle().trimmed());
        }
    });
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
