#include "effects/LXEffectPicker.h"

#include "effects/LXEffect.h"
#include "effects/LXEffectsCatalog.h"
#include "platform/foundation/MainQueue.h"

#include <QMenu>
#include <QWidget>
#include <QWindow>

#include <algorithm>

struct LXEffectPicker::Showing {
    std::shared_ptr<LXEffectPickerDelegate> delegate;
    bool chosen = false;
    // The choice or the dismissal has been told; nothing more is.
    bool ended = false;
};

LXEffectPicker& LXEffectPicker::sharedEffectPicker()
{
    static auto* shared = new LXEffectPicker(LXEffectsCatalog::sharedEffectsCatalog());
    return *shared;
}

LXEffectPicker::LXEffectPicker(LXEffectsCatalog& catalog, QObject* parent)
    : QObject(parent)
    , m_catalog(catalog)
{
}

LXEffectPicker::~LXEffectPicker()
{
    delete m_menu.data();
}

QStringList LXEffectPicker::effectDisplayNames() const
{
    QStringList names = m_catalog.sortedDisplayNames();
    std::stable_sort(names.begin(), names.end());
    return names;
}

bool LXEffectPicker::didSelectEffect() const
{
    return m_showing && m_showing->chosen;
}

QMenu* LXEffectPicker::listMenu()
{
    if (m_menu && m_menuRevision == m_catalog.revision())
        return m_menu;
    if (!m_menu) {
        m_menu = new QMenu(QString());
        connect(m_menu, &QMenu::hovered, this, &LXEffectPicker::highlighted);
        connect(m_menu, &QMenu::triggered, this, &LXEffectPicker::chosen);
        connect(m_menu, &QMenu::aboutToHide, this, &LXEffectPicker::closing);
    }
    m_menu->clear();
    for (const QString& displayName : effectDisplayNames()) {
        // "&&" shows one "&" instead of making a mnemonic of the next letter.
        QAction* item = m_menu->addAction(QString(displayName).replace(QLatin1Char('&'), QLatin1String("&&")));
        item->setData(m_catalog.effectNameForDisplayName(displayName));
    }
    m_menuRevision = m_catalog.revision();
    return m_menu;
}

void LXEffectPicker::showPickerOver(QWidget* view, QWidget* window, std::shared_ptr<LXEffectPickerDelegate> delegate)
{
    if (!view || !delegate)
        return;
    QMenu* menu = listMenu();
    if (menu->isVisible())
        menu->hide(); // the earlier showing ends as dismissed
    m_showing = std::make_shared<Showing>();
    m_showing->delegate = std::move(delegate);
    if (menu->isEmpty()) { // it would not open, so it would never close
        closing();
        return;
    }

    // Wayland places a pop-up only relative to its parent window.
    menu->winId();
    QWidget* parentWindow = window ? window->window() : view->window();
    if (QWindow* handle = menu->windowHandle(); handle && parentWindow->windowHandle())
        handle->setTransientParent(parentWindow->windowHandle());
    menu->popup(view->mapToGlobal(QPoint(0, view->height())));
}

void LXEffectPicker::beginShowing(std::shared_ptr<LXEffectPickerDelegate> delegate)
{
    if (!delegate)
        return;
    m_showing = std::make_shared<Showing>();
    m_showing->delegate = std::move(delegate);
}

std::shared_ptr<LXEffect> LXEffectPicker::effectFor(QAction* action) const
{
    const QString name = action ? action->data().toString() : QString();
    return name.isEmpty() ? nullptr : m_catalog.effectForName(name);
}

void LXEffectPicker::highlighted(QAction* action)
{
    const std::shared_ptr<Showing> showing = m_showing;
    if (showing && !showing->ended && showing->delegate)
        showing->delegate->effectPickerPreviewing(this, effectFor(action));
}

void LXEffectPicker::chosen(QAction* action)
{
    const std::shared_ptr<Showing> showing = m_showing;
    if (!showing || showing->ended)
        return;
    showing->chosen = true;
    showing->ended = true;
    const auto delegate = std::move(showing->delegate);
    delegate->effectPickerDidSelectEffect(this, effectFor(action));
}

void LXEffectPicker::closing()
{
    // The choice, if any, arrives after this; decide once it has.
    QPointer<LXEffectPicker> self(this);
    MainQueue::async([self, showing = m_showing] {
        if (!self || !showing || showing->ended)
            return;
        showing->ended = true;
        const auto delegate = std::move(showing->delegate);
        delegate->effectPickerDidSelectEffect(self, nullptr);
    });
}
