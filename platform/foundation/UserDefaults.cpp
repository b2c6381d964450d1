#include "platform/foundation/UserDefaults.h"

#include "platform/foundation/NotificationCenter.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QStandardPaths>

namespace {

// INI files give back "true" and "5" for true and 5; compare in that form.
QVariant comparable(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return value.toString();
    default:
        return value;
    }
}

} // namespace

QString UserDefaults::standardFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
         + QStringLiteral("/sunnyside/sunnyside.conf");
}

UserDefaults& UserDefaults::standardUserDefaults()
{
    static UserDefaults* defaults = new UserDefaults(standardFilePath());
    return *defaults;
}

UserDefaults::UserDefaults(const QString& filePath, QObject* parent)
    : QObject(parent), m_settings(filePath, QSettings::IniFormat)
{
    QDir().mkpath(QFileInfo(filePath).absolutePath());
    m_watcher = new QFileSystemWatcher(this);
    // QSettings replaces the file on write, which ends a watch on the file
    // itself; the folder's watch sees the replacement.
    m_watcher->addPath(QFileInfo(filePath).absolutePath());
    watchFile();
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        watchFile();
        synchronize();
    });
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, [this] {
        watchFile();
        synchronize();
    });
    m_last = snapshot();
}

UserDefaults::~UserDefaults() = default;

void UserDefaults::watchFile()
{
    const QString path = m_settings.fileName();
    if (QFileInfo::exists(path) && !m_watcher->files().contains(path))
        m_watcher->addPath(path);
}

void UserDefaults::registerDefaults(const QVariantMap& defaults)
{
    for (auto it = defaults.cbegin(); it != defaults.cend(); ++it)
        m_registered.insert(it.key(), it.value());
    m_last = snapshot(); // registering is not a change of the user's values
}

QVariant UserDefaults::objectForKey(const QString& key) const
{
    QVariant stored = m_settings.value(key);
    return stored.isValid() ? stored : m_registered.value(key);
}

bool UserDefaults::boolForKey(const QString& key) const
{
    const QVariant value = objectForKey(key);
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed().toLower();
        return text == QLatin1String("true") || text == QLatin1String("yes")
            || text.toDouble() != 0.0;
    }
    return value.toBool();
}

qint64 UserDefaults::integerForKey(const QString& key) const
{
    const QVariant value = objectForKey(key);
    if (value.typeId() == QMetaType::QString && value.toString() == QLatin1String("true"))
        return 1;
    bool ok = false;
    const qint64 whole = value.toLongLong(&ok);
    return ok ? whole : qint64(value.toDouble());
}

double UserDefaults::doubleForKey(const QString& key) const
{
    const QVariant value = objectForKey(key);
    if (value.typeId() == QMetaType::QString && value.toString() == QLatin1String("true"))
        return 1.0;
    return value.toDouble();
}

QString UserDefaults::stringForKey(const QString& key) const
{
    const QVariant value = objectForKey(key);
    switch (value.typeId()) {
    case QMetaType::QString:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return value.toString();
    default:
        return {};
    }
}

QVariantMap UserDefaults::dictionaryForKey(const QString& key) const
{
    const QVariant value = objectForKey(key);
    return value.typeId() == QMetaType::QVariantMap ? value.toMap() : QVariantMap();
}

void UserDefaults::setObject(const QVariant& value, const QString& key)
{
    if (value.isValid())
        m_settings.setValue(key, value);
    else
        m_settings.remove(key);
    m_settings.sync();
    reportChanges();
}

int UserDefaults::addKeyObserver(const QString& key, KeyObserver observer)
{
    const int token = m_nextToken++;
    m_observers.emplace(token, std::make_shared<Observation>(Observation{key, std::move(observer)}));
    return token;
}

void UserDefaults::removeKeyObserver(int token)
{
    m_observers.erase(token);
}

void UserDefaults::synchronize()
{
    m_settings.sync();
    reportChanges();
}

QVariantMap UserDefaults::snapshot() const
{
    QVariantMap values;
    for (auto it = m_registered.cbegin(); it != m_registered.cend(); ++it)
        values.insert(it.key(), comparable(it.value()));
    for (const QString& key : m_settings.allKeys())
        values.insert(key, comparable(m_settings.value(key)));
    return values;
}

void UserDefaults::reportChanges()
{
    const QVariantMap now = snapshot();
    if (now == m_last)
        return;
    const QVariantMap before = std::exchange(m_last, now);
    // Observers may remove themselves or others while being called.
    std::vector<std::pair<int, std::shared_ptr<Observation>>> observers(m_observers.begin(), m_observers.end());
    for (const auto& [token, observation] : observers) {
        if (!m_observers.count(token) || before.value(observation->key) == now.value(observation->key))
            continue;
        observation->observer(objectForKey(observation->key));
    }
    NotificationCenter::defaultCenter().post(didChangeNotification(), this);
}
