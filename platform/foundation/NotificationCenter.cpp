#include "platform/foundation/NotificationCenter.h"

#include <algorithm>

NotificationCenter& NotificationCenter::defaultCenter()
{
    static NotificationCenter* center = new NotificationCenter;
    return *center;
}

void NotificationCenter::addObserver(const void* observer, const QString& name, const void* object,
                                     Handler handler)
{
    if (!handler)
        return;
    m_entries.push_back(std::make_shared<Entry>(Entry{observer, name, object, std::move(handler)}));
}

void NotificationCenter::erase(const std::function<bool(const Entry&)>& match)
{
    // Entries being delivered stay alive in the poster's snapshot; the flag
    // keeps them from being called after their removal.
    auto it = std::remove_if(m_entries.begin(), m_entries.end(), [&](const std::shared_ptr<Entry>& e) {
        if (!match(*e))
            return false;
        e->removed = true;
        return true;
    });
    m_entries.erase(it, m_entries.end());
}

void NotificationCenter::removeObserver(const void* observer)
{
    erase([&](const Entry& e) { return e.observer == observer; });
}

void NotificationCenter::removeObserver(const void* observer, const QString& name, const void* object)
{
    erase([&](const Entry& e) {
        return e.observer == observer && (name.isNull() || e.name == name)
            && (!object || e.object == object);
    });
}

void NotificationCenter::post(const QString& name, const void* object, const QVariantMap& userInfo)
{
    const Notification notification{name, object, userInfo};
    std::vector<std::shared_ptr<Entry>> receivers;
    for (const auto& e : m_entries) {
        if ((e->name.isNull() || e->name == name) && (!e->object || e->object == object))
            receivers.push_back(e);
    }
    for (const auto& e : receivers) {
        if (!e->removed)
            e->handler(notification);
    }
}
