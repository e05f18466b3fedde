#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
r"""A small screen-reader client for the end-to-end tests: what a reader sees of a program through
AT-SPI2, and what it can do with it. Run by the system's own /usr/bin/python3, the interpreter the
python3-gi package installs the Atspi bindings for.

    atspi_client.py apps
    atspi_client.py tree APP
    atspi_client.py do-action APP OBJECT ACTION
    atspi_client.py select APP OBJECT INDEX
    atspi_client.py events [--app APP] EVENT-TYPE...
    atspi_client.py wait-event [--app APP] EVENT-TYPE...
    atspi_client.py keys KEY...
    atspi_client.py switch on|off

Every command takes --seconds S (default 10): nothing here waits longer. APP is an application's
name as the registry lists it. `tree` prints every object with its path of child numbers from the
application ("0/3/1"), and after a table its cells as PATH@ROW,COLUMN. OBJECT is such a path of
child numbers, or ROLE or ROLE:NAME for the first such object in reading order ("push button:OK"). `events` prints "ready" once its listeners are registered, then each event as
it comes until the time is up; `wait-event` ends at the first event of one of the types (exit 0) or
at the time limit (exit 1). `keys` presses and releases X key names ("Tab", "Down", "a") as the
user's keyboard would. `switch` turns the desktop's accessibility switch (org.a11y.Status
IsEnabled), as a screen reader starting or ending does.

Output is UTF-8, one object or event a line, as tab-separated NAME=VALUE fields; a tab, a line
break or a backslash inside a value is written \t, \n or \\, so any test reads a line with a split.
Lists (states, actions ...) are comma-separated. Errors go to stderr with exit code 2.
"""

import os
import sys
import time
import warnings

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, Gio, GLib  # noqa: E402

# The action's name under its older call, the one this version of the bindings exposes.
warnings.filterwarnings("ignore", message=".*get_action_name is deprecated")

DEFAULT_SECONDS = 10.0
POLL_SECONDS = 0.05
KEYSYMS = {
    "Tab": 0xFF09, "Return": 0xFF0D, "Escape": 0xFF1B, "BackSpace": 0xFF08, "space": 0x20,
    "Left": 0xFF51, "Up": 0xFF52, "Right": 0xFF53, "Down": 0xFF54, "Home": 0xFF50, "End": 0xFF57,
    "F4": 0xFFC1,
}


class Failure(Exception):
    pass


def nick(value):
    return value.value_nick.replace("-", " ")


def ask(call, default=None):
    """One question to the program: an object that went or does not answer gives `default`."""
    try:
        return call()
    except GLib.Error:
        return default


def line(fields):
    def escape(value):
        return str(value).replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n")
    return "\t".join("%s=%s" % (key, escape(value)) for key, value in fields)


def children(obj):
    return [ask(lambda i=i: obj.get_child_at_index(i)) for i in range(ask(obj.get_child_count, 0))]


def find_app(name, deadline):
    desktop = Atspi.get_desktop(0)
    while True:
        for app in children(desktop):
            if app is not None and ask(app.get_name) == name:
                return app
        if time.monotonic() >= deadline:
            raise Failure("no application named %r on the accessibility bus" % name)
        time.sleep(POLL_SECONDS)
        desktop.clear_cache()


def action_names(obj):
    return [ask(lambda i=i: obj.get_action_name(i), "") for i in range(ask(obj.get_n_actions, 0))]


def describe(obj, path):
    """One object as the tests compare it: role, name, states, extents and the optional parts."""
    interfaces = ask(obj.get_interfaces, []) or []
    fields = [
        ("path", path),
        ("role", nick(ask(obj.get_role, Atspi.Role.INVALID))),
        ("name", ask(obj.get_name, "")),
        ("states", ",".join(sorted(nick(s) for s in ask(lambda: obj.get_state_set().get_states(), [])))),
        ("interfaces", ",".join(sorted(interfaces))),
    ]
    if "Component" in interfaces:
        r = ask(lambda: obj.get_extents(Atspi.CoordType.SCREEN))
        if r is not None:
            fields.append(("extents", "%d,%d,%d,%d" % (r.x, r.y, r.width, r.height)))
    if "Text" in interfaces:
        fields.append(("text", ask(lambda: obj.get_text(0, -1), "")))
        fields.append(("caret", ask(obj.get_caret_offset, -1)))
    if "Action" in interfaces:
        fields.append(("actions", ",".join(action_names(obj))))
    if "Table" in interfaces:
        columns = ask(obj.get_n_columns, 0)
        fields.append(("table", "%dx%d" % (ask(obj.get_n_rows, 0), columns)))
        headers = [ask(lambda c=c: obj.get_column_header(c)) for c in range(columns)]
        fields.append(("headers", ",".join(ask(h.get_name, "") if h else "-" for h in headers)))
    if "TableCell" in interfaces:
        position = ask(lambda: Atspi.TableCell.get_position(obj))
        if position is not None and position[0]:
            fields.append(("cell", "%d,%d" % (position[1], position[2])))
    if "Selection" in interfaces:
        selected = [ask(lambda i=i: obj.get_selected_child(i)) for i in range(ask(obj.get_n_selected_children, 0))]
        fields.append(("selected", ",".join(str(ask(c.get_index_in_parent, -1)) for c in selected if c)))
    return line(fields)


def walk(obj, path=""):
    yield obj, path
    for i, child in enumerate(children(obj)):
        if child is not None:
            yield from walk(child, "%s/%d" % (path, i) if path else str(i))


