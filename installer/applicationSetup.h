#ifndef APPLICATIONSETUP_H
#define APPLICATIONSETUP_H

#include <QString>

#include <memory>

class QCoreApplication;
class QTemporaryDir;

// Creates the application object: graphical when WAYLAND_DISPLAY or DISPLAY names a display
// (Wayland preferred, X11 next), else console only.
// A display that cannot be opened does not abort the program: the object is still created
// (on the offscreen platform), and displayProblem() says why no window can be shown.
class ApplicationSetup
{
public:
    ApplicationSetup();
    ~ApplicationSetup();

    // applicationDirectory: where a bundled installer keeps its Qt platform plug-ins.
    std::unique_ptr<QCoreApplication> createApplication(int &argc, char **argv,
                                                        const QString &applicationDirectory);

    bool isGraphical() const { return m_graphical; }

    // Empty when windows can be shown, else a sentence saying why not.
    QString displayProblem() const { return m_displayProblem; }

private:
    bool m_graphical = false;
    QString m_displayProblem;
    // On Wayland: the plug-in directory of our own, for as long as the program runs.
    std::unique_ptr<QTemporaryDir> m_pluginDirectory;
};

#endif // APPLICATIONSETUP_H
