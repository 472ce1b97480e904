#!/usr/bin/python3
"""Drives the running tessivar window from outside, through the accessibility tree
(AT-SPI), by role and accessible name, as a screen reader or a desktop test tool does.

Usage: drive.py <server pid> <work folder> <steps...>
Each step prints "PASS: ..." or "FAIL: ..."; the exit status is the number of failures.
The work folder holds the peers' output files (peer-a.out, peer-b.out), the program to
choose for the Shortcut block and the dashboard file written by the export.
"""

import os
import re
import subprocess
import sys
import time

import pyatspi

SERVER_PID = int(sys.argv[1])
WORK = sys.argv[2]
STEPS = sys.argv[3:]
# A loaded machine runs the window slowly; a step that needs longer than this is broken.
STEP_TIMEOUT = float(os.environ.get("DRIVE_STEP_TIMEOUT", "60"))

BUTTONS = (pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_LIST_ITEM,
           pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_CHECK_BOX,
           pyatspi.ROLE_PAGE_TAB, pyatspi.ROLE_TABLE_CELL)
FIELDS = (pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY, pyatspi.ROLE_PASSWORD_TEXT)

# The tessivar-client windows (Desk panel, Desk panel 2) and the server's data folder.
CLIENT_PIDS = [int(pid) for pid in os.environ.get("CLIENT_PIDS", "").split()]
SERVER_DATA = os.environ.get("SERVER_DATA", "")
SHORTCUT = "com.tessivar.plugin.misc.shortcut"

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


def find(roles, name, exact=True, pid=SERVER_PID, timeout=STEP_TIMEOUT, under=None):
    deadline = time.time() + timeout
    while time.time() < deadline:
        app = under if under is not None else application(pid)
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


