#pragma once
// What Linux tells about the machine, for reports a user may send: the OS's
// pretty name, the kernel release and architecture, the device model, the
// processors and the memory. Never the host name, users, serials, addresses
// or the kernel command line. `root` is "/" except in tests (a fake tree).
// Texts read from files keep printable ASCII only; missing ones are empty.
// Thread: any thread.

#include <QString>

namespace MachineFacts {

// PRETTY_NAME of <root>/etc/os-release, else <root>/usr/lib/os-release.
QString osPrettyName(const QString& root = QStringLiteral("/"));
// The device model: DMI vendor and product name, else the device tree's model.
QString deviceModel(const QString& root = QStringLiteral("/"));
QString kernelRelease(); // uname's release
QString machine();       // uname's machine ("x86_64")
long processorCount();   // processors online
quint64 physicalMemory(); // bytes

// `text` with every byte outside 0x20..0x7E dropped, then trimmed.
QString printableAscii(const QByteArray& text);

} // namespace MachineFacts
