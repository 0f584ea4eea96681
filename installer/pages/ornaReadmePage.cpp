#include "ornaReadmePage.h"

#include "ornaPageWidgets.h"

#include <QTextBrowser>
#include <QVBoxLayout>

ORNAReadmePage::ORNAReadmePage(const QString &readmeText, QWidget *parent) : QWizardPage(parent)
{
    setTitle(QStringLiteral("Readme"));
    setSubTitle(QStringLiteral("Please read this information."));
    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(2);
    QTextBrowser *text = ORNAPageWidgets::textBrowser(readmeText, false);
    text->setAccessibleName(QStringLiteral("Readme"));
    layout->addWidget(text);
}
