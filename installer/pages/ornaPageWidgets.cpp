#include "ornaPageWidgets.h"

#include <QLabel>
#include <QTextBrowser>
#include <QTextDocument>

namespace ORNAPageWidgets {

QLabel *wordWrappedLabel(const QString &text, bool richText)
{
    auto *label = new QLabel;
    label->setTextFormat(richText ? Qt::RichText : Qt::PlainText);
    label->setWordWrap(true);
    label->setText(text);
    return label;
}

QLabel *autoFormatLabel(const QString &text)
{
    return wordWrappedLabel(text, Qt::mightBeRichText(text));
}

QTextBrowser *textBrowser(const QString &text, bool richTextAllowed)
{
    auto *browser = new QTextBrowser;
    browser->setReadOnly(true);
    browser->setWordWrapMode(QTextOption::WordWrap);
    // A link in the text opens in the user's browser instead of replacing the text.
    browser->setOpenExternalLinks(true);
    if (richTextAllowed && Qt::mightBeRichText(text))
        browser->setHtml(text);
    else
        browser->setPlainText(text);
    return browser;
}

} // namespace ORNAPageWidgets
