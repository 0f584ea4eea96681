#include "ornaUninstaller.h"

#include "pages/ornaUninstallerProgressPage.h"
#include "pages/ornaUninstallerWelcomePage.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QTimer>
#include <QWizard>

void ORNAUninstaller::setupWizard()
{
    if (wizard != nullptr)
        return;
    createWizard();
    wizard->setOption(QWizard::NoBackButtonOnStartPage, true);
    wizard->addPage(new ORNAUninstallerWelcomePage(settings.productTitle, installDirectory));
    progressPage = new ORNAUninstallerProgressPage(settings.productTitle);
    wizard->addPage(progressPage);
}

void ORNAUninstaller::currentPageChanged(int id)
{
    if (wizard == nullptr)
        return;
    wizard->setButtonText(QWizard::NextButton, QStringLiteral("Uninstall"));
    if (id == -1 || wizard->page(id) != progressPage || confirmed)
        return;
    if (!askForConfirmation()) {
        wizard->close();
        return;
    }
    confirmed = true;
    for (QWizard::WizardButton which :
         {QWizard::NextButton, QWizard::BackButton, QWizard::FinishButton})
        wizard->button(which)->setEnabled(false);
    // Later, so that the progress page is drawn before the work begins.
    QTimer::singleShot(10, this, &ORNAUninstaller::uninstall);
}

bool ORNAUninstaller::askForConfirmation()
{
    QMessageBox question(QMessageBox::Question, QStringLiteral("Confirm unstallation"),
                         QStringLiteral("Do you want to uninstall ") + settings.productTitle +
                             QStringLiteral("?"),
                         QMessageBox::Yes | QMessageBox::No, wizard);
    question.setTextFormat(Qt::PlainText);
    question.setDefaultButton(QMessageBox::No);
    return question.exec() == QMessageBox::Yes;
}
