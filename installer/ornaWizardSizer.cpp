#include "ornaWizardSizer.h"

#include <QAbstractButton>
#include <QEvent>
#include <QLabel>
#include <QLayout>
#include <QPainter>
#include <QTimer>
#include <QWizard>

#include <algorithm>

namespace {

const QWizard::WizardButton rowButtons[] = {QWizard::BackButton,   QWizard::NextButton,
                                            QWizard::CommitButton, QWizard::FinishButton,
                                            QWizard::CancelButton, QWizard::HelpButton};

// What the visible buttons of the row need side by side.
int buttonRowWidth(QWizard *wizard)
{
    int width = 0;
    for (QWizard::WizardButton which : rowButtons) {
        QAbstractButton *button = wizard->button(which);
        if (button != nullptr && button->isVisibleTo(wizard))
            width += button->sizeHint().width() + 6;
    }
    return width;
}

// How much lower the watermark is shown than it is: the toolkit does not count the header's
// growth with the banner.
int watermarkShortfall(QWizard *wizard)
{
    const QPixmap watermark = wizard->pixmap(QWizard::WatermarkPixmap);
    if (watermark.isNull())
        return 0;
    for (QLabel *label : wizard->findChildren<QLabel *>())
        if (label->isVisible() && label->pixmap().cacheKey() == watermark.cacheKey())
            return qMax(0, label->sizeHint().height() - label->height());
    return 0;
}

} // namespace

ORNAWizardSizer::ORNAWizardSizer(QWizard *wizard, const QPixmap &banner)
    : QObject(wizard), wizard(wizard), banner(banner)
{
    wizard->installEventFilter(this);
    // After the toolkit's own layout of the new page.
    connect(wizard, &QWizard::currentIdChanged, this,
            [this]() { QTimer::singleShot(0, this, &ORNAWizardSizer::fitToPage); });
}

bool ORNAWizardSizer::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == wizard) {
        if (event->type() == QEvent::Show || event->type() == QEvent::LayoutRequest)
            QTimer::singleShot(0, this, &ORNAWizardSizer::fitToPage);
        else if (event->type() == QEvent::Resize)
            stretchBanner();
    }
    return QObject::eventFilter(watched, event);
}

void ORNAWizardSizer::fitToPage()
{
    QWizardPage *page = wizard->currentPage();
    if (page == nullptr || !wizard->isVisible())
        return;
    // What lies beside the page (margins, watermark) stays as it is.
    const int beside = wizard->width() - page->width();
    if (beside <= 0) {
        // The page has not been laid out yet: its size says nothing.
        if (++retries < 20)
            QTimer::singleShot(50, this, &ORNAWizardSizer::fitToPage);
        return;
    }
    retries = 0;
    const int width = std::max({page->minimumSizeHint().width() + beside,
                                buttonRowWidth(wizard) + beside, banner.width()});
    // Setting the limits ourselves stops the toolkit from fixing the width at the banner's.
    // The height is what the page, the header (grown with the banner) and the watermark ask
    // for; the window keeps the largest any page needed, so that it does not jump.
    wizard->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    wizard->setMinimumSize(width, qMax(wizard->minimumHeight(), wizard->sizeHint().height()) +
                                      watermarkShortfall(wizard));
}

// The toolkit gives the header exactly the banner's height, which may cut the logo or the
// titles; the height they need. The header is the widget that holds the logo.
int headerHeight(QWizard *wizard)
{
    const QPixmap logo = wizard->pixmap(QWizard::LogoPixmap);
    if (logo.isNull())
        return 0;
    for (QLabel *label : wizard->findChildren<QLabel *>()) {
        QWidget *header = label->parentWidget();
        if (label->pixmap().cacheKey() == logo.cacheKey() && header && header->layout())
            return header->layout()->totalSizeHint().height();
    }
    return 0;
}

void ORNAWizardSizer::stretchBanner()
{
    if (banner.isNull() || wizard->width() == bannerWidth)
        return;
    bannerWidth = wizard->width();
    const int width = qMax(bannerWidth, banner.width());
    const int height = qMax(banner.height(), headerHeight(wizard));
    QPixmap wide(width, height);
    wide.fill(Qt::transparent);
    QPainter painter(&wide);
    painter.drawPixmap(0, 0, banner);
    // The last column and the last row of the picture fill what it does not cover.
    const int right = width - banner.width();
    const int below = height - banner.height();
    if (right > 0)
        painter.drawPixmap(QRect(banner.width(), 0, right, banner.height()), banner,
                           QRect(banner.width() - 1, 0, 1, banner.height()));
    if (below > 0)
        painter.drawPixmap(QRect(0, banner.height(), width, below), wide,
                           QRect(0, banner.height() - 1, width, 1));
    painter.end();
    wizard->setPixmap(QWizard::BannerPixmap, wide);
}
