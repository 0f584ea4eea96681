#ifndef ORNAWIDGETDIALOGS_H
#define ORNAWIDGETDIALOGS_H

// The base library's critical-error box and overwrite question as widgets, for the programs that
// show a wizard; kept out of the base library so that the command-line tools need no Qt Widgets.
namespace ORNAWidgetDialogs {

// Hands the dialogs to the base library; they show only while a QApplication runs.
void install();

} // namespace ORNAWidgetDialogs

#endif // ORNAWIDGETDIALOGS_H
