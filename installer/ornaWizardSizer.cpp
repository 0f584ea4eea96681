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
    // What lies around the page (margins, header, buttons) stays as it is.
    const QSize around = wizard->size() - page->size();
    const QSize pageMinimum = page->minimumSizeHint();
    int width = qMax(pageMinimum.width() + around.width(), buttonRowWidth(wizard) + around.width());
    width = qMax(width, banner.width());
    const int pageWidth = qMax(page->width(), pageMinimum.width());
    const int pageHeight =
        page->hasHeightForWidth() ? page->heightForWidth(pageWidth) : pageMinimum.height();
    // The watermark stands beside the page and needs its full height.
    const int watermarkHeight = wizard->pixmap(QWizard::WatermarkPixmap).height();
    const int height =
        std::max({pageHeight, pageMinimum.height(), watermarkHeight}) + around.height();
    // Setting both limits ourselves also stops the toolkit from fixing them again.
    wizard->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    wizard->setMinimumSize(width, height);
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
