#include "ornaUninstallerProgressPage.h"

#include "ornaLogView.h"

#include <QProgressBar>
#include <QVBoxLayout>

ORNAUninstallerProgressPage::ORNAUninstallerProgressPage(const QString &productTitle,
                                                         QWidget *parent)
    : QWizardPage(parent)
{
    setTitle(QStringLiteral("Uninstalling ") + productTitle);
    setSubTitle(QStringLiteral(" "));
    // No range: a busy indicator until the work is done.
    progressBar = new QProgressBar;
    progressBar->setRange(0, 0);
    progressBar->setAccessibleName(QStringLiteral("Uninstallation progress"));
    logEdit = new ORNALogView;
    logEdit->setAccessibleName(QStringLiteral("Uninstallation log"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(progressBar);
    layout->addWidget(logEdit);
}

void ORNAUninstallerProgressPage::appendMessage(const QString &text)
{
    logEdit->appendMessage(text);
}

void ORNAUninstallerProgressPage::appendError(const QString &text)
{
    logEdit->appendError(text);
}

void ORNAUninstallerProgressPage::setFinished()
{
    progressBar->setRange(0, 1);
    progressBar->setValue(1);
}
