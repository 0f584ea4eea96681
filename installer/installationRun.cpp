#include "installerOptions.h"
#include "installerRuns.h"

#include <cstdio>

int runInstallation(const InstallerOptions &options)
{
    Q_UNUSED(options);
    std::fputs("Error: installing is not available in this build.\n", stderr);
    return 1;
}
