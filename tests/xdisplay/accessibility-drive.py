#!/usr/bin/python3
"""Installs and uninstalls an archive through the wizards' accessibility interface alone, as a
screen reader user would: every page's tree is checked (names, roles, page titles, progress),
and every step is an accessibility action or an edit of an accessible text field.

Usage: accessibility-drive.py ARCHIVE TARGET_DIRECTORY
Runs inside a D-Bus session (the AT-SPI bus is started on demand); DISPLAY or WAYLAND_DISPLAY
names the display. Prints what it checked; exits 1 on the first failure.
"""
import os
import subprocess
import sys
import time

import pyatspi
from gi.repository import Atspi

TIMEOUT = float(os.environ.get("A11Y_TIMEOUT", "120"))
# Roles a user acts on: each must have a name.
CONTROLS = {pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_RADIO_BUTTON,
            pyatspi.ROLE_TEXT, pyatspi.ROLE_PROGRESS_BAR}
checked = []


def fail(message):
    print("accessibility-drive: " + message, file=sys.stderr)
    sys.exit(1)


def wait_for(what, probe, timeout=TIMEOUT):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        try:
            found = probe()
        except Exception:  # a tree that changes under the walk
            found = None
        if found:
            return found
        time.sleep(0.2)
    fail("timed out after %d s: %s" % (timeout, what))


def walk(node):
    if node is None:
        return
    yield node
    for index in range(node.childCount):
        yield from walk(node.getChildAtIndex(index))


def has(node, state):
    return node.getState().contains(state)


def shown(node):
    return has(node, pyatspi.STATE_SHOWING)


def window(title=None):
    """The shown top-level window of that title (None: any) of the wizard's application."""
    for application in pyatspi.Registry.getDesktop(0):
        if application is None or application.name != "LinuxInstaller":
            continue
        for child in application:
            if child is not None and title in (None, child.name) and shown(child):
                return child
    return None


def control(root, role, name):
    for node in walk(root):
        if node.getRole() == role and node.name == name and shown(node):
            return node
    return None


def enabled(node):
    return has(node, pyatspi.STATE_ENABLED) and has(node, pyatspi.STATE_SENSITIVE)


def press(root, role, name):
    node = wait_for("%s '%s' enabled" % (str(role), name),
                    lambda: (lambda n: n if n and enabled(n) else None)(control(root, role, name)))
    action = node.queryAction()
    names = [action.getName(i).lower() for i in range(action.nActions)]
    wanted = next((i for i, n in enumerate(names) if n in ("press", "click", "toggle")), 0)
    try:
        action.doAction(wanted)
    except Exception:
        pass  # a modal box opened by the action may keep the answer back; its effect counts


def check_page(root, title):
    """The page is announced by its title; every control on it has a name."""
    page = wait_for("page '%s'" % title,
                    lambda: next((n for n in walk(root) if n.name == title and shown(n) and
                                  n.getRole() != pyatspi.ROLE_LABEL), None))
    unnamed = [n.getRoleName() for n in walk(root)
               if n.getRole() in CONTROLS and shown(n) and not n.name.strip()]
    if unnamed:
        fail("page '%s': controls without a name: %s" % (title, ", ".join(unnamed)))
    roles = sorted({n.getRoleName() for n in walk(page) if n.getRole() in CONTROLS and shown(n)})
    checked.append("%s [%s]" % (title, ", ".join(roles)))
    return page


def start(*command):
    environment = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    return subprocess.Popen(command, env=environment, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL, start_new_session=True)


def expect_success(process, what):
    try:
        status = process.wait(timeout=TIMEOUT)
    except subprocess.TimeoutExpired:
        process.kill()
        fail(what + " did not end")
    if status != 0:
        fail("%s ended with exit code %d" % (what, status))


def install(archive, target):
    process = start("bash", archive)
    wizard = wait_for("the installer's window", lambda: window("Installing Halvaron 1.0"))
    button, radio = pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_RADIO_BUTTON
    check_page(wizard, "Welcome")
    press(wizard, button, "Next >")
    check_page(wizard, "License Agreement")
    press(wizard, radio, "I accept the terms of the license agreement.")
    press(wizard, button, "Next >")
    check_page(wizard, "Installation Settings")
    field = wait_for("the directory field",
                     lambda: control(wizard, pyatspi.ROLE_TEXT, "Installation directory"))
    if not field.description:
        fail("the directory field has no description")
    field.queryEditableText().setTextContents(target)
    press(wizard, button, "Next >")
    check_page(wizard, "Start Installation")
    press(wizard, button, "Next >")
    check_page(wizard, "Installing Halvaron 1.0 ...")
    bar = control(wizard, pyatspi.ROLE_PROGRESS_BAR, "Installation progress")
    if bar is None:
        fail("no progress bar named 'Installation progress'")
    press(wizard, button, "Next >")  # enabled once the installation has finished
    value = bar.queryValue()
    if value.currentValue != value.maximumValue:
        fail("progress %s of %s at the end" % (value.currentValue, value.maximumValue))
    check_page(wizard, "Readme")
    press(wizard, button, "Next >")
    page = check_page(wizard, "Halvaron Is Ready")
    link = control(page, button, "Visit the Halvaron web site")
    if link is None or "https://halva.example/halvaron" not in link.description:
        fail("the bottom link is not a named button that says where it leads")
    press(wizard, button, "Finish")
    expect_success(process, "the installer")
    if not os.access(os.path.join(target, "uninstall"), os.X_OK):
        fail("no uninstall script in " + target)


def uninstall(target):
    process = start("bash", os.path.join(target, "uninstall"))
    wizard = wait_for("the uninstaller's window", window)
    check_page(wizard, "Welcome")
    press(wizard, pyatspi.ROLE_PUSH_BUTTON, "Uninstall")
    question = wait_for("the confirmation", lambda: window("Confirm unstallation"))
    press(question, pyatspi.ROLE_PUSH_BUTTON, "Yes")
    check_page(wizard, "Uninstalling Halvaron 1.0")
    press(wizard, pyatspi.ROLE_PUSH_BUTTON, "Finish")
    expect_success(process, "the uninstaller")
    if os.path.exists(target):
        fail(target + " is still there")


def main():
    archive, target = sys.argv[1], sys.argv[2]
    # Short calls: an action that opens a modal box must not hold the walk for long.
    Atspi.set_timeout(5000, 30000)
    install(archive, target)
    uninstall(target)
    for line in checked:
        print("checked " + line)
    print("accessibility-drive: installed and uninstalled through accessibility actions")


if __name__ == "__main__":
    main()
