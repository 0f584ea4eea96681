#ifndef ORNAINSTALLATIONROLLBACK_H
#define ORNAINSTALLATIONROLLBACK_H

#include <QByteArray>
#include <QSet>
#include <QString>

#include <sys/types.h>

// Undoes an installation that did not complete. Before anything is put in place it records
// which directories of the target path are missing and every entry below the target; the
// rollback then removes the directories this run created as a whole, and in a directory that
// was there before only the entries that were not. Links are never followed and another file
// system below the target is never entered.
class ORNAInstallationRollback
{
public:
    // Records the state of the target directory before the installation puts anything there.
    void recordBefore(const QString &directory);

    bool isRecorded() const { return recorded; }

    // Removes what was added since recordBefore(); false if anything of it is left (a
    // directory on another file system is left alone and counts as left).
    bool rollBack();

private:
    void recordDirectory(int directory, const QByteArray &prefix, dev_t device);
    bool rollBackDirectory(int directory, const QByteArray &prefix, dev_t device) const;

    QString target;
    // The topmost directory of the target path that did not exist; empty when the target did.
    QString firstCreated;
    // Paths relative to the target, of every entry that existed below it.
    QSet<QByteArray> existing;
    bool recorded = false;
};

#endif // ORNAINSTALLATIONROLLBACK_H
