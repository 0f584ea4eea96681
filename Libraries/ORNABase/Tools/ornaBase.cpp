#include "ornaBase.h"

#include "ornaLogging.h"
#include "ornaZipRegistry.h"

#include <clocale>
#include <list>

namespace {

std::list<void (*)()> &cleanupList()
{
    static std::list<void (*)()> routines;
    return routines;
}

} // namespace

namespace ORNABase {

void initialize()
{
    std::setlocale(LC_NUMERIC, "C");
    ORNALogging::create();
    ORNAZipRegistry::create();
}

void addCleanupRoutine(void (*routine)())
{
    cleanupList().push_front(routine);
}

void runCleanup()
{
    std::list<void (*)()> &routines = cleanupList();
    while (!routines.empty()) {
        void (*routine)() = routines.front();
        routines.pop_front();
        routine();
    }
}

} // namespace ORNABase
