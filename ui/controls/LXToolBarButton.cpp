#include "ui/controls/LXToolBarButton.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "ui/controls/LXToolBarView.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>

LXToolBarButton::LXToolBarButton(QWidget* parent) : LXButton(parent) {}

// The bar holds its buttons weakly: a deleted button drops out by itself,
// and a bar that deletes its children must not be called back.
LXToolBarButton::~LXToolBarButton() = default;

void LXToolBarButton::setName(const QString& name)
{
    storeName(name); // the skin lies in the bar's folder
    loadButton();
}

void LXToolBarButton::setBarName(const QString& name)
{
    m_barName = name;
    loadButton();
}

void LXToolBarButton::loadButton()
{
    const QString name = this->name();
    if (name.isEmpty() || m_barName.isEmpty())
        return;
    const QString bar = Bundle::mainBundle().pathForResource(m_barName, QStringLiteral("barButton"));
    const QString folder = bar.isEmpty() ? QString() : QDir(bar).filePath(name + QStringLiteral(".button"));
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        Log::line(lcControls, QStringLiteral("Warning: tool bar %1 has no button skin %2").arg(m_barName, name));
        return;
    }
    loadButtonInDirectory(folder);
}

void LXToolBarButton::setCutsBar(bool on)
{
    if (on == m_cutsBar)
        return;
    m_cutsBar = on;
    updateBar();
}

void LXToolBarButton::updateBar()
{
    // ParentAboutToChange does not come with every move, so the bar is remembered.
    LXToolBarView* now = m_cutsBar ? toolBar() : nullptr;
    if (m_bar == now)
        return;
    if (m_bar)
        m_bar->removeBarButton(this);
    m_bar = now;
    if (now)
        now->registerBarButton(this);
}

LXToolBarView* LXToolBarButton::toolBar() const
{
    return qobject_cast<LXToolBarView*>(parentWidget());
}

bool LXToolBarButton::event(QEvent* event)
{
    const bool result = LXButton::event(event);
    if (event->type() == QEvent::ParentChange)
        updateBar();
    return result;
}
