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

    // The directory as it will be used: the field's text, a leading ~ meaning the home
    // directory.
    QString installationDirectory() const;
    bool createDesktopShortcuts() const;
    bool createMenuEntries() const;

    // Whether the refusal rules for dangerous directories apply (not with --force-prefix or
    // without an uninstaller).
    void setRefusalRulesApplied(bool applied) { refusalRulesApplied = applied; }

    // Why the directory cannot be used, or an empty text.
    QString directoryProblem() const;

    // Keeps the user on the page, with the reason in a warning box, while the directory
    // cannot be used.
    bool validatePage() override;

public Q_SLOTS:
    void browseInstallationDirectory();

private:
    bool refusalRulesApplied = true;
    QLineEdit *directoryEdit;
    QCheckBox *desktopShortcutsCheckBox = nullptr;
    QCheckBox *menuEntriesCheckBox = nullptr;
};

#endif // ORNAINSTALLDIRECTORYPAGE_H
