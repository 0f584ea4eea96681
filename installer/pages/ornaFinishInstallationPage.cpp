#include "ornaFinishInstallationPage.h"

#include "ornaPageWidgets.h"

#include <QCheckBox>
#include <QGraphicsDropShadowEffect>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QCheckBox *optionBox(const QString &text, bool notChecked)
{
    // The text comes from the settings: an ampersand in it is shown, not taken as accelerator.
    auto *box = new QCheckBox(QString(text).replace(QLatin1Char('&'), QLatin1String("&&")));
    box->setChecked(!notChecked);
    return box;
}

// A button drawn as a link: unlike a link in a label it is one Tab stop that shows its focus,
// Enter and Space open it, and screen readers offer it as something to press.
QPushButton *bottomLinkButton(const QString &location, const QString &title)
{
    auto *link = new QPushButton(QString(title).replace(QLatin1Char('&'), QLatin1String("&&")));
    link->setFlat(true);
    link->setCursor(Qt::PointingHandCursor);
    link->setStyleSheet(QStringLiteral("QPushButton { color: #4d74c6; border: none; padding: 2px; }"
                                       "QPushButton:focus { text-decoration: underline; }"));
    auto *shadow = new QGraphicsDropShadowEffect(link);
    shadow->setColor(QColor(QStringLiteral("#ababab")));
    shadow->setOffset(0, 0);
    shadow->setBlurRadius(1.0);
    link->setGraphicsEffect(shadow);
    link->setToolTip(location);
    link->setAccessibleDescription(QStringLiteral("Opens ") + location +
                                   QStringLiteral(" in the web browser"));
    return link;
}

} // namespace

ORNAFinishInstallationPage::ORNAFinishInstallationPage(const InstallerFinishPage &finishPage,
                                                       QWidget *parent)
    : QWizardPage(parent)
{
    setTitle(finishPage.title);
    setSubTitle(QStringLiteral(" "));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(ORNAPageWidgets::autoFormatLabel(finishPage.text));
    if (!finishPage.runCommand.isEmpty()) {
        runCheckBox = optionBox(finishPage.runCommandText, finishPage.runCheckBoxNotChecked);
        layout->addWidget(runCheckBox);
    }
    if (!finishPage.showReadmeFile.isEmpty()) {
        readmeCheckBox =
            optionBox(finishPage.showReadmeText, finishPage.showReadmeCheckBoxNotChecked);
        layout->addWidget(readmeCheckBox);
    }
    if (!finishPage.bottomLinkLocation.isEmpty()) {
        layout->addStretch();
        QPushButton *link =
            bottomLinkButton(finishPage.bottomLinkLocation, finishPage.bottomLinkTitle);
        const QString location = finishPage.bottomLinkLocation;
        connect(link, &QPushButton::clicked, this,
                [this, location]() { openBottomLink(location); });
        layout->addWidget(link, 0, Qt::AlignLeft);
    }
}

bool ORNAFinishInstallationPage::isRunChecked() const
{
    return runCheckBox != nullptr && runCheckBox->isChecked();
}

bool ORNAFinishInstallationPage::isReadmeChecked() const
{
    return readmeCheckBox != nullptr && readmeCheckBox->isChecked();
}

void ORNAFinishInstallationPage::openBottomLink(const QString &link)
{
    QProcess::startDetached(QStringLiteral("xdg-open"), QStringList{link});
}