def click(node):
    """A mouse click in the middle of the control: Qt's own Qt Quick controls (those of its
    file dialog) do not act on an accessible press."""
    extents = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(["xdotool", "mousemove", str(extents.x + extents.width // 2),
                    str(extents.y + extents.height // 2), "click", "1"], check=False)


def press_named(roles, name, exact=True):
    node = find(roles, name, exact)
    if node is None:
        report(False, "no control %r; showing: %s" % (name, "; ".join(names())[:3000]))
        return False
    press(node)
    return True


def type_into(node, text):
    try:
        node.queryEditableText().setTextContents(text)
    except NotImplementedError:
        # A field without the editing interface takes the text as keys, like a user's.
        node.queryComponent().grabFocus()
        key("ctrl+a")
        subprocess.run(["xdotool", "type", "--delay", "5", text], check=False)


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


def focused_field():
    app = application(SERVER_PID)
    for node in walk(app) if app else []:
        try:
            state = node.getState()
            if node.getRole() in FIELDS and state.contains(pyatspi.STATE_FOCUSED):
                return node
        except Exception:
            continue
    return None


def path_field():
    """The Qt Quick dialog's path field: Qt names none of its fields, ours all have names."""
    app = application(SERVER_PID)
    unnamed = []
    for node in walk(app) if app else []:
        try:
            if node.getRole() in FIELDS and node.getState().contains(pyatspi.STATE_EDITABLE) and not name_of(node):
                unnamed.append(node)
        except Exception:
            continue
    return unnamed[-1] if unnamed else None


def choose_in_file_dialog(path):
    """A file dialog of the toolkit's own is open; as a keyboard user does, the file's
    whole path goes into its file name field (the widgets dialog has one in view, the Qt
    Quick dialog opens its path field with Ctrl+L) and Return accepts it."""
    deadline = time.time() + STEP_TIMEOUT
    field = None
    while field is None and time.time() < deadline:
        field = find(FIELDS, "file name", exact=False, timeout=1) or path_field()
        if field is None:
            key("ctrl+l")
            time.sleep(0.5)
            field = focused_field()
    if field is None:
        return report(False, "the dialog has no file name or path field; showing: %s" % "; ".join(names())[:3000])
    field.queryComponent().grabFocus()
    type_into(field, path)
    key("End")
    key("Return")
    return True


def raise_window(pid):
    """Without a window manager the windows lie on one another: the one a mouse user
    clicks in comes to the front first."""
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid)],
                           capture_output=True, text=True, check=False).stdout.split()
    for window in found:
        subprocess.run(["xdotool", "windowraise", window], check=False)
    time.sleep(0.5)


def press_below(roles, name, panel_name):
    """Presses a control further down a scrolling panel, reached as a mouse user does: by
    turning the wheel over the panel until the control shows."""
    for _ in range(15):
        node = find(roles, name, timeout=2)
        if node is not None:
            press(node)
            return True
        panel = find((pyatspi.ROLE_PANEL,), panel_name, timeout=2)
        if panel is None:
            break
        extents = panel.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        # In the panel's margin, where the wheel turns no spin box or combo box.
        subprocess.run(["xdotool", "mousemove", str(extents.x + 6),
                        str(extents.y + extents.height // 2), "click", "--repeat", "3", "5"], check=False)
    return press_named(roles, name)


def place_block(module, device, configure=None):
    raise_window(SERVER_PID)
    if not press_named(BUTTONS, "Add a block"):
        return False
    if not press_named(BUTTONS, module):
        return False
    if configure is not None and not configure():
        return False
    if not press_below(BUTTONS, device, "New block"):
        return False
    return press_named((pyatspi.ROLE_PUSH_BUTTON,), "Place block")


def step_window():
    report(find((pyatspi.ROLE_FRAME, pyatspi.ROLE_WINDOW), "Tessivar", exact=False) is not None,
           "the window is in the accessibility tree")


def step_place_text():
    ok = place_block("Text", "Phone A")
    report(ok and wait_file_contains(os.path.join(WORK, "peer-a.out"), "created: com.tessivar.plugin.misc.text"),
           "a Text block placed on Phone A by its controls")


def place_shortcut(device, created):
    """Places a Shortcut block that runs the marker program; `created` says whether the
    device took it."""
    program = os.path.join(WORK, "elsewhere", "marker-program")

    def choose_program():
        # Qt's own Qt Quick dialog opens in the server's working folder: the program is
        # chosen there by the mouse, as its file list has no names of its own.
        if not press_below((pyatspi.ROLE_PUSH_BUTTON,), "Choose the program", "New block"):
            return False
        entry = find((pyatspi.ROLE_LABEL,), "marker-program")
        accept = find((pyatspi.ROLE_PUSH_BUTTON,), "Open")
        if entry is None or accept is None:
            return report(False, "the program dialog shows no program or no Open; showing: %s"
                          % "; ".join(names())[:3000])
        click(entry)
        click(accept)
        field = find(FIELDS, "Program to run", exact=False)
        deadline = time.time() + STEP_TIMEOUT
        while field is not None and program not in field.queryText().getText(0, -1) and time.time() < deadline:
            time.sleep(0.3)
        return report(field is not None and program in field.queryText().getText(0, -1),
                      "the program chosen in the real file dialog fills the program field")

    return place_block("Shortcut", device, choose_program) and created()


def step_place_shortcut():
    created = lambda: wait_file_contains(os.path.join(WORK, "peer-a.out"), "created: " + SHORTCUT)
    report(place_shortcut("Phone A", created),
           "a Shortcut block placed on Phone A with its program")


def open_network_page():
    return press_named(BUTTONS, "Network and devices")


def device_action(device, action):
    """A device row's action, as a keyboard user reaches it: the row takes the focus,
    which shows its actions, and the action is pressed among the row's own."""
    raise_window(SERVER_PID)
    row = find((pyatspi.ROLE_LIST_ITEM,), device)
    if row is None:
        return report(False, "no row for %s; showing: %s" % (device, "; ".join(names())[:3000]))
    row.queryComponent().grabFocus()
    button = find((pyatspi.ROLE_PUSH_BUTTON,), action, under=row, timeout=10)
    if button is None:
        return report(False, "no %r in the row of %s; showing: %s" % (action, device, "; ".join(names())[:3000]))
    press(button)
    return True


def acknowledge_result(title):
    """The task's result card says how it went; its OK button puts it away."""
    alert = find((pyatspi.ROLE_ALERT, pyatspi.ROLE_NOTIFICATION), title, exact=False)
    report(alert is not None, "the task's result reads %r" % title)
    ok = find((pyatspi.ROLE_PUSH_BUTTON,), "OK", timeout=5)
    if ok is not None:
        press(ok)


def step_export():
    target = os.path.join(WORK, "dashboard.dsx")
    ok = open_network_page() and device_action("Phone A", "Save the device's dashboard to a file")
    ok = ok and choose_in_file_dialog(target)
    deadline = time.time() + STEP_TIMEOUT
    while ok and time.time() < deadline and not (os.path.exists(target) and os.path.getsize(target) > 0):
        time.sleep(0.3)
    report(ok and os.path.exists(target) and os.path.getsize(target) > 0,
           "Phone A's dashboard exported to a .dsx in the real save dialog")
    acknowledge_result("Dashboard Export Successful")


def step_import():
    source = os.path.join(WORK, "dashboard.dsx")
    ok = device_action("Tablet B", "Load a dashboard file onto the device")
    ok = ok and choose_in_file_dialog(source)
    report(ok and wait_file_contains(os.path.join(WORK, "peer-b.out"), "Dashboard imported: 2 of 2 blocks"),
           "the dashboard imported onto Tablet B in the real open dialog")
    acknowledge_result("Dashboard Import Successful")


def client_log(index):
    folder = os.path.join(WORK, "client-" + "ab"[index], "data", "Tessivar", "tessivar-client", "log")
    text = ""
    for name in sorted(os.listdir(folder)) if os.path.isdir(folder) else []:
        with open(os.path.join(folder, name), encoding="utf-8", errors="replace") as handle:
            text += handle.read()
    return text


def client_block(index, timeout=STEP_TIMEOUT):
    return find(None, SHORTCUT, pid=CLIENT_PIDS[index], timeout=timeout)


def block_count():
    """The blocks the server keeps: folders named as blocks. A block being written or
    removed passes through "<name>.new" or "<name>.removed", which the server's loader
    ignores, and a rename between listing and looking would count it twice or not at all."""
    folder = os.path.join(SERVER_DATA, "modules")
    return len([name for name in os.listdir(folder) if re.fullmatch(r"[0-9]+(-[0-9]+)?", name)])


def wait_for(condition, timeout=STEP_TIMEOUT):
    deadline = time.time() + timeout
    while time.time() < deadline:
        if condition():
            return True
        time.sleep(0.3)
    return condition()


def step_client_press():
    """A Shortcut block placed on the client by the server's window; a click on it in the
    client's window starts its program on the PC."""
    created = lambda: wait_for(lambda: 'created: "%s"' % SHORTCUT in client_log(0))
    block = client_block(0) if place_shortcut("Desk panel", created) else None
    if not report(block is not None, "the Shortcut block placed on Desk panel shows in its window"):
        print("client showing: %s" % "; ".join(names(CLIENT_PIDS[0]))[:3000])
        return
    raise_window(CLIENT_PIDS[0])
    marker = os.path.join(WORK, "marker")
    # A click that lands while the widget still loads is lost, as a user's would be.
    for _ in range(5):
        click(block)
        if wait_for(lambda: os.path.exists(marker), timeout=STEP_TIMEOUT / 5):
            break
    report(os.path.exists(marker), "a click on the Shortcut block in the client starts its program on the PC")


def window_offset(node):
    """Where a node sits in its window, which is the same on two screens of one size."""
    block = node.queryComponent().getExtents(pyatspi.WINDOW_COORDS)
    return (block.x, block.y, block.width, block.height)


def step_client_dashboard():
    """Desk panel's dashboard saved through the server's window and loaded onto Desk panel 2
    comes with the same layout."""
    target = os.path.join(WORK, "client.dsx")
    ok = open_network_page() and device_action("Desk panel", "Save the device's dashboard to a file")
    ok = ok and choose_in_file_dialog(target) and wait_for(lambda: os.path.exists(target) and os.path.getsize(target) > 0)
    report(ok, "Desk panel's dashboard exported in the real save dialog")
    acknowledge_result("Dashboard Export Successful")
    ok = ok and device_action("Desk panel 2", "Load a dashboard file onto the device") and choose_in_file_dialog(target)
    ok = ok and wait_for(lambda: "Dashboard imported: 1 of 1 blocks" in client_log(1))
    acknowledge_result("Dashboard Import Successful")
    original, copy = client_block(0, timeout=5), client_block(1)
    report(ok and original is not None and copy is not None and window_offset(original) == window_offset(copy),
           "the dashboard imported onto Desk panel 2 shows the block where Desk panel has it (%s, %s)"
           % (original and window_offset(original), copy and window_offset(copy)))


def step_client_remove():
    """A block removed in the client's edit mode (asked once) leaves the server's folder: edit
    mode entered and the removal confirmed as a screen reader user does, the block's own
    button clicked with the mouse."""
    before = block_count()
    ok = press_client(0, "Edit the dashboard", by_mouse=False) and press_client(0, "Remove block " + SHORTCUT)
    ok = ok and press_client(0, "Remove " + SHORTCUT, by_mouse=False)
    report(ok and wait_for(lambda: block_count() == before - 1),
           "a block removed in the client leaves the server's modules folder (%d, then %d)" % (before, block_count()))
    press_client(0, "Leave edit mode")


def press_client(index, name, by_mouse=True):
    """A mouse user's click on the client's control, its window brought to the front, or
    an assistive tool's press of it."""
    node = find(BUTTONS, name, pid=CLIENT_PIDS[index])
    if node is None:
        return report(False, "no control %r in the client; showing: %s"
                      % (name, "; ".join(names(CLIENT_PIDS[index]))[:3000]))
    raise_window(CLIENT_PIDS[index])
    if by_mouse:
        click(node)
    else:
        press(node)
    return True


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
