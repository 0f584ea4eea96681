#ifndef ORNAWIDGETHOOKS_H
#define ORNAWIDGETHOOKS_H

class QString;

// What only a program with widgets can do for the base library: ORNAWidgetDialogs::install()
// fills these in. Left empty, as in the command-line tools, nobody is asked and critical errors
// go to stderr, so that those tools need not link Qt Widgets.
struct ORNAWidgetHooks
{
    // True, with the splash screen hidden, where a graphical application runs.
    bool (*enterGraphicalError)() = nullptr;
    void (*showCriticalError)(const QString &message) = nullptr;
    // Whether the user lets a member of the archive overwrite target; false where nobody can be
    // asked.
    bool (*confirmOverwrite)(const QString &target, const QString &archivePath) = nullptr;

    static ORNAWidgetHooks &instance()
    {
        static ORNAWidgetHooks hooks;
        return hooks;
    }
};

#endif // ORNAWIDGETHOOKS_H
