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
from gi.repository import Atspi

TIMEOUT = float(os.environ.get("A11Y_TIMEOUT", "120"))
BUTTON, RADIO, TEXT, BAR = (pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_RADIO_BUTTON,
                            pyatspi.ROLE_TEXT, pyatspi.ROLE_PROGRESS_BAR)
CONTROLS = {BUTTON, RADIO, TEXT, BAR, pyatspi.ROLE_CHECK_BOX}  # a user acts on them: named
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
    action = wait_for("%s '%s' enabled" % (role, name),
                      lambda: find(walk(root), role, name, USABLE)).queryAction()
    names = [action.getName(i).lower() for i in range(action.nActions)]
    try:
        action.doAction(next((i for i, n in enumerate(names) if n in ("press", "click", "toggle")),
                             0))
    except Exception:
        pass  # a modal box opened by the action may keep the answer back; its effect counts


def page(root, title, *presses):
    """Checks that the page is announced by its title and that every control on it has a name,
    then presses the (role, name) controls in turn."""
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
    try:
        status = process.wait(timeout=TIMEOUT)
    except subprocess.TimeoutExpired:
        process.kill()
        status = "none: it did not end"
    if status != 0:
        fail("%s ended with exit code %s" % (what, status))


def install_steps(wizard, target):
    page(wizard, "Welcome", NEXT)
    page(wizard, "License Agreement", (RADIO, "I accept the terms of the license agreement."), NEXT)
    page(wizard, "Installation Settings")
    field = wait_for("the directory field",
                     lambda: find(walk(wizard), TEXT, "Installation directory"))
    if not field.description:
        fail("the directory field has no description")
    field.queryEditableText().setTextContents(target)
    press(wizard, *NEXT)
    page(wizard, "Start Installation", NEXT)
    page(wizard, "Installing Halvaron 1.0 ...")
    bar = find(walk(wizard), BAR, "Installation progress") or fail("no progress bar named so")
    press(wizard, *NEXT)  # enabled once the installation has finished
    value = bar.queryValue()
    if value.currentValue != value.maximumValue:
        fail("progress %s of %s at the end" % (value.currentValue, value.maximumValue))
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
    Atspi.set_timeout(5000, 30000)  # short calls: a modal box must not hold the walk for long
    if sys.argv[1] == "install":
        run("the installer", ["bash", sys.argv[2]], "Installing Halvaron 1.0",
            lambda wizard: install_steps(wizard, sys.argv[3]))
    else:
        run("the uninstaller", ["bash", sys.argv[2] + "/uninstall"], None, uninstall_steps)
    print("accessibility-drive: %s through accessibility actions" % sys.argv[1])
