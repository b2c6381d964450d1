#pragma once
// Controllers that own a window, or a view, loaded lazily from an interface
// file of a bundle with the controller as the file's owner.
//
// The file's name defaults to the class name: for a window controller the
// nearest class, from the controller's own up to LXWindowController, that has
// a file; for a view controller the class's own name. Every subclass must
// have Q_OBJECT, since class names come from the meta-object chain.
// The window is the file's "window" outlet (a widget named "window"), else
// its root widget; the view likewise with "view".
//
// null: no window/view (not loaded yet, or the file failed: one "Warning: "
// line, nullptr returned; a later access tries again). A null bundle means
// the main bundle.
// Ownership: the controller owns its window (or view) and the file's other
// top-level objects, one owner to an object, as NibOwner says; a new window
// or view, or nullptr, drops those objects.
// Thread: main thread; windowDidClose() runs from the main queue after the
// close has finished.

#include "ui/windows/NibOwner.h"

#include <QObject>

struct Notification;

class LXWindowController : public QObject {
    Q_OBJECT
    Q_PROPERTY(QWidget* window READ loadedWindow WRITE setWindow)
public:
    Q_INVOKABLE explicit LXWindowController(QObject* parent = nullptr);
    explicit LXWindowController(QWidget* window);                                  // takes the window
    LXWindowController(const QString& nibName, std::shared_ptr<const Bundle> nibBundle);
    // Keys "WCwindow", "WCnibName", "WCnibBundle", "WCtopLevelObjects", as
    // NibOwner encodes them; the controller that encoded them gives them up.
    explicit LXWindowController(const QVariantMap& coder);
    QVariantMap encodeWithCoder() const { return m_nib.encode(); }
    ~LXWindowController() override;

    // Loads the window on first access.
    QWidget* window();
    QWidget* loadedWindow() const { return m_nib.main(); }
    void setWindow(QWidget* window);
    virtual void loadWindow();

    bool isVisible() const;
    QString nibName() const;
    void setNibName(const QString& name) { m_nib.setName(name); }
    const Bundle& nibBundle() const { return m_nib.bundle(); }
    void setNibBundle(std::shared_ptr<const Bundle> bundle) { m_nib.setBundle(std::move(bundle)); }
    const QList<QObject*>& topLevelObjects() const { return m_nib.topLevelObjects(); }
    void setTopLevelObjects(QList<QObject*> objects) { m_nib.setTopLevelObjects(std::move(objects)); }

public slots:
    void showWindow(QObject* sender = nullptr);
    // Asks the window to close, so its delegate may refuse; loads nothing.
    void close(QObject* sender = nullptr);
    void forceCloseWindow(QObject* sender = nullptr);

protected:
    virtual void windowWillLoad() {}
    virtual void windowDidLoad() {}
    virtual void windowDidClose() {}

private:
    friend struct ControllerOwnership;
    void windowWillClose(const Notification& notification);
    void forget(QObject* object);

    NibOwner m_nib{this, "WC", "window"};
};

class LXViewController : public QObject {
    Q_OBJECT
    Q_PROPERTY(QWidget* view READ loadedView WRITE setView)
public:
    Q_INVOKABLE explicit LXViewController(QObject* parent = nullptr);
    LXViewController(const QString& nibName, std::shared_ptr<const Bundle> nibBundle);
    // Keys "VCview", "VCnibName", "VCnibBundle", "VCtopLevelObjects".
    explicit LXViewController(const QVariantMap& coder);
    QVariantMap encodeWithCoder() const { return m_nib.encode(); }

    QWidget* view();
    QWidget* loadedView() const { return m_nib.main(); }
    void setView(QWidget* view);
    virtual void loadView();

    QString nibName() const;
    void setNibName(const QString& name) { m_nib.setName(name); }
    const Bundle& nibBundle() const { return m_nib.bundle(); }
    void setNibBundle(std::shared_ptr<const Bundle> bundle) { m_nib.setBundle(std::move(bundle)); }
    const QList<QObject*>& topLevelObjects() const { return m_nib.topLevelObjects(); }
    void setTopLevelObjects(QList<QObject*> objects) { m_nib.setTopLevelObjects(std::move(objects)); }

private:
    friend struct ControllerOwnership;
    void forget(QObject* object) { m_nib.forget(object); }

    NibOwner m_nib{this, "VC", "view"};
};
