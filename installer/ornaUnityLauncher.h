#ifndef ORNAUNITYLAUNCHER_H
#define ORNAUNITYLAUNCHER_H

#include "ornaToolCommand.h"

#include <QString>
#include <QStringList>

// The Unity launcher's favourites, read and written with gsettings, and their list text.
namespace ORNAUnityLauncher {

// The printed list, trimmed; false if gsettings failed or took longer than 30 seconds.
bool readFavorites(QString &listText);

// Stores the list text; true if gsettings ended with exit code 0. Nothing is logged.
bool writeFavorites(const QString &listText);
// The gsettings call that stores the list text.
ORNAToolCommand writeCommand(const QString &listText);

// One string in the list's text form: single quotes, '\' and '\'' escaped.
QString quoted(const QString &text);

// The list text with the file appended; empty if the text is not a "[...]" list.
QString appendedList(const QString &listText, const QString &file);

// The strings of a printed list; false if the text cannot be read as one.
bool parseList(const QString &listText, QStringList &entries);

// The list text of the strings ("@as []" when there are none).
QString formatList(const QStringList &entries);

} // namespace ORNAUnityLauncher

#endif // ORNAUNITYLAUNCHER_H
