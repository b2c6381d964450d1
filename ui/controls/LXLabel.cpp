#include "ui/controls/LXLabel.h"

#include "graphics/LXShadowCatalog.h"
#include "platform/foundation/Bundle.h"
#include "platform/ui/ShadowText.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

LXLabel::LXLabel(QWidget* parent) : QLabel(parent) {}

void LXLabel::setStringValue(const QString& text)
{
    setText(Bundle::mainBundle().localizedString(text, text, QStringLiteral("Controls")));
    updateGeometry();
}

void LXLabel::awakeFromNib() { setStringValue(text()); }

void LXLabel::setCornerRadius(double radius)
{
    m_cornerRadius = radius;
    update();
}

void LXLabel::setShrinkToFit(bool on)
{
    m_shrinkToFit = on;
    update();
}

void LXLabel::setDrawsBackground(bool on)
{
    m_drawsBackground = on;
    update();
}

void LXLabel::setBackgroundColor(const QColor& color)
{
    m_backgroundColor = color;
    update();
}

void LXLabel::setTextShadow(std::optional<::Shadow> shadow)
{
    m_shadow = shadow;
    update();
}

void LXLabel::setTextShadowName(const QString& name)
{
    const LXShadowCatalog& catalog = LXShadowCatalog::sharedShadowCatalog();
    m_shadowName = name;
    setTextShadow(catalog.shadowWithName(name));
    if (const QColor color = catalog.textColorForShadowWithName(name); color.isValid()) {
        QPalette palette = this->palette();
        palette.setColor(QPalette::WindowText, color);
        setPalette(palette);
    }
}

int LXLabel::textFlags() const
{
    return int(alignment() & Qt::AlignHorizontal_Mask) | (wordWrap() ? Qt::TextWordWrap : Qt::TextSingleLine);
}

double LXLabel::shrinkFactor() const
{
    const int available = contentsRect().width();
    if (!m_shrinkToFit || available <= 0)
        return 1.0;
    const double textWidth = QFontMetricsF(font()).horizontalAdvance(text());
    return textWidth > available ? available / textWidth * 0.999 : 1.0;
}

QFont LXLabel::drawingFont() const
{
    QFont f = font();
    if (const double factor = shrinkFactor(); factor < 1.0 && f.pointSizeF() > 0)
        f.setPointSizeF(f.pointSizeF() * factor);
    return f;
}

int LXLabel::preferredHeight() const
{
    const QRectF bounds(0, 0, std::max(1, width()), 3000);
    return int(std::ceil(QFontMetricsF(drawingFont()).boundingRect(bounds, textFlags(), text()).height()));
}

QSize LXLabel::sizeHint() const
{
    const QSizeF size = QFontMetricsF(font()).boundingRect(QRectF(0, 0, 3000, 3000), Qt::TextSingleLine, text()).size();
    return QSize(int(std::ceil(size.width())) + 2, int(std::ceil(size.height())));
}

QSize LXLabel::minimumSizeHint() const { return m_shrinkToFit ? QSize(0, sizeHint().height()) : sizeHint(); }

void LXLabel::paintEvent(QPaintEvent*)
{
    if (width() <= 0 || height() <= 0)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(alphaValue());
    const QRectF bounds = rect();
    if (m_drawsBackground) {
        QPainterPath path;
        path.addRoundedRect(bounds, m_cornerRadius, m_cornerRadius);
        painter.fillPath(path, m_backgroundColor);
    }
    // Qt rounds font sizes to whole pixels, so the shrunk font is drawn as
    // the label's font under a scale: the text then fits exactly.
    const double factor = shrinkFactor();
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    const int flags = textFlags();
    const QRectF inner = contentsRect(); // the label's margins keep text off a rounded background's edge
    const QRectF unscaled(0, 0, inner.width() / factor, inner.height() / factor);
    const double textHeight = painter.fontMetrics().boundingRect(unscaled.toRect(), flags, text()).height() * factor;
    painter.translate(inner.x(), inner.y() + (inner.height() - textHeight) / 2);
    painter.scale(factor, factor);
    const QRectF box(0, 0, unscaled.width(), textHeight / factor);
    drawTextWithShadow(painter, box, flags | Qt::AlignVCenter, text(), m_shadow.value_or(::Shadow{}));
}
