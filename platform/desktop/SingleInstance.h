#pragma once
// One running instance per session, over the session D-Bus: the first launch
// with a window owns the bus name (ownership is atomic) and exports
// org.freedesktop.Application (Activate, Open, ActivateAction) at the
// object path; a later launch hands its files to that one and ends.
// The methods reply at once: what they ask for (opening a photo, which may
// render for seconds or show an alert) runs afterwards from the main queue,
// so a busy or alerting window never makes a later launch wait.
//
// Without a session bus every launch runs alone (one "Warning: " line).
// Ownership: claim() parents the instance to the QCoreApplication.
// Thread: main thread.

#include <QObject>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

class SingleInstance : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
public:
    enum class Role { Primary, Secondary, Alone };

    static QString serviceName() { return QStringLiteral("org.sunnyside.Sunnyside"); }
    static QString objectPath() { return QStringLiteral("/org/sunnyside/Sunnyside"); }

    // Tries to own the name. Primary: `*instance` receives the exported
    // object (its signals bring later launches' files). Secondary: another
    // process owns it. Alone: no bus, or the name could not be had.
    static Role claim(SingleInstance** instance);

    // From a secondary launch: asks the owner to open `urls` (to come
    // forward when there are none).
    enum class HandOver {
        Taken,     // the owner has them
        OwnerGone, // the owner quit meanwhile: the name may be claimed again
        NoAnswer,  // the owner is there but did not answer within `timeoutMs` ("Error: " line)
    };
    static HandOver handOver(const QList<QUrl>& urls, int timeoutMs = 10000);

public slots:
    void Activate(const QVariantMap& platformData);
    void Open(const QStringList& uris, const QVariantMap& platformData);
    void ActivateAction(const QString& name, const QVariantList& parameter, const QVariantMap& platformData);

signals:
    void activateRequested();
    void openRequested(const QList<QUrl>& urls);

private:
    explicit SingleInstance(QObject* parent) : QObject(parent) {}
    void queueActivate();
};
