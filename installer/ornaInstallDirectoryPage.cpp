#include "ornaInstallDirectoryPage.h"

#include "ornaPageWidgets.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QGroupBox *titledGroup(const QString &title)
{
    auto *group = new QGroupBox(title);
    group->setFlat(true);
    group->setStyleSheet(QStringLiteral("QGroupBox { font-weight: bold; }"));
    return group;
}

QCheckBox *checkedBox(const QString &text)
{
    auto *box = new QCheckBox(text);
    box->setChecked(true);
    return box;
}

} // namespace

ORNAInstallDirectoryPage::ORNAInstallDirectoryPage(const QString &productTitle,
                                                   const QString &proposedDirectory,
                                                   bool showShortcutOptions, QWidget *parent)
    : QWizardPage(parent)
{
    setTitle(QStringLiteral("Installation Settings"));
    setSubTitle(QStringLiteral("Customize the installation."));
    auto *layout = new QVBoxLayout(this);

    if (showShortcutOptions) {
        QGroupBox *shortcutsGroup = titledGroup(QStringLiteral("Shortcuts"));
        auto *shortcutsLayout = new QVBoxLayout(shortcutsGroup);
        shortcutsLayout->addWidget(ORNAPageWidgets::wordWrappedLabel(
            QStringLiteral("Specify if you want to create desktop shortcuts and program menu "
                           "entries.")));
        desktopShortcutsCheckBox = checkedBox(QStringLiteral("Create desktop shortcuts"));
        menuEntriesCheckBox = checkedBox(QStringLiteral("Create start menu entries"));
        shortcutsLayout->addWidget(desktopShortcutsCheckBox);
        shortcutsLayout->addWidget(menuEntriesCheckBox);
        layout->addWidget(shortcutsGroup);
    }

    QGroupBox *directoryGroup = titledGroup(QStringLiteral("Installation Directory"));
    auto *directoryLayout = new QVBoxLayout(directoryGroup);
    directoryLayout->addWidget(ORNAPageWidgets::wordWrappedLabel(
        productTitle + QStringLiteral(" will be installed into the following directory.\n\n"
                                      "Click Browse to change it, Next to continue.")));
    auto *row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    directoryEdit = new QLineEdit(proposedDirectory);
    auto *browseButton = new QPushButton(QStringLiteral("Browse..."));
    connect(browseButton, &QPushButton::clicked, this,
            &ORNAInstallDirectoryPage::browseInstallationDirectory);
    row->addWidget(directoryEdit);
    row->addWidget(browseButton);
    directoryLayout->addLayout(row);
    layout->addWidget(directoryGroup);
    layout->addStretch();
}

QString ORNAInstallDirectoryPage::installationDirectory() const
{
    return directoryEdit->text();
}

bool ORNAInstallDirectoryPage::createDesktopShortcuts() const
{
    return desktopShortcutsCheckBox != nullptr && desktopShortcutsCheckBox->isChecked();
}

bool ORNAInstallDirectoryPage::createMenuEntries() const
{
    return menuEntriesCheckBox != nullptr && menuEntriesCheckBox->isChecked();
}

void ORNAInstallDirectoryPage::browseInstallationDirectory()
{
    const QString directory =
        QFileDialog::getExistingDirectory(this, QStringLiteral("Choose Installation Directory"),
                                          directoryEdit->text(), QFileDialog::ShowDirsOnly);
    if (!directory.isEmpty())
        directoryEdit->setText(directory);
}
