#include "platform/foundation/UserDefaults.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"

#include <QDir>
#include <QFile>
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
    noteDamage();
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

void UserDefaults::noteDamage()
{
    // Qt shares one parse of a file among its QSettings, so only the first
    // reader's status tells; the file counts as damaged until a write.
    m_settings.allKeys();
    if (!QFileInfo::exists(m_settings.fileName()) || m_settings.status() != QSettings::FormatError)
        return;
    m_damaged = true;
    Log::line(lcFoundation, QStringLiteral("Warning: the settings file %1 is damaged and cannot be read; "
                                           "the defaults apply, and the file is kept as it is until a setting changes")
                                .arg(m_settings.fileName()));
}

QVariant UserDefaults::objectForKey(const QString& key) const
{
    QVariant stored = m_damaged ? QVariant() : m_settings.value(key);
    return stored.isValid() ? stored : m_registered.value(key);
}

bool UserDefaults::boolForKey(const QString& key) const
{
    const QVariant value = objectForKey(key);
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed().toLower();
        if (text == QLatin1String("true") || text == QLatin1String("yes"))
            return true;
        if (text == QLatin1String("false") || text == QLatin1String("no"))
            return false;
        bool isNumber = false;
        const double number = text.toDouble(&isNumber);
        if (isNumber)
            return number != 0.0;
        Log::line(lcFoundation, QStringLiteral("Warning: the setting %1 in %2 is '%3', which is not yes or no; "
                                               "the default applies")
                                    .arg(key, m_settings.fileName(), value.toString()));
        return m_registered.value(key).toBool();
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
    if (m_damaged) {
        // The damaged file is kept beside the new one, not written over.
        const QString path = m_settings.fileName();
        const QString aside = path + QStringLiteral(".damaged");
        QFile::remove(aside);
        if (!QFile::rename(path, aside)) {
            Log::line(lcFoundation, QStringLiteral("Error: cannot move the damaged settings file %1 aside to %2; "
                                                   "the setting %3 is not saved")
                                        .arg(path, aside, key));
            return;
        }
        Log::line(lcFoundation, QStringLiteral("Warning: the damaged settings file is kept as %1").arg(aside));
        m_settings.clear();
        m_damaged = false;
    }
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
    for (const QString& key : m_damaged ? QStringList() : m_settings.allKeys())
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
    NotificationCenter::defaultCenter().post(kUserDefaultsDidChangeNotification, this);
}
