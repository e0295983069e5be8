#pragma once

// NetworkManager's bus name owned by a process that never answers (stopped),
// on the bus that DBUS_SYSTEM_BUS_ADDRESS names: what a hung NetworkManager
// looks like to the program. The tests and the benchmark use it.

#include <QProcess>

#include <csignal>

inline bool startHungNetworkManager(QProcess &owner)
{
    owner.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    owner.start(QStringLiteral("/usr/bin/python3"),
        { QStringLiteral("-c"),
            QStringLiteral("import dbus, os, sys\n"
                           "bus = dbus.bus.BusConnection(os.environ['DBUS_SYSTEM_BUS_ADDRESS'])\n"
                           "bus.request_name('org.freedesktop.NetworkManager')\n"
                           "print('ready', flush=True)\n"
                           "sys.stdin.read()\n") });
    if (!owner.waitForReadyRead(15000) || owner.readLine().trimmed() != "ready")
        return false;
    return ::kill(pid_t(owner.processId()), SIGSTOP) == 0;
}

inline void endHungNetworkManager(QProcess &owner)
{
    ::kill(pid_t(owner.processId()), SIGKILL);
    owner.waitForFinished();
}
