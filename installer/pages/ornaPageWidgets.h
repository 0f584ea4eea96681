#ifndef ORNAPAGEWIDGETS_H
#define ORNAPAGEWIDGETS_H

#include <QString>

class QLabel;
class QTextBrowser;
class QWidget;

// Widgets that several wizard pages build the same way.
namespace ORNAPageWidgets {

// A label with word wrap; plain text unless richText.
QLabel *wordWrappedLabel(const QString &text, bool richText = false);

// A label that shows the text as rich text when it looks like markup, else as plain text.
QLabel *autoFormatLabel(const QString &text);

// A read-only browser wrapping at word boundaries; markup is rendered only if richTextAllowed
// and the text looks like markup.
QTextBrowser *textBrowser(const QString &text, bool richTextAllowed);

} // namespace ORNAPageWidgets

#endif // ORNAPAGEWIDGETS_H
