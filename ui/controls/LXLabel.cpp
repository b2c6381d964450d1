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

QFont LXLabel::drawingFont() const
{
    QFont f = font();
    if (!m_shrinkToFit || width() <= 0)
        return f;
    const double textWidth = QFontMetricsF(f).horizontalAdvance(text());
    if (textWidth > width())
        f.setPointSizeF(f.pointSizeF() * (width() / textWidth) * 0.999);
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
    painter.setFont(drawingFont());
    painter.setPen(palette().color(QPalette::WindowText));
    const int flags = textFlags();
    const double textHeight = painter.fontMetrics().boundingRect(bounds.toRect(), flags, text()).height();
    const QRectF box(0, (bounds.height() - textHeight) / 2, bounds.width(), textHeight);
    drawTextWithShadow(painter, box, flags | Qt::AlignVCenter, text(), m_shadow.value_or(::Shadow{}));
}
