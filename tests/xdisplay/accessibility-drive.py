#!/usr/bin/python3
"""Usage: accessibility-drive.py install ARCHIVE TARGET_DIRECTORY | uninstall TARGET_DIRECTORY
Installs or uninstalls through the wizards' accessibility interface alone, as a screen reader
user would: each page announced by its title, every control named, every step an action or a
text edit. Runs in a D-Bus session, AT-SPI's bus started on demand. Exits 1 on a failure."""
import os
import subprocess
import sys
import time

import pyatspi

TIMEOUT = float(os.environ.get("A11Y_TIMEOUT", "120"))
BUTTON, RADIO, TEXT = pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_TEXT
CONTROLS = {BUTTON, RADIO, TEXT, pyatspi.ROLE_PROGRESS_BAR, pyatspi.ROLE_CHECK_BOX}  # named
SHOWN, USABLE = [pyatspi.STATE_SHOWING], [pyatspi.STATE_SHOWING, pyatspi.STATE_ENABLED,
                                          pyatspi.STATE_SENSITIVE]
NEXT = (BUTTON, "Next >")


def fail(message):
    sys.exit("accessibility-drive: " + message)


def wait_for(what, probe):
    deadline = time.monotonic() + TIMEOUT
    while time.monotonic() < deadline:
        try:
            found = probe()
        except Exception:  # a tree that changes under the walk
            found = None
        if found:
            return found
        time.sleep(0.2)
    fail("timed out after %d s: %s" % (TIMEOUT, what))


def walk(node):
    if node is not None:
        yield node
        for index in range(node.childCount):
            yield from walk(node.getChildAtIndex(index))


def find(nodes, role=None, name=None, states=SHOWN):
    return next((n for n in nodes if (role is None or n.getRole() == role) and
                 name in (None, n.name) and all(n.getState().contains(s) for s in states)), None)


def window(title=None):
    """The shown top-level window of that title (None: any) of the wizard's application."""
    return find((w for application in pyatspi.Registry.getDesktop(0)
                 if application is not None and application.name == "LinuxInstaller"
                 for w in application if w is not None), name=title)


def press(root, role, name):
    node = wait_for("%s '%s' enabled" % (role, name), lambda: find(walk(root), role, name, USABLE))
    try:
        node.queryAction().doAction(0)  # an enabled button's first action: press (or toggle)
    except Exception:
        pass  # a modal box opened by the action may keep the answer back; its effect counts


def page(root, title, *presses):
    """Waits for the page's title, checks that all controls are named, then takes PRESSES."""
    found = wait_for("page '%s'" % title, lambda: find(
        n for n in walk(root) if n.name == title and n.getRole() != pyatspi.ROLE_LABEL))
    controls = [n for n in walk(root) if n.getRole() in CONTROLS and find([n])]  # shown ones
    unnamed = [n.getRoleName() for n in controls if not n.name.strip()]
    if unnamed:
        fail("page '%s': controls without a name: %s" % (title, ", ".join(unnamed)))
    print("checked %s [%s]" % (title, ", ".join(sorted({n.getRoleName() for n in controls}))))
    for role, name in presses:
        press(root, role, name)
    return found


def run(what, command, title, steps):
    """Starts COMMAND with accessibility on, takes STEPS in its window; it must then end with 0."""
    process = subprocess.Popen(command, env=dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1"),
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                               start_new_session=True)
    steps(wait_for(what + "'s window", lambda: window(title)))
    if process.wait() != 0:  # the caller bounds the whole run in time
        fail("%s ended with exit code %d" % (what, process.returncode))


def install_steps(wizard, target):
    page(wizard, "Welcome", NEXT)
    page(wizard, "License Agreement", (RADIO, "I accept the terms of the license agreement."), NEXT)
    page(wizard, "Installation Settings")
    field = find(walk(wizard), TEXT, "Installation directory")
    if field is None or not field.description:
        fail("the directory field is not a text field named so that has a description")
    field.queryEditableText().setTextContents(target)
    press(wizard, *NEXT)
    page(wizard, "Start Installation", NEXT)
    page(wizard, "Installing Halvaron 1.0 ...", NEXT)  # Next: once the installation has finished
    page(wizard, "Readme", NEXT)
    link = find(walk(page(wizard, "Halvaron Is Ready")), BUTTON, "Visit the Halvaron web site")
    if link is None or "https://halva.example/halvaron" not in link.description:
        fail("the bottom link is not a named button that says where it leads")
    press(wizard, BUTTON, "Finish")


def uninstall_steps(wizard):
    page(wizard, "Welcome", (BUTTON, "Uninstall"))
    press(wait_for("the confirmation", lambda: window("Confirm unstallation")), BUTTON, "Yes")
    page(wizard, "Uninstalling Halvaron 1.0", (BUTTON, "Finish"))


if __name__ == "__main__":
    pyatspi.Atspi.set_timeout(5000, 30000)  # short calls: a modal box must not hold the walk
    if sys.argv[1] == "install":
        run("the installer", ["bash", sys.argv[2]], "Installing Halvaron 1.0",
            lambda wizard: install_steps(wizard, sys.argv[3]))
    else:
        run("the uninstaller", ["bash", sys.argv[2] + "/uninstall"], None, uninstall_steps)
    print("accessibility-drive: %s through accessibility actions" % sys.argv[1])
