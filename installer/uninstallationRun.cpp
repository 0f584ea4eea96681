#include "installerOptions.h"
#include "installerRuns.h"

#include <cstdio>

int runUninstallation(const InstallerOptions &options)
{
    Q_UNUSED(options);
    std::fputs("Error: uninstalling is not available in this build.\n", stderr);
    return 1;
}
