'''A udisks2 for Pivora's tests: its object manager, and the drives, blocks
and filesystems each test adds. Every Unmount and PowerOff is written, in the
order udisks2 received them, to the list Calls() returns.'''

import dbus

from dbusmock import MOCK_IFACE, mockobject

BUS_NAME = 'org.freedesktop.UDisks2'
MAIN_OBJ = '/org/freedesktop/UDisks2'
MAIN_IFACE = 'org.freedesktop.UDisks2.Manager'
SYSTEM_BUS = True
IS_OBJECT_MANAGER = True

BLOCK_IFACE = 'org.freedesktop.UDisks2.Block'
FILESYSTEM_IFACE = 'org.freedesktop.UDisks2.Filesystem'
DRIVE_IFACE = 'org.freedesktop.UDisks2.Drive'


def load(mock, _parameters):
    mock.calls = []
    mock.AddProperties(MAIN_IFACE, dbus.Dictionary({'Version': '2.9.4'}, signature='sv'))


def nul_terminated(text):
    return dbus.ByteArray(text.encode('UTF-8') + b'\0')


def fail_if_told(obj):
    error = getattr(obj, 'error', '')
    if error:
        raise dbus.exceptions.DBusException('refused', name=error)


@dbus.service.method(MOCK_IFACE, in_signature='sb', out_signature='o')
def AddDrive(self, name, can_power_off):
    '''A drive at drives/<name>.'''
    path = f'{MAIN_OBJ}/drives/{name}'
    manager = self

    def power_off(drive, _options):
        manager.calls.append(f'PowerOff {name}')
        fail_if_told(drive)

    self.AddObject(path, DRIVE_IFACE, {'CanPowerOff': dbus.Boolean(can_power_off)},
                   [('PowerOff', 'a{sv}', '', power_off)])
    return path


@dbus.service.method(MOCK_IFACE, in_signature='so', out_signature='o')
def AddBlock(self, name, drive):
    '''The block device /dev/<name> on `drive`, at block_devices/<name>.'''
    path = f'{MAIN_OBJ}/block_devices/{name}'
    self.AddObject(path, BLOCK_IFACE,
                   {'Device': nul_terminated(f'/dev/{name}'), 'Drive': dbus.ObjectPath(drive)}, [])
    return path


@dbus.service.method(MOCK_IFACE, in_signature='os', out_signature='')
def AddFilesystem(self, block, mount_point):
    '''A filesystem on `block`, mounted at `mount_point` unless it is empty.
    A successful Unmount leaves it with no mount point, as udisks2 does.'''
    manager = self
    name = block.rsplit('/', 1)[1]

    def unmount(filesystem, _options):
        manager.calls.append(f'Unmount {name}')
        fail_if_told(filesystem)
        filesystem.UpdateProperties(FILESYSTEM_IFACE, {'MountPoints': dbus.Array([], signature='ay')})

    obj = mockobject.objects[block]
    obj.AddProperty(FILESYSTEM_IFACE, 'MountPoints',
                    dbus.Array([nul_terminated(mount_point)] if mount_point else [], signature='ay'))
    obj.AddMethod(FILESYSTEM_IFACE, 'Unmount', 'a{sv}', '', unmount)


@dbus.service.method(MOCK_IFACE, in_signature='os', out_signature='')
def SetError(_self, path, error):
    '''From now on every Unmount or PowerOff of the object at `path` fails
    with the D-Bus error named `error` (DeviceBusy for a filesystem in use).'''
    mockobject.objects[path].error = error


@dbus.service.method(MOCK_IFACE, in_signature='', out_signature='as')
def Calls(self):
    return dbus.Array(self.calls, signature='s')


@dbus.service.method(MOCK_IFACE, in_signature='os', out_signature='')
def SetMountPoint(_self, block, mount_point):
    '''The filesystem on `block` mounted at `mount_point` again, as a desktop
    mounts a stick that arrives; unmounted when it is empty.'''
    mockobject.objects[block].UpdateProperties(
        FILESYSTEM_IFACE,
        {'MountPoints': dbus.Array([nul_terminated(mount_point)] if mount_point else [], signature='ay')})
