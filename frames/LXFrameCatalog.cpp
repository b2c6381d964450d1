#include "frames/LXFrameCatalog.h"

#include "platform/foundation/Application.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/UserDefaults.h"
#include "resources/BundleResources.h"
#include "resources/LXBundleManager.h"
#include "resources/StringResources.h"
#include "resources/LXLocalizeHelper.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

const QString kFrameIndexKey = QStringLiteral("CurrentFrameIndex");
constexpr double kSaveDelay = 30.0;

QString localized(const QString& key)
{
    return Bundle::mainBundle().localizedString(key);
}

// Headers ("Wood -") sort in front of the entries whose display names begin with them.
void sortByDisplayName(QStringList& list, const std::function<QString(const QString&)>& display)
{
    std::stable_sort(list.begin(), list.end(), [&](const QString& a, const QString& b) { return display(a) < display(b); });
}

QString framesBundlePath()
{
    return Bundle::mainBundle().pathForResource(QStringLiteral("Frames"), QStringLiteral("bundle"));
}

} // namespace

LXFrameCatalog::LXFrameCatalog(const QString& bundlePath, const QUrl& infoFile, QObject* parent)
    : QObject(parent), m_bundlePath(bundlePath), m_infoFile(infoFile)
{
    NotificationCenter::defaultCenter().addObserver(this, kApplicationWillTerminateNotification, nullptr,
                                                    [this](const Notification&) {
                                                        if (m_dirty)
                                                            save();
                                                    });
    // Without a frames bundle there is no system file (never a relative "Info.plist").
    const QString path = editable()             ? m_infoFile.toLocalFile()
                         : bundlePath.isEmpty() ? QString()
                                                : QDir(bundlePath).filePath(QStringLiteral("Info.plist"));
    if (!path.isEmpty() && QFileInfo(path).isFile()) {
        const QVariant list = PropertyList::read(path);
        m_unreadable = editable() && list.metaType() != QMetaType::fromType<QVariantMap>();
        const QVariantMap frames = list.toMap();
        for (auto it = frames.constBegin(); it != frames.constEnd(); ++it) {
            auto frame = std::make_shared<LXFrameDescription>(it.value().toMap(), URL(), editable());
            QString display = editable() ? localized(frame->name()) : frame->name();
            if (display.isEmpty())
                display = localized(it.key());
            insertFrame(frame, it.key(), display);
            m_frameIDs.append(it.key());
        }
    }
    const QString mainPath = Bundle::mainBundle().bundlePath();
    if (!editable() || (!mainPath.isEmpty() && path.contains(mainPath)))
        m_frameIDs << QStringLiteral("Leather -") << QStringLiteral("Metal -") << QStringLiteral("Paper -")
                   << QStringLiteral("Wood -");
    sortFrameIDs();
}

LXFrameCatalog::~LXFrameCatalog()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    if (const auto timer = m_saveTimer.lock())
        timer->invalidate();
}

LXFrameCatalog& LXFrameCatalog::sharedFrameCatalog()
{
    static LXFrameCatalog* shared = new LXFrameCatalog(framesBundlePath(), {});
    return *shared;
}

LXFrameCatalog& LXFrameCatalog::sharedUserFrameCatalog()
{
    static LXFrameCatalog* shared = [] {
        const QString folder = LXBundleManager::applicationSupportDirectory();
        const QUrl file = folder.isNull() ? QUrl() : QUrl::fromLocalFile(QDir(folder).filePath("UserFrames.plist"));
        return new LXFrameCatalog(framesBundlePath(), file);
    }();
    return *shared;
}

LXFrameDescription* LXFrameCatalog::anyFrameWithName(const QString& name)
{
    if (LXFrameDescription* frame = sharedUserFrameCatalog().frameWithName(name))
        return frame;
    if (LXFrameDescription* frame = sharedFrameCatalog().frameWithName(name))
        return frame;
    return plainFrame();
}

LXFrameDescription* LXFrameCatalog::plainFrame()
{
    static LXFrameDescription* plain = new LXFrameDescription(
        {{"Texture", "Plain Color"}, {"Texture.Color", "1.0 1.0 1.0 1.0"}},
        QUrl::fromLocalFile(framesBundlePath()), false);
    return plain;
}

QStringList LXFrameCatalog::allFrameNames()
{
    QStringList names{QStringLiteral("Plain Frame")};
    if (const QStringList& user = sharedUserFrameCatalog().frameIDs(); !user.isEmpty())
        names << QStringLiteral("-") << user;
    names << QStringLiteral("-") << sharedFrameCatalog().frameIDs();
    return names;
}

QString LXFrameCatalog::nextFrameID()
{
    return sharedUserFrameCatalog().newFrameID();
}

