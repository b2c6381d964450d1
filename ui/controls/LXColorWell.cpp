#include "ui/controls/LXColorWell.h"

#include <QColorDialog>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>

namespace {
QPointer<LXColorWell>& active()
{
    static QPointer<LXColorWell> well;
    return well;
}
QMetaObject::Connection& panelConnection()
{
    static QMetaObject::Connection connection;
    return connection;
}
} // namespace

LXColorWell::LXColorWell(QWidget* parent) : QWidget(parent) {}

LXColorWell::~LXColorWell()
{
    if (active() == this)
        QObject::disconnect(panelConnection());
}

void LXColorWell::setColor(const QColor& color)
{
    if (m_opening)
        return;
    m_color = color;
    update();
}

QColorDialog* LXColorWell::sharedColorPanel()
{
    static QColorDialog* panel = [] {
        auto* dialog = new QColorDialog;
        dialog->setOption(QColorDialog::NoButtons);
        dialog->setOption(QColorDialog::DontUseNativeDialog);
        dialog->setModal(false);
        return dialog;
    }();
    return panel;
}

LXColorWell* LXColorWell::activeWell() { return active(); }

void LXColorWell::activate()
{
    QColorDialog* panel = sharedColorPanel();
    if (LXColorWell* previous = active(); previous && previous != this)
        previous->deactivate();
    QObject::disconnect(panelConnection());
    active() = this;
    m_opening = true; // the panel echoes the colour we hand it
    panel->setOption(QColorDialog::ShowAlphaChannel, m_supportsAlpha);
    panel->setCurrentColor(color());
    panel->show();
    panel->raise();
    m_opening = false;
    panelConnection() = connect(panel, &QColorDialog::currentColorChanged, this, [this](const QColor& c) {
        if (!m_opening)
            takeColorFromPanel(c);
    });
    update();
}

void LXColorWell::deactivate()
{
    if (active() != this)
        return;
    QObject::disconnect(panelConnection());
    active() = nullptr;
    update();
}

void LXColorWell::takeColorFromPanel(const QColor& color)
{
    setColor(color);
    emit changed();
}

void LXColorWell::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        isActive() ? deactivate() : activate();
}

void LXColorWell::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath outer;
    outer.addRoundedRect(frame, 5, 5);
    painter.fillPath(outer, palette().color(isActive() ? QPalette::Highlight : QPalette::Button));
    painter.setPen(QColor(0, 0, 0, 60));
    painter.drawPath(outer);
    QPainterPath swatch;
    swatch.addRoundedRect(frame.adjusted(4, 4, -4, -4), 3, 3);
    painter.fillPath(swatch, Qt::white);
    painter.fillPath(swatch, color());
    painter.setPen(QColor(0, 0, 0, 50));
    painter.drawPath(swatch);
}
