#include "ornaSummaryPage.h"

#include "ornaPageWidgets.h"

#include <QLabel>
#include <QVBoxLayout>

ORNASummaryPage::ORNASummaryPage(QWidget *parent) : QWizardPage(parent)
{
    setTitle(QStringLiteral("Start Installation"));
    // A blank, not an empty text, so that the page keeps the header's subtitle line.
    setSubTitle(QStringLiteral(" "));
    summaryLabel = ORNAPageWidgets::wordWrappedLabel(QString());
    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(0);
    layout->addWidget(summaryLabel);
}

void ORNASummaryPage::setSummaryText(const QString &text)
{
    summaryLabel->setText(text);
}
