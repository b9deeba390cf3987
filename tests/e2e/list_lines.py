#!/usr/bin/python3
# Prints the lines of the program's list windows as the accessibility tree
# tells them to a screen reader, one a line: what a desk reads, taken from
# outside the program over the AT-SPI bus of the session.
import sys

import dbus

ACCESSIBLE = "org.a11y.atspi.Accessible"


def main():
    session = dbus.SessionBus()
    address = session.get_object("org.a11y.Bus", "/org/a11y/bus").GetAddress(dbus_interface="org.a11y.Bus")
    bus = dbus.bus.BusConnection(str(address))

    def walk(name, path, depth, in_list):
        if depth > 30:
            return
        node = bus.get_object(name, path)
        role = str(node.GetRoleName(dbus_interface=ACCESSIBLE))
        if in_list and role == "list item":
            print(str(node.Get(ACCESSIBLE, "Name", dbus_interface=dbus.PROPERTIES_IFACE)))
            return
        for child_name, child_path in node.GetChildren(dbus_interface=ACCESSIBLE):
            walk(str(child_name), str(child_path), depth + 1, in_list or role == "list")

    root = bus.get_object("org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root")
    for name, path in root.GetChildren(dbus_interface=ACCESSIBLE):
        try:
            walk(str(name), str(path), 0, False)
        except dbus.DBusException:
            pass  # an application that went away meanwhile


if __name__ == "__main__":
    sys.exit(main())
