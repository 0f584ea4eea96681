#include "ornaUninstallerWelcomePage.h"

#include "ornaPageWidgets.h"

#include <QLabel>
#include <QVBoxLayout>

ORNAUninstallerWelcomePage::ORNAUninstallerWelcomePage(const QString &productTitle,
                                                       const QString &installationDirectory,
                                                       QWidget *parent)
    : QWizardPage(parent)
{
    setTitle(QStringLiteral("Welcome"));
    setSubTitle(QStringLiteral("Welcome to the ") + productTitle + QStringLiteral(" uninstaller"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(ORNAPageWidgets::wordWrappedLabel(
        QStringLiteral("You are going to remove ") + productTitle +
            QStringLiteral(" from your computer.<br><br><b>Note: the installation directory "
                           "will be completely deleted:</b><br>") +
            installationDirectory + QStringLiteral("<br><br>Click Uninstall to continue."),
        true));
}
