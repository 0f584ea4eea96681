#include "ornaLicensePage.h"

#include "ornaPageWidgets.h"

#include <QGroupBox>
#include <QRadioButton>
#include <QTextBrowser>
#include <QVBoxLayout>

ORNALicensePage::ORNALicensePage(const QString &licenseText, QWidget *parent) : QWizardPage(parent)
{
    setTitle(QStringLiteral("License Agreement"));
    setSubTitle(QStringLiteral("Please read the following license agreement."));

    auto *choiceBox = new QGroupBox;
    choiceBox->setFlat(true);
    auto *choiceLayout = new QVBoxLayout(choiceBox);
    choiceLayout->setContentsMargins(2, 2, 2, 2);
    choiceLayout->setSpacing(0);
    // N is Next's accelerator.
    acceptButton =
        new QRadioButton(QStringLiteral("I &accept the terms of the license agreement."));
    declineButton =
        new QRadioButton(QStringLiteral("I &do not accept the terms of the license agreement."));
    choiceLayout->addWidget(acceptButton);
    choiceLayout->addWidget(declineButton);
    // Toggled, not clicked: a screen reader's "toggle" action checks the button without a
    // click, and Next must follow it all the same.
    connect(acceptButton, &QRadioButton::toggled, this,
            &ORNALicensePage::licenseAgreementAcceptanceToggled);
    connect(declineButton, &QRadioButton::toggled, this,
            &ORNALicensePage::licenseAgreementAcceptanceToggled);

    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 0, 0);
    QTextBrowser *text = ORNAPageWidgets::textBrowser(licenseText, true);
    text->setAccessibleName(QStringLiteral("License agreement"));
    layout->addWidget(text);
    layout->addWidget(choiceBox);
}

bool ORNALicensePage::isLicenseAccepted() const
{
    return !declineButton->isChecked() && acceptButton->isChecked();
}
