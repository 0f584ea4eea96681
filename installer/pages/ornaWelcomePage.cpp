#include "ornaWelcomePage.h"

#include "ornaPageWidgets.h"

#include <QLabel>
#include <QVBoxLayout>

ORNAWelcomePage::ORNAWelcomePage(const QString &productTitle, QWidget *parent) : QWizardPage(parent)
{
    setTitle(QStringLiteral("Welcome"));
    setSubTitle(QStringLiteral("Welcome to the ") + productTitle + QStringLiteral(" Installer"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(ORNAPageWidgets::wordWrappedLabel(
        QStringLiteral("You are going to install ") + productTitle +
        QStringLiteral(" on your computer.\n\nClick Next to continue.")));
}
