#pragma once
// The frames under their identifiers: the read-only system catalog (the
// frames bundle's "Info.plist") and the editable user catalog
// ("UserFrames.plist" in the application support folder). The catalog also
// answers the lists of the frame builder's pop-ups: frames, shades with their
// geometry, external and internal masks.
//
// User frames get identifiers "FRM-U#007#" from the default
// "CurrentFrameIndex", which only grows; an identifier held by a frame is
// never issued again, even when the default was lost.
//
// Saving: every add, remove, rename, frame change and their undos schedule a
// save within 30 seconds (saveTimer()); the catalog stays dirty until a
// write succeeds, and a dirty catalog saves when the application terminates.
// A user file that cannot be read is moved aside as
// "UserFrames.plist.unreadable-<UTC time>" before the first write, so the
// user's frames are never overwritten unread.
//
// Notifications (object: the catalog): "LXFrameCatalogChanged",
// "LXFrameAdded", "LXFrameRemoved", "LXFrameNameChanged" {"Name", "ID"}.
// Ownership: the catalog owns its frames (shared with undo steps); the undo
// manager is held weakly. Shared catalogs live for the whole process.
// Thread: main thread.

#include "frames/LXFrameDescription.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Timer.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QUrl>

#include <memory>

inline const QString kFrameCatalogChangedNotification = QStringLiteral("LXFrameCatalogChanged");
inline const QString kFrameAddedNotification = QStringLiteral("LXFrameAdded");
inline const QString kFrameRemovedNotification = QStringLiteral("LXFrameRemoved");
inline const QString kFrameNameChangedNotification = QStringLiteral("LXFrameNameChanged");

class LXFrameCatalog : public QObject {
    Q_OBJECT
public:
    // Loads `infoFile` (empty: the bundle's "Info.plist", read-only).
    LXFrameCatalog(const QString& bundlePath, const QUrl& infoFile, QObject* parent = nullptr);
    ~LXFrameCatalog() override;

    static LXFrameCatalog& sharedFrameCatalog();
    static LXFrameCatalog& sharedUserFrameCatalog();
    // The user frame, else the system frame, else the plain frame; never null.
    static LXFrameDescription* anyFrameWithName(const QString& name);
    static LXFrameDescription* plainFrame();
    // "Plain Frame", then "-" and the user frames (when there are any), then
    // "-" and the system catalog's entries.
    static QStringList allFrameNames();
    // A new user frame identifier.
    static QString nextFrameID();

    // Shade name -> {"url", "width", "corner", "repeat.x", "repeat.y",
    // optionally "internal", "external"}; and the sorted names with headers.
    static const QVariantMap& sharedShadeSettings();
    static const QStringList& sharedShadeNames();
    static qsizetype indexOfShade(const QString& name); // -1 when absent
    static QStringList listForItemsOfType(const QString& type);
    static const QStringList& sharedExternalMaskNames();
    static const QStringList& sharedInternalMaskNames();

    // Identifiers in display order (with category headers in the system catalog).
    const QStringList& frameIDs() const { return m_frameIDs; }
    QStringList frameNames() const { return m_idForName.keys(); }
    // By identifier, else by name; null when neither.
    LXFrameDescription* frameWithName(const QString& name) const;
    QString frameIDForName(const QString& name) const { return m_idForName.value(name); }

    // Adds under a new identifier, which it returns.
    QString addFrame(const std::shared_ptr<LXFrameDescription>& frame);
    void addFrameWithID(const std::shared_ptr<LXFrameDescription>& frame, const QString& identifier);
    // False (nothing changed) when read-only, unknown, or the name is taken.
    bool renameFrameID(const QString& identifierOrName, const QString& newName);
    void removeFrameAtIndex(qsizetype index);
    void removeFrameName(const QString& identifierOrName);

    // Now, or within 30 seconds; nothing for a read-only catalog. True when
    // the file was written (or nothing was due).
    bool saveCatalogInstantly(bool now);
    bool isDirty() const { return m_dirty; }
    std::shared_ptr<Timer> saveTimer() const { return m_saveTimer.lock(); }

    bool editable() const { return m_infoFile.isValid(); }
    QUrl URL() const { return QUrl::fromLocalFile(m_bundlePath); }
    UndoManager* undoManager() const { return m_undoManager; }
    void setUndoManager(UndoManager* manager);

private:
    QString identifierFor(const QString& identifierOrName) const;
    QString newFrameID() const;
    void insertFrame(const std::shared_ptr<LXFrameDescription>& frame, const QString& identifier,
                     const QString& displayName);
    void sortFrameIDs();
    void changed(const QString& what, const QVariantMap& userInfo = {});
    bool save();

    QString m_bundlePath;
    QUrl m_infoFile;
    QHash<QString, std::shared_ptr<LXFrameDescription>> m_frames;
    QHash<QString, QString> m_idForName;
    QStringList m_frameIDs;
    std::weak_ptr<Timer> m_saveTimer;
    QPointer<UndoManager> m_undoManager;
    bool m_dirty = false;
    bool m_unreadable = false; // the file on disk is not ours to overwrite
};
