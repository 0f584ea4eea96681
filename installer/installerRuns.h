#ifndef INSTALLERRUNS_H
#define INSTALLERRUNS_H

struct InstallerOptions;

// The two runs main dispatches to; each returns the process's exit code.
int runInstallation(const InstallerOptions &options);
int runUninstallation(const InstallerOptions &options);

#endif // INSTALLERRUNS_H
