#!/usr/bin/python3
"""A stand-in for the Avahi daemon's D-Bus interface, on a private bus.

Usage: fake_avahi.py BUS_ADDRESS

Owns org.freedesktop.Avahi on the bus and serves the parts of org.freedesktop.Avahi.Server that
service browsing uses: ServiceBrowserNew (which reports the services already present at once,
before its answer, as the daemon may), the browsers' ItemNew/ItemRemove signals and Free, and
ResolveService. Tests drive it through org.brevanto.FakeAvahi at /control:
  Add(interface, protocol, name, type, domain)     report a service on every browser of its type
  Remove(interface, protocol, name, type, domain)  withdraw that report
  SetAnswer(name, address protocol, address, port) what resolving the name answers (0 IPv4, 1 IPv6)
  SetSilent(name)                                   resolving the name never answers
  Calls() -> a list of "method path" lines it was asked, in order
Prints "ready" once the name is owned; ends when its standard input closes.
"""
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

SERVER = "org.freedesktop.Avahi.Server"
BROWSER = "org.freedesktop.Avahi.ServiceBrowser"
CONTROL = "org.brevanto.FakeAvahi"


class Browser(dbus.service.Object):
    def __init__(self, daemon, path, service_type):
        super().__init__(daemon.bus, path)
        self.daemon = daemon
        self.path = path
        self.type = service_type

    @dbus.service.signal(BROWSER, signature="iisssu")
    def ItemNew(self, interface, protocol, name, service_type, domain, flags):
        pass

    @dbus.service.signal(BROWSER, signature="iisssu")
    def ItemRemove(self, interface, protocol, name, service_type, domain, flags):
        pass

    @dbus.service.method(BROWSER, in_signature="", out_signature="")
    def Free(self):
        self.daemon.calls.append("Free " + self.path)
        self.daemon.browsers.remove(self)
        self.remove_from_connection()


class Daemon(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, "/")
        self.bus = bus
        self.browsers = []
        self.present = []  # (interface, protocol, name, type, domain)
        self.answers = {}
        self.silent = set()
        self.calls = []
        self.next_browser = 1
        self.pending = []  # silent resolves keep their callbacks here, never called

    @dbus.service.method(SERVER, in_signature="iissu", out_signature="o")
    def ServiceBrowserNew(self, interface, protocol, service_type, domain, flags):
        self.calls.append("ServiceBrowserNew %s %s" % (service_type, domain))
        path = "/Client1/ServiceBrowser%d" % self.next_browser
        self.next_browser += 1
        browser = Browser(self, path, str(service_type))
        self.browsers.append(browser)
        for item in self.present:
            if item[3] == browser.type:
                browser.ItemNew(item[0], item[1], item[2], item[3], item[4], 0)
        return dbus.ObjectPath(path)

    @dbus.service.method(SERVER, in_signature="iisssiu", out_signature="iissssisqaayu",
                         async_callbacks=("reply", "error"))
    def ResolveService(self, interface, protocol, name, service_type, domain, aprotocol, flags, reply, error):
        self.calls.append("ResolveService %s" % name)
        if name in self.silent:
            self.pending.append((reply, error))
            return
        if name not in self.answers:
            error(dbus.DBusException("Timeout reached", name="org.freedesktop.Avahi.TimeoutError"))
            return
        address_protocol, address, port = self.answers[name]
        reply(dbus.Int32(2), dbus.Int32(address_protocol), name, service_type, domain, "host.local",
              dbus.Int32(address_protocol), address, dbus.UInt16(port), dbus.Array([], signature="ay"),
              dbus.UInt32(0))

    def report(self, item, signal):
        for browser in self.browsers:
            if browser.type == item[3]:
                getattr(browser, signal)(item[0], item[1], item[2], item[3], item[4], 0)


class Control(dbus.service.Object):
    def __init__(self, bus, daemon):
        super().__init__(bus, "/control")
        self.daemon = daemon

    @dbus.service.method(CONTROL, in_signature="iisss", out_signature="")
    def Add(self, interface, protocol, name, service_type, domain):
        item = (int(interface), int(protocol), str(name), str(service_type), str(domain))
        self.daemon.present.append(item)
        self.daemon.report(item, "ItemNew")

    @dbus.service.method(CONTROL, in_signature="iisss", out_signature="")
    def Remove(self, interface, protocol, name, service_type, domain):
        item = (int(interface), int(protocol), str(name), str(service_type), str(domain))
        if item in self.daemon.present:
            self.daemon.present.remove(item)
        self.daemon.report(item, "ItemRemove")

    @dbus.service.method(CONTROL, in_signature="sisq", out_signature="")
    def SetAnswer(self, name, address_protocol, address, port):
        self.daemon.answers[str(name)] = (int(address_protocol), str(address), int(port))

    @dbus.service.method(CONTROL, in_signature="s", out_signature="")
    def SetSilent(self, name):
        self.daemon.silent.add(str(name))

    @dbus.service.method(CONTROL, in_signature="", out_signature="as")
    def Calls(self):
        return self.daemon.calls


def main():
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.bus.BusConnection(sys.argv[1])
    daemon = Daemon(bus)
    control = Control(bus, daemon)
    name = dbus.service.BusName("org.freedesktop.Avahi", bus)
    loop = GLib.MainLoop()
    GLib.io_add_watch(sys.stdin.fileno(), GLib.IO_HUP | GLib.IO_IN | GLib.IO_ERR, lambda *args: loop.quit())
    print("ready", flush=True)
    loop.run()
    del name, control


if __name__ == "__main__":
    main()
