#pragma once
// The settings panel of one effect of the window's look (or of its frame),
// as an overlay over the drawn display's top right corner: the effect's name,
// its settings view, "Remove" and the default button "Set as Wallpaper"
// (Return). Escape or "Done" closes it; so does the effect leaving the look
// (an undo, a reset). Every change of a control tells the editor (noteEdit),
// which saves the look and has the display rendered anew.
//
// null: a null effect closes the panel. Ownership: the overlay is a child of
// `window`; the settings view goes back to its effect (unparented) when the
// panel shows another or closes, or is deleted there when the effect is
// gone. `window`, `display` and the editor are weak. Main thread.

#include "app/LookEditor.h"
#include "ui/windows/LXChildSupportWindow.h"

#include <QObject>
#include <QPointer>

#include <memory>

class LXEffect;
class QLabel;
class QPushButton;

class LookPanel : public QObject {
    Q_OBJECT
public:
    LookPanel(LookEditor* editor, QWidget* window, QWidget* display, QObject* parent = nullptr);
    ~LookPanel() override;

    void showEffect(const std::shared_ptr<LXEffect>& effect);
    void close();
    bool isShown() const;
    std::shared_ptr<LXEffect> effect() const { return m_effect.lock(); }
    LXChildSupportWindow* overlay() const { return m_overlay; }
    QPushButton* removeButton() const { return m_remove; }

signals:
    void setAsWallpaperRequested();
    // Shown, moved or closed: what lies beside it may move.
    void placed();

private:
    void lookChanged();
    void removeEffect();
    void releaseView();
    // The effect's place in the chain; -1: the frame; -2: neither.
    int placeOfEffect() const;

    QPointer<LookEditor> m_editor;
    QPointer<QWidget> m_window, m_display;
    QPointer<LXChildSupportWindow> m_overlay;
    QLabel* m_title = nullptr;
    QWidget* m_place = nullptr; // holds the settings view
    QPushButton* m_remove = nullptr;
    QPointer<QWidget> m_view;
    std::weak_ptr<LXEffect> m_effect;
};
