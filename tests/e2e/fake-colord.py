#!/usr/bin/python3
"""colord as a display's colour profile is asked of it, on the bus this
runs on: one display device whose profile is the ICC file given.
    fake-colord.py <profile.icc> <model>"""
import sys

from gi.repository import Gio, GLib

XML = """<node>
  <interface name="org.freedesktop.ColorManager">
    <method name="GetDevicesByKind"><arg type="s" direction="in"/><arg type="ao" direction="out"/></method>
  </interface>
  <interface name="org.freedesktop.ColorManager.Device">
    <property name="Profiles" type="ao" access="read"/>
    <property name="Model" type="s" access="read"/>
  </interface>
  <interface name="org.freedesktop.ColorManager.Profile">
    <property name="Filename" type="s" access="read"/>
  </interface>
</node>"""
DEVICE = "/org/freedesktop/ColorManager/devices/test_display"
PROFILE = "/org/freedesktop/ColorManager/profiles/test_profile"


def main():
    profile, model = sys.argv[1], sys.argv[2]
    info = Gio.DBusNodeInfo.new_for_xml(XML)

    def call(connection, sender, path, interface, method, arguments, invocation):
        kind = arguments.unpack()[0]
        invocation.return_value(GLib.Variant("(ao)", ([DEVICE] if kind == "display" else [],)))

    def device(connection, sender, path, interface, name):
        return GLib.Variant("ao", [PROFILE]) if name == "Profiles" else GLib.Variant("s", model)

    def profile_property(connection, sender, path, interface, name):
        return GLib.Variant("s", profile)

    def acquired(connection, name):
        connection.register_object("/org/freedesktop/ColorManager", info.interfaces[0], call, None, None)
        connection.register_object(DEVICE, info.interfaces[1], None, device, None)
        connection.register_object(PROFILE, info.interfaces[2], None, profile_property, None)

    loop = GLib.MainLoop()
    Gio.bus_own_name(Gio.BusType.SESSION, "org.freedesktop.ColorManager", Gio.BusNameOwnerFlags.NONE,
                     acquired, lambda *a: print("ready", flush=True), lambda *a: loop.quit())
    loop.run()


main()
