# A stand-in desktop notification service for a private session bus: logs every Notify call as
# "<epoch seconds> id=N replaces=N urgency=N | summary | body". Needs python3-dbus and python3-gi.
import sys, time, dbus, dbus.service, dbus.mainloop.glib
from gi.repository import GLib
dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
log = open(sys.argv[1], 'a', buffering=1)
class Service(dbus.service.Object):
    next_id = 0
    @dbus.service.method('org.freedesktop.Notifications', in_signature='susssasa{sv}i', out_signature='u')
    def Notify(self, app, replaces, icon, summary, body, actions, hints, timeout):
        if replaces == 0:
            Service.next_id += 1; nid = Service.next_id
        else:
            nid = replaces
        log.write('%.3f id=%d replaces=%d urgency=%s | %s | %s\n' % (time.time(), nid, replaces, int(hints.get('urgency', -1)), summary, body))
        return nid
    @dbus.service.method('org.freedesktop.Notifications', out_signature='as')
    def GetCapabilities(self): return ['body']
    @dbus.service.method('org.freedesktop.Notifications', out_signature='ssss')
    def GetServerInformation(self): return ('stand-in', 'test', '1', '1.2')
    @dbus.service.method('org.freedesktop.Notifications', in_signature='u')
    def CloseNotification(self, nid): pass
bus = dbus.SessionBus()
name = dbus.service.BusName('org.freedesktop.Notifications', bus)
Service(bus, '/org/freedesktop/Notifications')
GLib.MainLoop().run()