def find_object(app, selector):
    if all(part.isdigit() for part in selector.split("/")):
        obj = app
        for part in selector.split("/"):
            kids = children(obj)
            if int(part) >= len(kids) or kids[int(part)] is None:
                raise Failure("no object at %s" % selector)
            obj = kids[int(part)]
        return obj
    role, _, name = selector.partition(":")
    for obj, _ in walk(app):
        if nick(ask(obj.get_role, Atspi.Role.INVALID)) == role and (not name or ask(obj.get_name) == name):
            return obj
    raise Failure("no %s in the application" % selector)


def describe_event(event):
    source = event.source
    data = event.any_data
    if isinstance(data, Atspi.Accessible):
        data = "%s:%s" % (nick(ask(data.get_role, Atspi.Role.INVALID)), ask(data.get_name, ""))
    fields = {
        "type": event.type,
        "app": ask(lambda: source.get_application().get_name(), ""),
        "role": nick(ask(source.get_role, Atspi.Role.INVALID)),
        "name": ask(source.get_name, ""),
        "detail1": event.detail1,
        "detail2": event.detail2,
        "data": data if isinstance(data, (str, int)) else "",
    }
    if "TableCell" in (ask(source.get_interfaces, []) or []):
        position = ask(lambda: Atspi.TableCell.get_position(source))
        if position is not None and position[0]:
            fields["cell"] = "%d,%d" % (position[1], position[2])
    return fields


def listen(types, app_name, seconds, stop_at_first):
    """Prints "ready", then the events of `types` (from `app_name` only, when given) as they come."""
    loop = GLib.MainLoop()
    matched = []

    def on_event(event):
        fields = describe_event(event)
        if app_name and fields["app"] != app_name:
            return
        print(line(fields.items()), flush=True)
        matched.append(fields)
        if stop_at_first:
            loop.quit()

    listener = Atspi.EventListener.new(on_event)
    for event_type in types:
        listener.register(event_type)
    GLib.timeout_add(int(seconds * 1000), loop.quit)
    print("ready", flush=True)
    loop.run()
    return 0 if matched or not stop_at_first else 1


def press_keys(names):
    for name in names:
        keysym = KEYSYMS.get(name, ord(name) if len(name) == 1 else None)
        if keysym is None:
            raise Failure("unknown key %r" % name)
        Atspi.generate_keyboard_event(keysym, None, Atspi.KeySynthType.SYM)
        time.sleep(POLL_SECONDS)


def main(argv):
    seconds = DEFAULT_SECONDS
    app_name = None
    args = []
    it = iter(argv[1:])
    for arg in it:
        if arg == "--seconds":
            seconds = float(next(it))
        elif arg == "--app":
            app_name = next(it)
        else:
            args.append(arg)
    if not args:
        raise Failure(__doc__)
    # Without any bus the bindings abort the process; say why instead.
    runtime = os.environ.get("XDG_RUNTIME_DIR", "")
    if not (os.environ.get("AT_SPI_BUS_ADDRESS") or os.environ.get("DBUS_SESSION_BUS_ADDRESS")
            or (runtime and os.path.exists(os.path.join(runtime, "bus")))):
        raise Failure("no session bus and no AT_SPI_BUS_ADDRESS: run inside a desktop session")
    deadline = time.monotonic() + seconds
    command, rest = args[0], args[1:]
    if command == "apps":
        for app in children(Atspi.get_desktop(0)):
            if app is not None:
                print(line([("name", ask(app.get_name, "")), ("pid", ask(app.get_process_id, -1))]))
    elif command == "tree" and len(rest) == 1:
        for obj, path in walk(find_app(rest[0], deadline)):
            print(describe(obj, path))
            # A table's cells, which a program may make only when asked for: PATH@ROW,COLUMN.
            if "Table" in (ask(obj.get_interfaces, []) or []):
                for row in range(ask(obj.get_n_rows, 0)):
                    for column in range(ask(obj.get_n_columns, 0)):
                        cell = ask(lambda: obj.get_accessible_at(row, column))
                        if cell is not None:
                            print(describe(cell, "%s@%d,%d" % (path, row, column)))
    elif command == "do-action" and len(rest) == 3:
        obj = find_object(find_app(rest[0], deadline), rest[1])
        names = action_names(obj)
        if rest[2] not in names:
            raise Failure("%s has no action %r, only %s" % (rest[1], rest[2], names))
        if not obj.do_action(names.index(rest[2])):
            raise Failure("the action %r was refused" % rest[2])
    elif command == "select" and len(rest) == 3:
        if not find_object(find_app(rest[0], deadline), rest[1]).select_child(int(rest[2])):
            raise Failure("the choice of child %s was refused" % rest[2])
    elif command in ("events", "wait-event") and rest:
        return listen(rest, app_name, seconds, command == "wait-event")
    elif command == "keys" and rest:
        press_keys(rest)
    elif command == "switch" and rest in (["on"], ["off"]):
        bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
        value = GLib.Variant("(ssv)", ("org.a11y.Status", "IsEnabled", GLib.Variant("b", rest[0] == "on")))
        bus.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties", "Set", value,
                      None, Gio.DBusCallFlags.NONE, int(seconds * 1000), None)
    else:
        raise Failure("unknown command or wrong arguments: %s\n%s" % (" ".join(args), __doc__))
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv))
    except (Failure, GLib.Error, ValueError, StopIteration) as error:
        print("atspi_client: %s" % error, file=sys.stderr)
        sys.exit(2)
