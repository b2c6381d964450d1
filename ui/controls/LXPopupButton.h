#pragma once
// A skinned button that pops up a menu. Choosing an item (one without an
// "action" property of its own) makes it the selection and sends the button's
// action; while items are highlighted the target gets the hover action, the
// action's name followed by "hover" (action "pick": "pickhover"), when it
// has that method. The title follows the selection unless keepTitle is set.
// The button draws two small arrows at its right.
//
// The menu is owned by the button (made its child); the selection is one of
// its actions, null meaning the first. Thread: main thread.

#include "ui/controls/LXButton.h"

#include <QAction>
#include <QMenu>
#include <QPointer>

class LXPopupButton : public LXButton {
    Q_OBJECT
    Q_PROPERTY(bool keepTitle READ keepTitle WRITE setKeepTitle)
    Q_PROPERTY(int selectedIndex READ selectedIndex)
public:
    Q_INVOKABLE explicit LXPopupButton(QWidget* parent = nullptr);

    QMenu* menu() const { return m_menu; }
    void setMenu(QMenu* menu);
    // The stored selection, else the menu's first item, else null.
    QAction* selectedItem() const;
    void setSelectedItem(QAction* item);
    // The stored selection's position; -1 when none is stored.
    int selectedIndex() const;
    QAction* hoveredItem() const { return m_hoveredItem; }
    QByteArray hoverAction() const { return m_hoverAction; }
    void setAction(const QByteArray& action) override;
    bool keepTitle() const { return m_keepTitle; }
    void setKeepTitle(bool on) { m_keepTitle = on; }

    // Inserts an item at `index`, appended when the index is past the end.
    QAction* inserItemWithTitle(const QString& title, int index);

    // The menu's own notices.
    void menuWillOpen();
    void menuWillHighlightItem(QAction* item);
    void menuDidClose();

    // Where the arrows go, y up: two triangles, pointing down then up.
    static QVector<QPolygonF> arrows(QSizeF bounds, double paddingRight);

    void drawButton(QPainter& painter) override;

public slots:
    void itemSelected(QObject* sender = nullptr);

protected:
    void mouseDown(QMouseEvent* event) override;
    void mouseDragged(QMouseEvent*) override {}
    void mouseUp(QMouseEvent* event) override;

private:
    void adopt(QAction* item);
    void followSelection();

    QPointer<QMenu> m_menu;
    QPointer<QAction> m_selectedItem, m_hoveredItem;
    QByteArray m_hoverAction;
    bool m_keepTitle = false;
};
