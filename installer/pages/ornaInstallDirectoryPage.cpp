#include "ornaInstallDirectoryPage.h"

#include "ornaPageWidgets.h"
#include "ornaTargetDirectory.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
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
        desktopShortcutsCheckBox = checkedBox(QStringLiteral("Create &desktop shortcuts"));
        menuEntriesCheckBox = checkedBox(QStringLiteral("Create start &menu entries"));
        shortcutsLayout->addWidget(desktopShortcutsCheckBox);
        shortcutsLayout->addWidget(menuEntriesCheckBox);
        layout->addWidget(shortcutsGroup);
    }

    QGroupBox *directoryGroup = titledGroup(QStringLiteral("Installation Directory"));
    auto *directoryLayout = new QVBoxLayout(directoryGroup);
    QLabel *explanation = ORNAPageWidgets::wordWrappedLabel(
        productTitle + QStringLiteral(" will be installed into the following directory.\n\n"
                                      "Click Browse to change it, Next to continue."));
    directoryLayout->addWidget(explanation);
    auto *row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    directoryEdit = new QLineEdit(proposedDirectory);
    directoryEdit->setAccessibleName(QStringLiteral("Installation directory"));
    directoryEdit->setAccessibleDescription(explanation->text());
    explanation->setBuddy(directoryEdit);
    // B is Back's accelerator.
    auto *browseButton = new QPushButton(QStringLiteral("B&rowse..."));
    browseButton->setAccessibleDescription(QStringLiteral("Choose the installation directory"));
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
    const QString typed = directoryEdit->text();
    if (typed == QLatin1String("~"))
        return QDir::homePath();
    if (typed.startsWith(QLatin1String("~/")))
        return QDir::homePath() + typed.mid(1);
    return typed;
}

QString ORNAInstallDirectoryPage::directoryProblem() const
{
    const QString directory = installationDirectory();
    if (directory.isEmpty())
        return QStringLiteral("Error: the given installation directory is an empty string.");
    // The wizard's working directory is nothing the user chose or can see.
    if (!QDir::isAbsolutePath(directory))
        return QStringLiteral("Error: The installation directory '") + directory +
               QStringLiteral("' is not a full path.\n\nPlease give a full path starting with "
                              "/ (or with ~/ for a directory in your home directory).");
    if (!refusalRulesApplied)
        return QString();
    const QString refusal = ORNATargetDirectory::refusalOf(directory);
    return refusal.isEmpty() ? refusal : refusal + QLatin1String(ORNATargetDirectory::forceHint);
}

bool ORNAInstallDirectoryPage::validatePage()
{
    const QString problem = directoryProblem();
    if (problem.isEmpty())
        return true;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Installation Directory"), problem,
                    QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
    directoryEdit->setFocus();
    return false;
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
