#include "platform/desktop/AppStream.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextStream>

namespace {

QStringList dataDirs()
{
    return QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
}

QStringList configDirs()
{
    return QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
}

// True when `file` has, in one of `sections`, the key `key` with a value
// naming at least one program.
bool listsProgram(const QString& file, const QString& key, const QStringList& sections)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    QTextStream text(&in);
    bool inSection = false;
    while (!text.atEnd()) {
        const QString line = text.readLine().trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inSection = sections.contains(line);
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (!inSection || eq < 0 || line.left(eq).trimmed() != key)
            continue;
        const QString value = line.mid(eq + 1).trimmed();
        if (!value.split(QLatin1Char(';'), Qt::SkipEmptyParts).isEmpty())
            return true;
    }
    return false;
}

} // namespace

namespace AppStream {

QString installedMetainfo(const QString& appId)
{
    if (appId.isEmpty() || appId.contains(QLatin1Char('/')))
        return {};
    for (const QString& dir : dataDirs())
        for (const QString& name : {QStringLiteral("metainfo/%1.metainfo.xml"), QStringLiteral("appdata/%1.appdata.xml")}) {
            const QString path = QDir(dir).filePath(name.arg(appId));
            if (QFileInfo(path).isFile())
                return path;
        }
    return {};
}

bool hasSchemeHandler(const QString& scheme)
{
    const QString key = QStringLiteral("x-scheme-handler/") + scheme;
    const QStringList associations = {QStringLiteral("[Default Applications]"), QStringLiteral("[Added Associations]")};
    QStringList lists;
    for (const QString& dir : configDirs())
        lists << QDir(dir).filePath(QStringLiteral("mimeapps.list"));
    for (const QString& dir : dataDirs()) {
        lists << QDir(dir).filePath(QStringLiteral("applications/mimeapps.list"));
        if (listsProgram(QDir(dir).filePath(QStringLiteral("applications/mimeinfo.cache")), key,
                         {QStringLiteral("[MIME Cache]")}))
            return true;
    }
    for (const QString& list : lists)
        if (listsProgram(list, key, associations))
            return true;
    // The user's own entries, which no cache may list yet.
    const QString own = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
    for (QDirIterator it(own, {QStringLiteral("*.desktop")}, QDir::Files); it.hasNext();) {
        QFile entry(it.next());
        if (!entry.open(QIODevice::ReadOnly | QIODevice::Text))
            continue;
        for (const QByteArray& line : entry.readAll().split('\n'))
            if (line.startsWith("MimeType=")
                && QString::fromUtf8(line.mid(9)).split(QLatin1Char(';')).contains(key))
                return true;
    }
    return false;
}

QUrl reviewAddress(const QString& appId)
{
    if (installedMetainfo(appId).isNull() || !hasSchemeHandler(QStringLiteral("appstream")))
        return {};
    return QUrl(QStringLiteral("appstream://") + appId, QUrl::StrictMode);
}

} // namespace AppStream
