#include "ornaZipRegistry.h"

#include "ornaBase.h"

ORNAZipRegistry *ORNAZipRegistry::s_instance = nullptr;

void ORNAZipRegistry::create()
{
    if (s_instance)
        return;
    s_instance = new ORNAZipRegistry;
    ORNABase::addCleanupRoutine(&ORNAZipRegistry::destroy);
}

void ORNAZipRegistry::destroy()
{
    delete s_instance;
    s_instance = nullptr;
}

void ORNAZipRegistry::add(ORNAZipArchive *archive)
{
    m_archives.append(archive);
}

ORNAZipRegistry::~ORNAZipRegistry()
{
    for (ORNAZipArchive *archive : std::as_const(m_archives)) {
        if (archive->handle)
            unzClose(archive->handle);
        delete archive;
    }
}
