#ifndef ORNAUNINSTALLERPROGRESSPAGE_H
#define ORNAUNINSTALLERPROGRESSPAGE_H

#include <QWizardPage>

class QProgressBar;
class ORNALogView;

// The uninstallation's log under a busy bar that turns full at the end.
class ORNAUninstallerProgressPage : public QWizardPage
{
    Q_OBJECT

public:
    explicit ORNAUninstallerProgressPage(const QString &productTitle, QWidget *parent = nullptr);

    void appendMessage(const QString &text);
    void appendError(const QString &text);
    void setFinished();

private:
    ORNALogView *logEdit;
    QProgressBar *progressBar;
};

#endif // ORNAUNINSTALLERPROGRESSPAGE_H
