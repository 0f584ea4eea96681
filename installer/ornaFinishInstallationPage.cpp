#include "ornaFinishInstallationPage.h"

#include "ornaPageWidgets.h"

#include <QCheckBox>
#include <QGraphicsDropShadowEffect>
#include <QLabel>
#include <QProcess>
#include <QVBoxLayout>

namespace {

QCheckBox *optionBox(const QString &text, bool notChecked)
{
    auto *box = new QCheckBox(text);
    box->setChecked(!notChecked);
    return box;
}

QLabel *bottomLinkLabel(const QString &location, const QString &title)
{
    auto *label = new QLabel;
    label->setTextFormat(Qt::RichText);
    label->setText(QStringLiteral("<a style=\"color: #4d74c6; text-decoration: none;\" href=\"") +
                   location + QStringLiteral("\">") + title + QStringLiteral("</a>"));
    auto *shadow = new QGraphicsDropShadowEffect(label);
    shadow->setColor(QColor(QStringLiteral("#ababab")));
    shadow->setOffset(0, 0);
    shadow->setBlurRadius(1.0);
    label->setGraphicsEffect(shadow);
    return label;
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
        QLabel *link = bottomLinkLabel(finishPage.bottomLinkLocation, finishPage.bottomLinkTitle);
        connect(link, &QLabel::linkActivated, this, &ORNAFinishInstallationPage::openBottomLink);
        layout->addWidget(link);
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
