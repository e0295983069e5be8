#!/usr/bin/python3
# A NetworkManager stand-in (python-dbusmock's template) on the bus that
# DBUS_SYSTEM_BUS_ADDRESS names, for the Wi-Fi name tests. It reads one
# command a line on standard input and answers "done" when it is in place:
#   wifi SSID    the primary connection is wireless, on the network SSID
#   ethernet     the primary connection is wired
#   none         there is no primary connection
import os
import subprocess
import sys

import dbus
import dbusmock

NM = 'org.freedesktop.NetworkManager'
MANAGER = '/org/freedesktop/NetworkManager'
ACTIVE = NM + '.Connection.Active'
NO_METHODS = dbus.Array([], signature='(ssss)')

server, main = dbusmock.DBusTestCase.spawn_server_template(
    'networkmanager', {}, stdout=subprocess.DEVNULL, system_bus=True)
mock = dbus.Interface(main, dbusmock.MOCK_IFACE)
# The template leaves this property out.
bus = dbus.bus.BusConnection(os.environ['DBUS_SYSTEM_BUS_ADDRESS'])
manager = dbus.Interface(bus.get_object(NM, MANAGER), dbusmock.MOCK_IFACE)
manager.AddProperty(NM, 'PrimaryConnection', dbus.ObjectPath('/'))
print('ready', flush=True)

for number, line in enumerate(sys.stdin):
    word, _, argument = line.rstrip('\n').partition(' ')
    connection = f'{MANAGER}/ActiveConnection/test{number}'
    if word == 'wifi':
        access_point = f'{MANAGER}/AccessPoint/test{number}'
        mock.AddObject(access_point, NM + '.AccessPoint',
                       {'Ssid': dbus.ByteArray(argument.encode('utf-8'))}, NO_METHODS)
        mock.AddObject(connection, ACTIVE, {'Type': '802-11-wireless',
                                            'SpecificObject': dbus.ObjectPath(access_point)}, NO_METHODS)
    elif word == 'ethernet':
        mock.AddObject(connection, ACTIVE, {'Type': '802-3-ethernet',
                                            'SpecificObject': dbus.ObjectPath('/')}, NO_METHODS)
    else:
        connection = '/'
    mock.SetProperty(MANAGER, NM, 'PrimaryConnection', dbus.ObjectPath(connection))
    print('done', flush=True)

server.terminate()
server.wait()
