#ifndef ORNAUTILS_H
#define ORNAUTILS_H

#include <QString>

#include <ctime>

// Stateless path, text and environment functions, and the directory operations.
namespace ORNAUtils {

// The variable's value; a null string when it is not set.
QString environmentVariable(const QString &name);

// Cleans "." and ".." and doubled separators, then turns backslashes into "/".
QString normalizePath(const QString &path);

// Everything before the last "." of the whole text (not only of the file name).
QString removeExtension(const QString &path);

// The path without its last component; a path whose only "/" is the first stays whole.
QString directoryOfPath(const QString &path);

// True for "true", "yes", "1" and "on" in any letter case.
bool isTrueText(const QString &text);

// Creates every missing directory of the path, one level at a time.
bool makePath(const QString &path);

// Removes the directory and everything below it; symbolic links are removed, never followed,
// and other file systems mounted below it are left alone (ORNATreeRemoval tells what is left).
bool removeDirectoryRecursively(const QString &path);

// Sets a file's access and modification times (seconds since the epoch); failures are ignored.
void setFileTimes(const QString &path, time_t accessTime, time_t modificationTime);

} // namespace ORNAUtils

#endif // ORNAUTILS_H
