#ifndef ORNAWIZARDSIZER_H
#define ORNAWIZARDSIZER_H

#include <QObject>
#include <QPixmap>

class QWizard;

// Lets the wizard window follow its contents. The toolkit fixes a wizard with a banner at the
// banner's width, which cuts text that needs more room and keeps the user from widening the
// window. Here the banner's width is only the least width: every page gets the width its
// widgets ask for, the user may widen the window, and the banner is drawn across the whole
// width (its last column repeated).
class ORNAWizardSizer : public QObject
{
public:
    ORNAWizardSizer(QWizard *wizard, const QPixmap &banner);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Least width from the current page and the button row.
    void fitToPage();
    // The banner as wide as the window.
    void stretchBanner();

    QWizard *wizard;
    QPixmap banner;
    int bannerWidth = -1;
    int retries = 0;
};

#endif // ORNAWIZARDSIZER_H
