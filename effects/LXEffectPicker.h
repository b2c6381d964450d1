#pragma once
// The effects of a catalog as a pop-up menu under a view: moving through the
// menu (mouse or keyboard) previews each effect, choosing one reports it, and
// closing the menu without a choice reports nullptr, once.
//
// Items carry their effect name in QAction::data() and are never matched by
// text, since menus turn "&" into mnemonics and desktops insert accelerators
// of their own. The menu reports its closing before the chosen item, so
// "closed without a choice" is decided on the next main-queue turn.
// The menu is built on first use and rebuilt after the catalog changes.
//
// Ownership: the delegate is held from showPickerOver until the choice or
// the dismissal has been reported, then released. Each preview and the
// choice is a new effect owned by the delegate. The catalog must outlive
// the picker. The shared picker is made on first use and never freed.
// Main thread.

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <memory>

class LXEffect;
class LXEffectPicker;
class LXEffectsCatalog;
class QAction;
class QMenu;
class QWidget;

class LXEffectPickerDelegate {
public:
    virtual ~LXEffectPickerDelegate() = default;
    // An item was highlighted; nullptr when its effect cannot be made.
    virtual void effectPickerPreviewing(LXEffectPicker* picker, const std::shared_ptr<LXEffect>& effect) = 0;
    // The showing ended: the chosen effect, or nullptr when closed without a choice.
    virtual void effectPickerDidSelectEffect(LXEffectPicker* picker, const std::shared_ptr<LXEffect>& effect) = 0;
};

class LXEffectPicker : public QObject {
    Q_OBJECT
public:
    // The picker of the shared catalog.
    static LXEffectPicker& sharedEffectPicker();

    explicit LXEffectPicker(LXEffectsCatalog& catalog, QObject* parent = nullptr);
    ~LXEffectPicker() override;

    // Opens the menu below `view`'s bottom-left corner, as a transient of
    // `window` (null: the view's window). A null view or delegate: nothing.
    void showPickerOver(QWidget* view, QWidget* window, std::shared_ptr<LXEffectPickerDelegate> delegate);

    // Starts a showing of the menu opened elsewhere (listMenu() as a menu
    // bar's entry, called from its aboutToShow): highlights, the choice and the
    // closing reach `delegate` as after showPickerOver. A null delegate: nothing.
    void beginShowing(std::shared_ptr<LXEffectPickerDelegate> delegate);

    // The catalog's display names in plain (case-sensitive) order.
    QStringList effectDisplayNames() const;
    // Whether an item was chosen in the current (or last) showing.
    bool didSelectEffect() const;
    // The menu, built or rebuilt as needed.
    QMenu* listMenu();

private:
    struct Showing;
    void highlighted(QAction* action);
    void chosen(QAction* action);
    void closing();
    std::shared_ptr<LXEffect> effectFor(QAction* action) const;

    LXEffectsCatalog& m_catalog;
    QPointer<QMenu> m_menu;
    quint64 m_menuRevision = 0;
    std::shared_ptr<Showing> m_showing;
};
