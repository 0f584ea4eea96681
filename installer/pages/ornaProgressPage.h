#ifndef ORNAPROGRESSPAGE_H
#define ORNAPROGRESSPAGE_H

#include <QWizardPage>

class QLabel;
class QProgressBar;
class ORNALogView;

// The installation's log and progress bar.
class ORNAProgressPage : public QWizardPage
{
    Q_OBJECT

public:
    explicit ORNAProgressPage(const QString &productTitle, QWidget *parent = nullptr);

    void setProgressMaximum(int maximum);
    void setProgressValue(int value);
    void setProgressToMaximum();
    void appendMessage(const QString &text);
    void appendError(const QString &text);
    // Says that the installation failed: a new title, and the text above the log.
    void showFailure(const QString &title, const QString &text);

private:
    QLabel *statusLabel;
    ORNALogView *logEdit;
    QProgressBar *progressBar;
};

#endif // ORNAPROGRESSPAGE_H
