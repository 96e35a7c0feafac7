'''A panel's StatusNotifierWatcher for Pivora's tray tests: it records who
registers an item (the caller's bus name and the path it gave), which Items()
returns as "<bus name> <path>", and says a host is registered unless the
parameter HostRegistered is false.'''

import dbus

from dbusmock import MOCK_IFACE

BUS_NAME = 'org.kde.StatusNotifierWatcher'
MAIN_OBJ = '/StatusNotifierWatcher'
MAIN_IFACE = 'org.kde.StatusNotifierWatcher'
SYSTEM_BUS = False


def load(mock, parameters):
    mock.items = []
    mock.AddProperties(MAIN_IFACE, dbus.Dictionary({
        'IsStatusNotifierHostRegistered': dbus.Boolean(parameters.get('HostRegistered', True)),
        'ProtocolVersion': dbus.Int32(0),
        'RegisteredStatusNotifierItems': dbus.Array([], signature='s'),
    }, signature='sv'))


@dbus.service.method(MAIN_IFACE, in_signature='s', out_signature='', sender_keyword='sender')
def RegisterStatusNotifierItem(self, service, sender):
    # An item may give its object path alone; its bus name is then the caller's.
    path = service if service.startswith('/') else '/StatusNotifierItem'
    name = sender if service.startswith('/') else service
    self.items.append(f'{name} {path}')
    self.Set(MAIN_IFACE, 'RegisteredStatusNotifierItems', dbus.Array([i.replace(' ', '') for i in self.items],
                                                                      signature='s'))
    self.EmitSignal(MAIN_IFACE, 'StatusNotifierItemRegistered', 's', [name + path])


@dbus.service.method(MAIN_IFACE, in_signature='s', out_signature='')
def RegisterStatusNotifierHost(self, _service):
    pass


@dbus.service.method(MOCK_IFACE, in_signature='', out_signature='as')
def Items(self):
    '''The items registered so far, in order.'''
    return dbus.Array(self.items, signature='s')
