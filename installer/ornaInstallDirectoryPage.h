#ifndef ORNAINSTALLDIRECTORYPAGE_H
#define ORNAINSTALLDIRECTORYPAGE_H

#include <QWizardPage>

class QCheckBox;
class QLineEdit;

// The target directory and, when there are links, the two shortcut options.
class ORNAInstallDirectoryPage : public QWizardPage
{
    Q_OBJECT

public:
    ORNAInstallDirectoryPage(const QString &productTitle, const QString &proposedDirectory,
                             bool showShortcutOptions, QWidget *parent = nullptr);

    QString installationDirectory() const;
    bool createDesktopShortcuts() const;
    bool createMenuEntries() const;

public Q_SLOTS:
    void browseInstallationDirectory();

private:
    QLineEdit *directoryEdit;
    QCheckBox *desktopShortcutsCheckBox = nullptr;
    QCheckBox *menuEntriesCheckBox = nullptr;
};

#endif // ORNAINSTALLDIRECTORYPAGE_H