QString LXFrameCatalog::newFrameID() const
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    quint64 index = quint64(std::max<qint64>(0, defaults.integerForKey(kFrameIndexKey)));
    QString identifier;
    // The default may have been lost or reset: skip what the file still holds.
    do
        identifier = QString::asprintf("FRM-U#%03llu#", static_cast<unsigned long long>(++index));
    while (m_frames.contains(identifier));
    defaults.setInteger(qint64(index), kFrameIndexKey);
    return identifier;
}

LXFrameDescription* LXFrameCatalog::frameWithName(const QString& name) const
{
    return m_frames.value(identifierFor(name)).get();
}

QString LXFrameCatalog::identifierFor(const QString& identifierOrName) const
{
    return m_frames.contains(identifierOrName) ? identifierOrName : m_idForName.value(identifierOrName);
}

void LXFrameCatalog::insertFrame(const std::shared_ptr<LXFrameDescription>& frame, const QString& identifier,
                                 const QString& displayName)
{
    frame->setName(displayName);
    LXLocalizeHelper::setLocalizedString(displayName, identifier);
    m_frames.insert(identifier, frame);
    m_idForName.insert(displayName, identifier);
    NotificationCenter::defaultCenter().addObserver(this, kFrameChangedNotification, frame.get(),
                                                    [this](const Notification&) { saveCatalogInstantly(false); });
}

void LXFrameCatalog::sortFrameIDs()
{
    sortByDisplayName(m_frameIDs, [](const QString& s) { return LXLocalizeHelper::localizedString(s); });
}

void LXFrameCatalog::changed(const QString& what, const QVariantMap& userInfo)
{
    NotificationCenter::defaultCenter().post(kFrameCatalogChangedNotification, this);
    NotificationCenter::defaultCenter().post(what, this, userInfo);
    saveCatalogInstantly(false);
}

QString LXFrameCatalog::addFrame(const std::shared_ptr<LXFrameDescription>& frame)
{
    const QString identifier = newFrameID();
    addFrameWithID(frame, identifier);
    return identifier;
}

void LXFrameCatalog::addFrameWithID(const std::shared_ptr<LXFrameDescription>& frame, const QString& identifier)
{
    if (!frame || identifier.isEmpty() || m_frames.contains(identifier)) {
        Log::line(lcFrames, QStringLiteral("Warning: frame '%1' was not added: no frame, or the identifier is taken")
                                .arg(identifier));
        return;
    }
    if (m_undoManager) {
        m_undoManager->registerUndo(this, [identifier](QObject* catalog) {
            static_cast<LXFrameCatalog*>(catalog)->removeFrameName(identifier);
        });
        m_undoManager->setActionName(localized(QStringLiteral("removeFrameName:")));
    }
    frame->setUndoManager(m_undoManager);
    insertFrame(frame, identifier, frame->name());
    m_frameIDs.append(identifier);
    sortFrameIDs();
    changed(kFrameAddedNotification);
}

bool LXFrameCatalog::renameFrameID(const QString& identifierOrName, const QString& newName)
{
    const QString identifier = identifierFor(identifierOrName);
    LXFrameDescription* frame = m_frames.value(identifier).get();
    if (!editable() || !frame || newName.isEmpty() || m_idForName.contains(newName))
        return false;
    const QString oldName = frame->name();
    m_idForName.remove(oldName);
    LXLocalizeHelper::setLocalizedString(newName, identifier);
    m_idForName.insert(newName, identifier);
    frame->setName(newName);
    sortFrameIDs();
    if (m_undoManager) {
        m_undoManager->registerUndo(this, [identifier, oldName](QObject* catalog) {
            static_cast<LXFrameCatalog*>(catalog)->renameFrameID(identifier, oldName);
        });
        m_undoManager->setActionName(localized(QStringLiteral("undoRenameWithDescription:")));
    }
    changed(kFrameNameChangedNotification, {{"Name", newName}, {"ID", identifier}});
    return true;
}

void LXFrameCatalog::removeFrameAtIndex(qsizetype index)
{
    const QString identifier = m_frameIDs.value(index);
    const std::shared_ptr<LXFrameDescription> frame = m_frames.value(identifier);
    if (!frame) {
        Log::line(lcFrames, QStringLiteral("Warning: no frame at position %1 of the frame catalog").arg(index));
        return;
    }
    if (m_undoManager) {
        m_undoManager->registerUndo(this, [frame, identifier](QObject* catalog) {
            static_cast<LXFrameCatalog*>(catalog)->addFrameWithID(frame, identifier);
        });
        m_undoManager->setActionName(localized(QStringLiteral("undoRemoveFrame:")));
    }
    NotificationCenter::defaultCenter().removeObserver(this, kFrameChangedNotification, frame.get());
    m_idForName.remove(frame->name());
    LXLocalizeHelper::setLocalizedString({}, identifier);
    m_frames.remove(identifier);
    m_frameIDs.removeAt(index);
    changed(kFrameRemovedNotification);
}

