#include "ui/controls/LXPopupButton.h"

#include "platform/ui/TargetAction.h"
#include "platform/ui/YUp.h"
#include "ui/localization/LXLocalizeHelper.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace {
const char* const kAdopted = "lxPopupAdopted";
}

LXPopupButton::LXPopupButton(QWidget* parent) : LXButton(parent) {}

void LXPopupButton::setMenu(QMenu* menu)
{
    m_selectedItem = nullptr;
    m_hoveredItem = nullptr;
    if (m_menu && m_menu != menu)
        m_menu->disconnect(this);
    m_menu = menu;
    if (!menu)
        return;
    if (menu->parent() != this)
        menu->setParent(this, menu->windowFlags());
    LXMenuTranslationController::translateMenuWithTable(menu, QStringLiteral("Controls"));
    connect(menu, &QMenu::aboutToShow, this, &LXPopupButton::menuWillOpen);
    connect(menu, &QMenu::hovered, this, &LXPopupButton::menuWillHighlightItem);
    connect(menu, &QMenu::aboutToHide, this, &LXPopupButton::menuDidClose);
    for (QAction* item : menu->actions())
        adopt(item);
    followSelection();
}

void LXPopupButton::adopt(QAction* item)
{
    if (item->isSeparator() || item->menu() || item->property(kAdopted).toBool())
        return;
    // Items with an action of their own (an interface file's "action") keep it.
    if (!item->property("action").toByteArray().isEmpty())
        return;
    item->setProperty(kAdopted, true);
    connect(item, &QAction::triggered, this, [this, item] { itemSelected(item); });
}

QAction* LXPopupButton::selectedItem() const
{
    if (m_selectedItem)
        return m_selectedItem;
    return m_menu && !m_menu->actions().isEmpty() ? m_menu->actions().first() : nullptr;
}

void LXPopupButton::setSelectedItem(QAction* item)
{
    m_selectedItem = item;
    followSelection();
}

int LXPopupButton::selectedIndex() const
{
    return m_menu && m_selectedItem ? int(m_menu->actions().indexOf(m_selectedItem.data())) : -1;
}

void LXPopupButton::followSelection()
{
    if (m_keepTitle)
        return;
    if (QAction* item = selectedItem())
        setText(item->text());
    updateGeometry();
    update();
}

void LXPopupButton::setAction(const QByteArray& action)
{
    LXButton::setAction(action);
    m_hoverAction = action.isEmpty() ? QByteArray() : action + "hover";
}

QAction* LXPopupButton::inserItemWithTitle(const QString& title, int index)
{
    if (!m_menu)
        setMenu(new QMenu(this));
    auto* item = new QAction(title, m_menu);
    const QList<QAction*> items = m_menu->actions();
    if (index >= 0 && index < items.size())
        m_menu->insertAction(items[index], item);
    else
        m_menu->addAction(item);
    adopt(item);
    return item;
}

void LXPopupButton::itemSelected(QObject*)
{
    sendAction();
}

void LXPopupButton::menuWillOpen()
{
    // A highlight from an earlier opening must not become the selection.
    m_hoveredItem = nullptr;
}

void LXPopupButton::menuWillHighlightItem(QAction* item)
{
    m_hoveredItem = item;
    if (target() && TargetAction::responds(target(), m_hoverAction))
        TargetAction::send(target(), m_hoverAction, this);
}

void LXPopupButton::menuDidClose()
{
    if (m_hoveredItem)
        setSelectedItem(m_hoveredItem);
    setButtonState(kNormal);
}

void LXPopupButton::mouseDown(QMouseEvent* event)
{
    if (!isEnabled())
        return;
    setButtonState(kDown);
    if (m_menu && inside(event) && event->type() != QEvent::MouseButtonDblClick) {
        // The selected item sits at (5, half the height + 10), y up.
        const QPointF at = flippedPoint(QPointF(5, height() * 0.5 + 10), height());
        m_menu->popup(mapToGlobal(at.toPoint()), selectedItem());
    }
}

void LXPopupButton::mouseUp(QMouseEvent* event)
{
    if (isEnabled())
        setButtonState(inside(event) ? kHover : kNormal);
}

QVector<QPolygonF> LXPopupButton::arrows(QSizeF bounds, double paddingRight)
{
    // Inside the six points the drawing keeps free at the right.
    const double x0 = bounds.width() - 8 - paddingRight;
    const double y0 = std::floor(bounds.height() * 0.5 - 5);
    return {QPolygonF({{x0, y0 + 4}, {x0 + 2.5, y0}, {x0 + 5, y0 + 4}}),
            QPolygonF({{x0, y0 + 7}, {x0 + 2.5, y0 + 11}, {x0 + 5, y0 + 7}})};
}

void LXPopupButton::drawButton(QPainter& painter)
{
    const ButtonPadding saved = m_padding;
    m_padding.right += 6;
    LXButton::drawButton(painter);
    m_padding = saved;
    painter.setPen(Qt::NoPen);
    painter.setBrush(drawnTextColor());
    for (const QPolygonF& arrow : arrows(size(), m_padding.right)) {
        QPolygonF flipped;
        for (const QPointF& p : arrow)
            flipped << flippedPoint(p, height());
        painter.drawPolygon(flipped);
    }
}
