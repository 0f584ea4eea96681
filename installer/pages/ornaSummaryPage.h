#ifndef ORNASUMMARYPAGE_H
#define ORNASUMMARYPAGE_H

#include <QWizardPage>

class QLabel;

// Repeats the chosen directory before the installation starts.
class ORNASummaryPage : public QWizardPage
{
    Q_OBJECT

public:
    explicit ORNASummaryPage(QWidget *parent = nullptr);

    void setSummaryText(const QString &text);

private:
    QLabel *summaryLabel;
};

#endif // ORNASUMMARYPAGE_H