void LXFrameCatalog::removeFrameName(const QString& identifierOrName)
{
    const qsizetype index = m_frameIDs.indexOf(identifierFor(identifierOrName));
    if (index >= 0)
        removeFrameAtIndex(index);
}

void LXFrameCatalog::setUndoManager(UndoManager* manager)
{
    m_undoManager = manager;
    for (const auto& frame : std::as_const(m_frames))
        frame->setUndoManager(manager);
}

bool LXFrameCatalog::saveCatalogInstantly(bool now)
{
    if (!editable())
        return true;
    m_dirty = true;
    if (now)
        return save();
    if (!m_saveTimer.lock()) {
        QPointer<LXFrameCatalog> self(this);
        m_saveTimer = Timer::scheduled(kSaveDelay, false, [self](Timer&) {
            if (self)
                self->save();
        });
    }
    return true;
}

bool LXFrameCatalog::save()
{
    if (const auto timer = m_saveTimer.lock())
        timer->invalidate();
    m_saveTimer.reset();
    const QString path = m_infoFile.toLocalFile();
    if (m_unreadable && QFileInfo::exists(path)) {
        const QString aside =
            path + QStringLiteral(".unreadable-") + QDateTime::currentDateTimeUtc().toString("yyyyMMdd'T'HHmmss'Z'");
        if (!QFile::rename(path, aside)) {
            Log::line(lcFrames, QStringLiteral("Error: the unreadable user frames file '%1' could not be moved aside; "
                                               "the frames are not saved")
                                    .arg(path));
            return false;
        }
        Log::line(lcFrames, QStringLiteral("Warning: the unreadable user frames file was kept as '%1'").arg(aside));
    }
    m_unreadable = false;
    QVariantMap frames;
    for (auto it = m_frames.constBegin(); it != m_frames.constEnd(); ++it)
        frames.insert(it.key(), it.value()->saveDictionary());
    if (!PropertyList::write(frames, path))
        return false; // still dirty: the next change or quitting tries again
    m_dirty = false;
    return true;
}

const QVariantMap& LXFrameCatalog::sharedShadeSettings()
{
    static const QVariantMap settings = [] {
        QVariantMap all;
        for (const QString& path : Bundle(framesBundlePath()).pathsForResources(QStringLiteral("png"), QStringLiteral("Shades"))) {
            const LXResourceInfo info = resourceInfo(path);
            const QStringList pieces = info.options.isEmpty() ? QStringList() : info.options.split(u'-');
            auto number = [&](int i) { return i < pieces.size() ? pieces[i].toDouble() : 0.0; };
            QVariantMap record{{"url", QUrl::fromLocalFile(path)},
                               {"width", pieces.isEmpty() ? 256.0 : number(0)},
                               {"corner", number(1)},
                               {"repeat.x", number(2)},
                               {"repeat.y", number(3)}};
            for (qsizetype i = 4; i < pieces.size(); ++i)
                if (pieces[i].startsWith(u'I') || pieces[i].startsWith(u'E'))
                    record.insert(pieces[i].startsWith(u'I') ? "internal" : "external", "FRM-" + pieces[i] + "#");
            all.insert(resourceIDNameFor(info), record);
        }
        return all;
    }();
    return settings;
}

const QStringList& LXFrameCatalog::sharedShadeNames()
{
    static const QStringList names = [] {
        QStringList list = sharedShadeSettings().keys();
        list << QStringLiteral("External -") << QStringLiteral("Internal -") << QStringLiteral("Overlay -")
             << QStringLiteral("Join -");
        sortByDisplayName(list, localized);
        return list;
    }();
    return names;
}

qsizetype LXFrameCatalog::indexOfShade(const QString& name)
{
    return sharedShadeNames().indexOf(name);
}

QStringList LXFrameCatalog::listForItemsOfType(const QString& type)
{
    const QString directory = directoryForResourceType(type);
    QStringList names;
    if (directory.isNull())
        return names;
    for (const QString& path : Bundle(framesBundlePath()).pathsForResources({}, directory))
        if (const QString name = resourceIDName(path); !names.contains(name))
            names << name;
    sortByDisplayName(names, localized);
    return names;
}

const QStringList& LXFrameCatalog::sharedExternalMaskNames()
{
    static const QStringList names = listForItemsOfType(QStringLiteral("FRM-E"));
    return names;
}

const QStringList& LXFrameCatalog::sharedInternalMaskNames()
{
    static const QStringList names = [] {
        QStringList list = listForItemsOfType(QStringLiteral("FRM-I"));
        list.removeAll(QStringLiteral("FRM-I#000#Internal-Auto"));
        list.prepend(QStringLiteral("FRM-I#000#Internal-Auto"));
        return list;
    }();
    return names;
}
