#include "ui/controls/LXToolBarButton.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "ui/controls/LXToolBarView.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>

LXToolBarButton::LXToolBarButton(QWidget* parent) : LXButton(parent) {}

LXToolBarButton::~LXToolBarButton()
{
    if (LXToolBarView* bar = toolBar())
        bar->removeBarButton(this);
}

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
    if (LXToolBarView* bar = toolBar()) {
        if (on)
            bar->registerBarButton(this);
        else
            bar->removeBarButton(this);
    }
}

LXToolBarView* LXToolBarButton::toolBar() const
{
    return qobject_cast<LXToolBarView*>(parentWidget());
}

bool LXToolBarButton::event(QEvent* event)
{
    if (m_cutsBar && event->type() == QEvent::ParentAboutToChange)
        if (LXToolBarView* bar = toolBar())
            bar->removeBarButton(this);
    const bool result = LXButton::event(event);
    if (m_cutsBar && event->type() == QEvent::ParentChange)
        if (LXToolBarView* bar = toolBar())
            bar->registerBarButton(this);
    return result;
}
