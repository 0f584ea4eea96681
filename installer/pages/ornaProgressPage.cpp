#include "ornaProgressPage.h"

#include "ornaLogView.h"
#include "ornaPageWidgets.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

ORNAProgressPage::ORNAProgressPage(const QString &productTitle, QWidget *parent)
    : QWizardPage(parent)
{
    setTitle(QStringLiteral("Installing ") + productTitle + QStringLiteral(" ..."));
    setSubTitle(QStringLiteral(" "));
    progressBar = new QProgressBar;
    progressBar->setAccessibleName(QStringLiteral("Installation progress"));
    logEdit = new ORNALogView;
    logEdit->setAccessibleName(QStringLiteral("Installation log"));
    statusLabel = ORNAPageWidgets::wordWrappedLabel(QStringLiteral("Progress"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(statusLabel);
    layout->addWidget(progressBar);
    layout->addWidget(logEdit);
}

void ORNAProgressPage::setProgressMaximum(int maximum)
{
    // A negative file count means as little as none: a bar without range.
    progressBar->setRange(0, qMax(0, maximum));
}

void ORNAProgressPage::setProgressValue(int value)
{
    // A bar without range shows no value; setting one would repaint it for every line.
    if (progressBar->minimum() == progressBar->maximum())
        return;
    progressBar->setValue(value);
}

void ORNAProgressPage::setProgressToMaximum()
{
    progressBar->setValue(progressBar->maximum());
}

void ORNAProgressPage::appendMessage(const QString &text)
{
    logEdit->appendMessage(text);
}

void ORNAProgressPage::appendError(const QString &text)
{
    logEdit->appendError(text);
}

void ORNAProgressPage::showFailure(const QString &title, const QString &text)
{
    setTitle(title);
    statusLabel->setText(text);
}
