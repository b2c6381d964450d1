#pragma once
// The user's defaults: values stored in a QSettings (INI) file, over defaults
// registered by the program, which are never written.
//
// The standard defaults live in <config folder>/sunnyside/sunnyside.conf
// ($XDG_CONFIG_HOME or ~/.config). Every change, made here or written to the
// file by another process, posts kUserDefaultsDidChangeNotification on the default
// notification centre (object: this) and calls the observers of each key
// whose value changed. A null value (invalid QVariant) removes a stored value;
// reads then fall back to the registered default, then to null / 0 / empty.
// A file that cannot be read as settings counts as empty (one "Warning: "
// line) and is left as it is; the first change moves it aside to
// "<file>.damaged" and starts a new file. A stored text that is not yes or
// no reads as the registered default in boolForKey (one "Warning: " line).
// Thread: main thread; the file watch needs a QCoreApplication.

#include <QObject>
#include <QSettings>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <map>
#include <memory>

class QFileSystemWatcher;

inline const QString kUserDefaultsDidChangeNotification = QStringLiteral("UserDefaultsDidChange");

class UserDefaults : public QObject {
    Q_OBJECT
public:
    using KeyObserver = std::function<void(const QVariant& value)>;

    // The application's defaults, made on first use and never freed.
    static UserDefaults& standardUserDefaults();
    static QString standardFilePath();

    explicit UserDefaults(const QString& filePath, QObject* parent = nullptr);
    ~UserDefaults() override;

    QString filePath() const { return m_settings.fileName(); }

    void registerDefaults(const QVariantMap& defaults);
    QVariantMap registeredDefaults() const { return m_registered; }

    QVariant objectForKey(const QString& key) const;
    bool boolForKey(const QString& key) const;
    qint64 integerForKey(const QString& key) const;
    double doubleForKey(const QString& key) const;
    QString stringForKey(const QString& key) const;       // null when neither string nor number
    QVariantMap dictionaryForKey(const QString& key) const; // empty when not a dictionary

    void setObject(const QVariant& value, const QString& key);
    void setBool(bool value, const QString& key) { setObject(value, key); }
    void setInteger(qint64 value, const QString& key) { setObject(value, key); }
    void setDouble(double value, const QString& key) { setObject(value, key); }
    void removeObjectForKey(const QString& key) { setObject(QVariant(), key); }

    // Calls `observer` with the new value whenever the value of `key` changes.
    // Returns a token for removeKeyObserver().
    int addKeyObserver(const QString& key, KeyObserver observer);
    void removeKeyObserver(int token);

    // Rereads the file now (as the file watch does), reporting changes.
    void synchronize();

private:
    QVariantMap snapshot() const;
    void reportChanges();
    void watchFile();
    void noteDamage();

    mutable QSettings m_settings;
    QVariantMap m_registered;
    QVariantMap m_last; // effective values at the last report
    struct Observation {
        QString key;
        KeyObserver observer;
    };
    std::map<int, std::shared_ptr<Observation>> m_observers;
    int m_nextToken = 1;
    bool m_damaged = false; // the file is there but cannot be read as settings
    QFileSystemWatcher* m_watcher = nullptr; // child
};
