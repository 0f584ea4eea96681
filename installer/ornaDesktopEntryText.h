#ifndef ORNADESKTOPENTRYTEXT_H
#define ORNADESKTOPENTRYTEXT_H

#include <QString>
#include <QStringList>

// Text rules of freedesktop desktop entry files and of the installation-directory placeholder.
namespace ORNADesktopEntryText {

// Replaces every "<%InstallDir%>" (case-sensitive) with the installation directory.
QString replaceInstallDirectory(const QString &text, const QString &installDirectory);

// A string value: backslashes and control line breaks escaped, so no value can start a new key.
QString escapeValue(const QString &value);

// One Exec argument in double quotes, with '"', '`', '$' and '\' escaped.
QString quoteExecArgument(const QString &argument);

// The argument as is, or quoted when it holds a blank or another reserved character.
QString execArgument(const QString &argument);

// The link's argument text for an Exec line: words holding the placeholder are quoted
// whole when the installation directory needs quoting; everything else stays as written.
QString execArguments(const QString &arguments, const QString &installDirectory);

// Doubles every '%', which Exec values reserve for field codes.
QString escapePercent(const QString &text);

// An action's identifier: its name without any white space.
QString actionIdentifier(const QString &name);

// The finish page's program arguments: split at every single blank, empty pieces kept; the
// placeholder is replaced in each piece, so a directory with blanks stays one argument.
QStringList runArguments(const QString &parameters, const QString &installDirectory);

} // namespace ORNADesktopEntryText

#endif // ORNADESKTOPENTRYTEXT_H
