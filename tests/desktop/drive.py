#!/usr/bin/python3
"""Drives the running tessivar window from outside, through the accessibility tree
(AT-SPI), by role and accessible name, as a screen reader or a desktop test tool does.

Usage: drive.py <server pid> <work folder> <steps...>
Each step prints "PASS: ..." or "FAIL: ..."; the exit status is the number of failures.
The work folder holds the peers' output files (peer-a.out, peer-b.out), the program to
choose for the Shortcut block and the dashboard file written by the export.
"""

import os
import subprocess
import sys
import time

import pyatspi

SERVER_PID = int(sys.argv[1])
WORK = sys.argv[2]
STEPS = sys.argv[3:]
# A loaded machine runs the window slowly; a step that needs longer than this is broken.
STEP_TIMEOUT = 60.0

BUTTONS = (pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_LIST_ITEM,
           pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_CHECK_BOX,
           pyatspi.ROLE_PAGE_TAB, pyatspi.ROLE_TABLE_CELL)
FIELDS = (pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY, pyatspi.ROLE_PASSWORD_TEXT)

failures = 0


def report(ok, what):
    global failures
    print(("PASS: " if ok else "FAIL: ") + what, flush=True)
    if not ok:
        failures += 1
    return ok


def application(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except Exception:
            continue
    return None


def showing(node):
    try:
        return node.getState().contains(pyatspi.STATE_SHOWING)
    except Exception:
        return False


def walk(node, depth=0):
    """Every showing node under `node`, breadth first."""
    queue = [node]
    while queue:
        current = queue.pop(0)
        yield current
        try:
            children = [current.getChildAtIndex(i) for i in range(current.childCount)]
        except Exception:
            children = []
        queue.extend(child for child in children if child is not None and showing(child))


def name_of(node):
    try:
        return node.name or ""
    except Exception:
        return ""


def matches(node, roles, name, exact):
    try:
        if roles and node.getRole() not in roles:
            return False
    except Exception:
        return False
    text = name_of(node)
    return text == name if exact else name.lower() in text.lower()


def find(roles, name, exact=True, pid=SERVER_PID, timeout=STEP_TIMEOUT):
    deadline = time.time() + timeout
    while time.time() < deadline:
        app = application(pid)
        if app is not None:
            for node in walk(app):
                if matches(node, roles, name, exact):
                    return node
        time.sleep(0.3)
    return None


def names(pid=SERVER_PID):
    app = application(pid)
    if app is None:
        return []
    return ["%s '%s'" % (node.getRoleName(), name_of(node)) for node in walk(app)]


def press(node):
    action = node.queryAction()
    for index in range(action.nActions):
        if action.getName(index) in ("press", "Press", "click", "activate", "Toggle", "toggle"):
            return action.doAction(index)
    return action.doAction(0)


def press_named(roles, name, exact=True):
    node = find(roles, name, exact)
    if node is None:
        report(False, "no control %r; showing: %s" % (name, "; ".join(names())[:3000]))
        return False
    press(node)
    return True


def type_into(node, text):
    node.queryEditableText().setTextContents(text)


def wait_file_contains(path, needle, timeout=STEP_TIMEOUT):
    deadline = time.time() + timeout
    while time.time() < deadline:
        try:
            with open(path, encoding="utf-8", errors="replace") as handle:
                if needle in handle.read():
                    return True
        except OSError:
            pass
        time.sleep(0.3)
    return False


def key(combination):
    subprocess.run(["xdotool", "key", "--clearmodifiers", combination], check=False)


def choose_in_file_dialog(path, accept_names):
    """A dialog of the desktop (Qt's own, widgets or Qt Quick) is open: the file's path
    goes into its file name field and the accept button is pressed."""
    field = None
    deadline = time.time() + STEP_TIMEOUT
    while field is None and time.time() < deadline:
        app = application(SERVER_PID)
        for node in walk(app) if app else []:
            try:
                role = node.getRole()
            except Exception:
                continue
            if role in FIELDS and node.getState().contains(pyatspi.STATE_EDITABLE):
                label = name_of(node).lower()
                if "file name" in label or "file" in label or "name" in label or "folder" in label:
                    field = node
                    break
        time.sleep(0.3)
    if field is None:
        return report(False, "no file name field in the dialog; showing: %s" % "; ".join(names())[:3000])
    type_into(field, path)
    for accept in accept_names:
        button = find((pyatspi.ROLE_PUSH_BUTTON,), accept, timeout=5)
        if button is not None and button.getState().contains(pyatspi.STATE_ENABLED):
            press(button)
            return True
    return report(False, "no enabled %s button in the dialog" % " or ".join(accept_names))


def place_block(module, device, configure=None):
    if not press_named(BUTTONS, "Add a block"):
        return False
    if not press_named(BUTTONS, module):
        return False
    if configure is not None and not configure():
        return False
    if not press_named(BUTTONS, device):
        return False
    return press_named((pyatspi.ROLE_PUSH_BUTTON,), "Place block")


def step_window():
    report(find((pyatspi.ROLE_FRAME, pyatspi.ROLE_WINDOW), "Tessivar", exact=False) is not None,
           "the window is in the accessibility tree")


def step_place_text():
    ok = place_block("Text", "Phone A")
    report(ok and wait_file_contains(os.path.join(WORK, "peer-a.out"), "created: com.tessivar.plugin.misc.text"),
           "a Text block placed on Phone A by its controls")


def step_place_shortcut():
    program = os.path.join(WORK, "marker-program")

    def choose_program():
        if not press_named((pyatspi.ROLE_PUSH_BUTTON,), "Choose the program"):
            return False
        if not choose_in_file_dialog(program, ("Open", "Choose", "OK")):
            return False
        field = find(FIELDS, "Program to run", exact=False)
        return report(field is not None and program in field.queryText().getText(0, -1),
                      "the program chosen in the real file dialog fills the program field")

    ok = place_block("Shortcut", "Phone A", choose_program)
    report(ok and wait_file_contains(os.path.join(WORK, "peer-a.out"), "created: com.tessivar.plugin.misc.shortcut"),
           "a Shortcut block placed on Phone A with its program")


def open_network_page():
    return press_named(BUTTONS, "Network and devices")


def device_action(device, action):
    """A device row's action: through its context menu, opened by keyboard on the row."""
    row = find(BUTTONS + (pyatspi.ROLE_PANEL, pyatspi.ROLE_LIST, pyatspi.ROLE_UNKNOWN), device)
    if row is None:
        return report(False, "no row for %s; showing: %s" % (device, "; ".join(names())[:3000]))
    button = find((pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_MENU_ITEM), "%s: %s" % (action, device), timeout=5)
    if button is None:
        button = find((pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_MENU_ITEM), action, exact=False, timeout=5)
    if button is None:
        return report(False, "no %r for %s" % (action, device))
    press(button)
    return True


def step_export():
    target = os.path.join(WORK, "dashboard.dsx")
    ok = open_network_page() and device_action("Phone A", "Export dashboard")
    ok = ok and choose_in_file_dialog(target, ("Save",))
    deadline = time.time() + STEP_TIMEOUT
    while ok and time.time() < deadline and not (os.path.exists(target) and os.path.getsize(target) > 0):
        time.sleep(0.3)
    report(ok and os.path.exists(target) and os.path.getsize(target) > 0,
           "Phone A's dashboard exported to a .dsx in the real save dialog")
    close = find((pyatspi.ROLE_PUSH_BUTTON,), "Close", timeout=5)
    if close is not None:
        press(close)


def step_import():
    source = os.path.join(WORK, "dashboard.dsx")
    ok = device_action("Tablet B", "Import dashboard")
    ok = ok and choose_in_file_dialog(source, ("Open",))
    report(ok and wait_file_contains(os.path.join(WORK, "peer-b.out"), "Dashboard imported: 2 of 2 blocks"),
           "the dashboard imported onto Tablet B in the real open dialog")
    close = find((pyatspi.ROLE_PUSH_BUTTON,), "Close", timeout=5)
    if close is not None:
        press(close)


def step_network_address():
    address = os.environ.get("TEST_INTERFACE_ADDRESS", "")
    if not address:
        print("SKIP: no test interface could be made here")
        return
    report(find(None, address, exact=False) is not None,
           "the network page lists the test interface's address %s" % address)


def step_names():
    """Every control showing has a name."""
    app = application(SERVER_PID)
    unnamed = []
    for node in walk(app) if app else []:
        try:
            role = node.getRole()
        except Exception:
            continue
        if role in (pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_TOGGLE_BUTTON,
                    pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_SPIN_BUTTON) + FIELDS and not name_of(node):
            unnamed.append(node.getRoleName())
    report(not unnamed, "every control showing has an accessible name (unnamed: %s)" % ", ".join(unnamed))


for step in STEPS:
    globals()["step_" + step]()
sys.exit(min(failures, 100))
