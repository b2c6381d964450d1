#pragma once
// Notifications named by strings, with an optional sender object and user
// info, delivered synchronously on the posting thread to the observers added
// for that name and sender, in the order they were added.
//
// Objects are identities only (`const void*`, never dereferenced); nullptr
// as a name filter (a null QString) or object filter means "any". An observer
// removed while a notification is being delivered, even by an earlier
// observer of the same post, is not called afterwards; an observer added
// during a delivery first hears the next post.
// Observers must remove themselves before they are destroyed.
// Thread: main thread (no locks; posting from elsewhere is not supported).

#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <vector>

struct Notification {
    QString name;
    const void* object = nullptr;
    QVariantMap userInfo;
};

class NotificationCenter {
public:
    using Handler = std::function<void(const Notification&)>;

    // The process's centre, made on first use and never freed.
    static NotificationCenter& defaultCenter();

    void addObserver(const void* observer, const QString& name, const void* object, Handler handler);

    // Removes every registration of `observer`.
    void removeObserver(const void* observer);
    // Removes the registrations of `observer` that match `name` and `object`
    // (a null name or nullptr object matches any).
    void removeObserver(const void* observer, const QString& name, const void* object);

    void post(const QString& name, const void* object = nullptr, const QVariantMap& userInfo = {});

    // Registrations currently held, for tests and leak checks.
    std::size_t observerCount() const { return m_entries.size(); }

private:
    struct Entry {
        const void* observer;
        QString name;
        const void* object;
        Handler handler;
        bool removed = false;
    };
    void erase(const std::function<bool(const Entry&)>& match);

    std::vector<std::shared_ptr<Entry>> m_entries;
};
