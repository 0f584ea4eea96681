#ifndef ORNAZIPREGISTRY_H
#define ORNAZIPREGISTRY_H

#include "ornaZipMember.h"

#include <QHash>
#include <QList>
#include <QString>

#include <unzip.h>

// One opened archive whose members appear as files below its prefix.
struct ORNAZipArchive
{
    unzFile handle = nullptr;
    QString archivePath;
    // Ends in "/" unless empty, so member names never start with a separator.
    QString prefix;
    QHash<QString, ORNAZipMember> members;
};

// The process-wide, ordered list of registered archives. Archives stay open while registered.
class ORNAZipRegistry
{
public:
    // Idempotent; puts the registry's destruction on the base library's clean-up list.
    static void create();
    // Closes every archive and deletes the registry.
    static void destroy();
    static ORNAZipRegistry *instance() { return s_instance; }

    // Takes ownership of an opened archive; earlier registrations are consulted first.
    void add(ORNAZipArchive *archive);
    const QList<ORNAZipArchive *> &archives() const { return m_archives; }

    ORNAZipRegistry(const ORNAZipRegistry &) = delete;
    ORNAZipRegistry &operator=(const ORNAZipRegistry &) = delete;

private:
    ORNAZipRegistry() = default;
    ~ORNAZipRegistry();

    QList<ORNAZipArchive *> m_archives;
    static ORNAZipRegistry *s_instance;
};

#endif // ORNAZIPREGISTRY_H
