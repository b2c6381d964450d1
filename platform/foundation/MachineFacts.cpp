#include "platform/foundation/MachineFacts.h"

#include <QDir>
#include <QFile>

#include <sys/utsname.h>
#include <unistd.h>

namespace MachineFacts {
namespace {

QByteArray readSmall(const QString& root, const QString& relative)
{
    QFile file(QDir(root).filePath(relative));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(4096); // these files are short; a huge one is not ours to read
}

QString osReleaseValue(const QByteArray& text, const QByteArray& key)
{
    for (QByteArray line : text.split('\n')) {
        line = line.trimmed();
        if (!line.startsWith(key + '='))
            continue;
        QByteArray value = line.mid(key.size() + 1);
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.mid(1, value.size() - 2);
        return printableAscii(value);
    }
    return {};
}

} // namespace

QString printableAscii(const QByteArray& text)
{
    QByteArray kept;
    for (char c : text)
        if (c >= 0x20 && c <= 0x7e)
            kept += c;
    return QString::fromLatin1(kept).trimmed();
}

QString osPrettyName(const QString& root)
{
    for (const char* file : {"etc/os-release", "usr/lib/os-release"}) {
        const QString name = osReleaseValue(readSmall(root, QString::fromLatin1(file)), "PRETTY_NAME");
        if (!name.isEmpty())
            return name;
    }
    return {};
}

QString deviceModel(const QString& root)
{
    const QString vendor = printableAscii(readSmall(root, QStringLiteral("sys/class/dmi/id/sys_vendor")));
    const QString product = printableAscii(readSmall(root, QStringLiteral("sys/class/dmi/id/product_name")));
    if (!product.isEmpty())
        return vendor.isEmpty() || product.startsWith(vendor) ? product : vendor + QLatin1Char(' ') + product;
    return printableAscii(readSmall(root, QStringLiteral("proc/device-tree/model")));
}

QString kernelRelease()
{
    utsname names{};
    return uname(&names) == 0 ? printableAscii(names.release) : QString();
}

QString machine()
{
    utsname names{};
    return uname(&names) == 0 ? printableAscii(names.machine) : QString();
}

long processorCount()
{
    return sysconf(_SC_NPROCESSORS_ONLN);
}

quint64 physicalMemory()
{
    const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGE_SIZE);
    return pages > 0 && pageSize > 0 ? quint64(pages) * quint64(pageSize) : 0;
}

} // namespace MachineFacts
