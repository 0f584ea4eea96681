#include "ornaInstaller.h"

#include "ornaGuardedWizard.h"
#include "pages/ornaFinishInstallationPage.h"
#include "pages/ornaInstallDirectoryPage.h"
#include "pages/ornaLicensePage.h"
#include "pages/ornaProgressPage.h"
#include "pages/ornaReadmePage.h"
#include "pages/ornaSummaryPage.h"
#include "pages/ornaWelcomePage.h"

#include <QAbstractButton>
#include <QDir>
#include <QTimer>
#include <QWizard>

void ORNAInstaller::setupWizard()
{
    if (wizard != nullptr)
        return;
    createWizard(new ORNAGuardedWizard([this] { return confirmCancel(); }));
    wizard->setWindowTitle(QStringLiteral("Installing ") + settings.productTitle);
    addPages();
    connect(wizard->button(QWizard::FinishButton), &QAbstractButton::clicked, this,
            &ORNAInstaller::finishInstallation);
}

void ORNAInstaller::addPages()
{
    wizard->addPage(new ORNAWelcomePage(settings.productTitle));
    if (!settings.licenseText.isEmpty()) {
        licensePage = new ORNALicensePage(settings.licenseText);
        connect(licensePage, &ORNALicensePage::licenseAgreementAcceptanceToggled, this,
                &ORNAInstaller::licenseAgreementAcceptanceToggled);
        wizard->addPage(licensePage);
    }
    installDirectoryPage = new ORNAInstallDirectoryPage(
        settings.productTitle, proposedInstallDirectory(), settings.hasLinks);
    installDirectoryPage->setRefusalRulesApplied(!forcePrefix && settings.uninstallerEnabled);
    wizard->addPage(installDirectoryPage);
    summaryPage = new ORNASummaryPage;
    wizard->addPage(summaryPage);
    progressPage = new ORNAProgressPage(settings.productTitle);
    wizard->addPage(progressPage);
    if (!settings.readmeText.isEmpty())
        wizard->addPage(new ORNAReadmePage(settings.readmeText));
    if (settings.finishPage.present) {
        finishPage = new ORNAFinishInstallationPage(settings.finishPage);
        wizard->addPage(finishPage);
    }
}

QString ORNAInstaller::proposedInstallDirectory() const
{
    if (!installDirectory.isEmpty())
        return installDirectory;
    return QDir::homePath() + QLatin1Char('/') + settings.installerTargetDirectory;
}

void ORNAInstaller::setProgressMaximum(int maximum)
{
    if (progressPage != nullptr)
        progressPage->setProgressMaximum(maximum);
}

void ORNAInstaller::currentPageChanged(int id)
{
    if (id == -1 || wizard == nullptr)
        return;
    QWizardPage *page = wizard->page(id);
    if (page == nullptr)
        return;
    if (page == licensePage)
        licenseAgreementAcceptanceToggled();
    else if (page == summaryPage)
        summaryPage->setSummaryText(summaryText());
    else if (page == progressPage)
        progressPageEntered();
    // Going back would only offer another directory for an installation already under way
    // or done; the toolkit enables Back again on every page change.
    if (installationRequested)
        wizard->button(QWizard::BackButton)->setEnabled(false);
}

QString ORNAInstaller::summaryText() const
{
    return settings.productTitle + QStringLiteral(" will be installed into this directory:\n\n") +
           installDirectoryPage->installationDirectory() +
           QStringLiteral("\n\nClick Finish to start the installation process, or click Back to "
                          "change the settings.");
}

void ORNAInstaller::progressPageEntered()
{
    // After a start that failed the user can only go back, cancel or close: the wizard would
    // otherwise offer the remaining pages, and Finish, for a product that is not installed.
    const bool blocked = installationRunning || installationStartFailed || !installationRequested;
    if (!blocked)
        return;
    wizard->button(QWizard::FinishButton)->setEnabled(false);
    wizard->button(QWizard::NextButton)->setEnabled(false);
    if (installationRequested)
        return;
    installationRequested = true;
    // Later, so that the page is drawn before the work begins.
    QTimer::singleShot(10, this, &ORNAInstaller::startInstallation);
}

void ORNAInstaller::showFailurePage()
{
    progressPage->showFailure(QStringLiteral("Installation Failed"),
                              settings.productTitle +
                                  QStringLiteral(" could not be installed.\n\nThe log below "
                                                 "says what went wrong. Click Finish to close "
                                                 "the installer."));
    // The readme and the finish page speak of an installed product: the log ends the wizard.
    bool afterProgressPage = false;
    for (int id : wizard->pageIds()) {
        if (afterProgressPage) {
            QWizardPage *page = wizard->page(id);
            wizard->removePage(id);
            delete page;
        } else {
            afterProgressPage = wizard->page(id) == progressPage;
        }
    }
    finishPage = nullptr;
    // Removing pages makes the toolkit enable Back again; there is nothing to go back to.
    wizard->button(QWizard::BackButton)->setEnabled(false);
}

void ORNAInstaller::startInstallation()
{
    if (installDirectoryPage != nullptr &&
        !installInto(installDirectoryPage->installationDirectory(), false))
        installationStartFailed = true;
}

void ORNAInstaller::licenseAgreementAcceptanceToggled()
{
    if (wizard != nullptr && licensePage != nullptr)
        wizard->button(QWizard::NextButton)->setEnabled(licensePage->isLicenseAccepted());
}
