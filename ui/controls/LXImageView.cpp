#include "ui/controls/LXImageView.h"

#include "graphics/LXColor.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/image/CIContext.h"
#include "platform/image/CIGeometry.h"
#include "platform/ui/TargetAction.h"
#include "platform/ui/YUp.h"
#include "resources/BundleResources.h"
#include "resources/StringResources.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include <cmath>

LXImageView::LXImageView(QWidget* parent) : QWidget(parent) {}

LXImageView::~LXImageView()
{
    if (m_keepFrontTimer)
        m_keepFrontTimer->invalidate();
}

void LXImageView::pictureChanged()
{
    m_warnedUnsized = false;
    update();
    updateGeometry();
}

void LXImageView::setImage(const Picture& image)
{
    if (image.isSameAs(m_image))
        return;
    m_image = image;
    m_ciImage = CIImage();
    m_stretchRect = QRectF(QPointF(0, 0), image.size());
    pictureChanged();
}

void LXImageView::setImageName(const QString& name)
{
    m_imageName = name;
    setImage(imageNamed(Bundle::mainBundle(), name));
    const QString options = resourceInfo(name).options;
    if (options.isEmpty())
        return;
    double values[4] = {m_stretchRect.x(), m_stretchRect.y(), m_stretchRect.width(), m_stretchRect.height()};
    int taken = 0;
    for (const QString& part : options.split(QLatin1Char('-'))) {
        bool ok = false;
        const int number = part.toInt(&ok);
        if (ok && taken < 4)
            values[taken++] = number;
    }
    m_stretchRect = QRectF(values[0], values[1], values[2], values[3]);
    update();
}

void LXImageView::setCIImage(const CIImage& image)
{
    setImage(Picture());
    m_ciImage = image;
    pictureChanged();
}

void LXImageView::setGravity(int gravity) { m_gravity = gravity; update(); }
void LXImageView::setAspectFit(bool on) { m_aspectFit = on; update(); }
void LXImageView::setBorderWidth(double width) { m_borderWidth = width; update(); }
void LXImageView::setBorderColor(const QColor& color) { m_borderColor = color; update(); }
void LXImageView::setBorderedImage(bool on) { m_borderedImage = on; update(); }

void LXImageView::setOpacity(double opacity)
{
    if (opacity == m_opacity)
        return;
    m_opacity = opacity;
    update();
}

void LXImageView::setOpacityString(const QString& text)
{
    m_opacity = text.toDouble();
}

void LXImageView::setBorderColorName(const QString& description)
{
    m_borderColorName = description;
    setBorderColor(LXColor::colorFromDescription(description).color());
}

void LXImageView::setNoHitTesting(bool on)
{
    m_noHitTesting = on;
    setAttribute(Qt::WA_TransparentForMouseEvents, on);
}

void LXImageView::setKeepFront(bool on)
{
    m_keepFront = on;
    updateKeepFrontTimer();
}

void LXImageView::updateKeepFrontTimer()
{
    if (m_keepFrontTimer)
        m_keepFrontTimer->invalidate();
    m_keepFrontTimer.reset();
    if (m_keepFront && parentWidget())
        m_keepFrontTimer = Timer::scheduled(1.0, true, [self = QPointer<LXImageView>(this)](Timer&) {
            if (self)
                self->keepFrontTimed();
        });
}

void LXImageView::verifyKeepFrontHint()
{
    if (m_keepFront && parentWidget())
        Timer::scheduled(0, false, [self = QPointer<LXImageView>(this)](Timer&) {
            if (self)
                self->keepFrontTimed();
        });
}

void LXImageView::keepFrontTimed()
{
    QWidget* parent = parentWidget();
    if (!parent)
        return;
    const QList<QWidget*> siblings = parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    if (!siblings.isEmpty() && siblings.last() != this)
        raise();
}

void LXImageView::captureView(QWidget* view)
{
    if (!view || view->width() <= 0 || view->height() <= 0) {
        Log::line(lcControls, QStringLiteral("Warning: cannot capture a view without a size"));
        return;
    }
    setImage(Picture(view->grab().toImage()));
}

QSizeF LXImageView::pictureSize() const
{
    QSizeF size;
    if (!m_ciImage.isNull())
        size = CIGeometry::isInfinite(m_ciImage.extent()) ? QSizeF() : m_ciImage.extent().size();
    else if (!m_image.isNull())
        size = m_image.size();
    return size.width() > 0 && size.height() > 0 ? size : QSizeF();
}

QSizeF LXImageView::intrinsicContentSize() const
{
    const bool any = !m_image.isNull() || !m_ciImage.isNull();
    const QSizeF natural = pictureSize();
    if (natural.isEmpty()) {
        if (any && !std::exchange(m_warnedUnsized, true))
            Log::line(lcControls, QStringLiteral("Warning: image view %1 shows a picture without a finite size; "
                                                 "it has no natural size")
                                      .arg(objectName()));
        return {};
    }
    const double w = minimumWidth() == maximumWidth() ? minimumWidth() : 0;
    const double h = minimumHeight() == maximumHeight() ? minimumHeight() : 0;
    if ((w > 0) == (h > 0))
        return natural;
    if (h > 0)
        return {natural.width() * h / natural.height(), h};
    return {w, natural.height() * w / natural.width()};
}

QSize LXImageView::sizeHint() const
{
    const QSizeF size = intrinsicContentSize();
    return {int(std::ceil(size.width())), int(std::ceil(size.height()))};
}

QRectF LXImageView::destinationRect(QSizeF picture, QSizeF bounds, int gravity, bool aspectFit, bool upscale)
{
    const double iw = picture.width(), ih = picture.height();
    const double bw = bounds.width(), bh = bounds.height();
    if (iw <= 0 || ih <= 0)
        return {};
    if (gravity == Gravity::Fill) {
        if (!aspectFit || bw <= 0 || bh <= 0)
            return {0, 0, bw, bh};
        if (bw / bh > iw / ih) {
            const double height = ih * bw / iw;
            return {0, (bh - height) / 2, bw, height};
        }
        const double width = iw * bh / ih;
        return {(bw - width) / 2, 0, width, bh};
    }
    double width = iw, height = ih;
    if (aspectFit && bh > 0) {
        if (iw / ih > bw / bh) {
            width = bw;
            height = ih * bw / iw;
        } else {
            height = bh;
            width = iw * bh / ih;
        }
    }
    double y = (gravity & Gravity::Top) ? bh - height : (bh - height) / 2;
    double x = (gravity & Gravity::Right) ? bw - width : (gravity & Gravity::Left) ? 0 : (bw - width) / 2;
    if (upscale && width < bw) {
        width = bw;
        x = 0;
    }
    if (upscale && height < bh) {
        height = bh;
        y = 0;
    }
    return {x, y, width, height};
}

QVector<LXImageView::Part> LXImageView::nineParts(QSizeF image, const QRectF& stretch, const QRectF& destination)
{
    const double iw = image.width(), ih = image.height();
    // Without caps the picture is drawn once over the whole destination:
    // cutting its size to whole points would leave up to a point uncovered
    // where the destination falls between points.
    if (stretch == QRectF(0, 0, iw, ih))
        return iw > 0 && ih > 0 && !destination.isEmpty() ? QVector<Part>{{stretch, destination}} : QVector<Part>{};
    const double sourceColumns[3] = {std::trunc(stretch.x()), std::trunc(stretch.width()),
                                     std::trunc(iw - stretch.width() - stretch.x())};
    const double sourceRows[3] = {std::trunc(stretch.y()), std::trunc(stretch.height()),
                                  std::trunc(ih - stretch.height() - stretch.y())};
    const double columns[3] = {sourceColumns[0], std::trunc(destination.width() - (iw - stretch.width())),
                               sourceColumns[2]};
    const double rows[3] = {sourceRows[0], std::trunc(destination.height() - (ih - stretch.height())), sourceRows[2]};
    QVector<Part> parts;
    double sx = 0, dx = destination.x();
    for (int c = 0; c < 3; ++c) {
        double sy = 0, dy = destination.y();
        for (int r = 0; r < 3; ++r) {
            if (sourceColumns[c] > 0 && sourceRows[r] > 0 && columns[c] > 0 && rows[r] > 0)
                parts.append({QRectF(sx, sy, sourceColumns[c], sourceRows[r]), QRectF(dx, dy, columns[c], rows[r])});
            sy += sourceRows[r];
            dy += rows[r];
        }
        sx += sourceColumns[c];
        dx += columns[c];
    }
    return parts;
}

void LXImageView::paintEvent(QPaintEvent*)
{
    const QSizeF picture = pictureSize();
    if (picture.isEmpty())
        return;
    const double height = this->height();
    const QRectF destination = destinationRect(picture, size(), m_gravity, m_aspectFit, m_upscaleIfNeeded);
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!m_ciImage.isNull()) {
        drawEngineImage(painter, destination);
    } else {
        for (const Part& part : nineParts(picture, m_stretchRect, destination))
            m_image.draw(painter, flippedRect(part.destination, height), flippedRect(part.source, picture.height()),
                         m_opacity);
    }
    if (m_borderColor.isValid() && m_borderWidth > 0) {
        const QRectF framed = (m_borderedImage && m_ciImage.isNull()) ? destination : QRectF(rect());
        painter.setPen(QPen(m_borderColor, m_borderWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(flippedRect(framed.adjusted(0.5, 0.5, -0.5, -0.5), height));
    }
}

void LXImageView::drawEngineImage(QPainter& painter, const QRectF& destination)
{
    // Only the visible part is rendered, mapped back into the extent (both y up).
    const QRectF visible = destination.intersected(QRectF(QPointF(0, 0), size()));
    if (visible.isEmpty())
        return;
    const QRectF extent = m_ciImage.extent();
    const double sx = extent.width() / destination.width(), sy = extent.height() / destination.height();
    const QRectF from(extent.x() + (visible.x() - destination.x()) * sx,
                      extent.y() + (visible.y() - destination.y()) * sy, visible.width() * sx,
                      visible.height() * sy);
    const double ratio = devicePixelRatioF();
    Rendering& r = m_rendering;
    if (!(r.image == m_ciImage && r.visible == visible && r.from == from && r.ratio == ratio)) {
        const QSize pixels = (visible.size() * ratio).toSize().expandedTo(QSize(1, 1));
        QImage target(pixels, QImage::Format_ARGB32_Premultiplied);
        target.fill(Qt::transparent);
        {
            QPainter into(&target);
            CIContext::context().drawImage(m_ciImage, &into, QRectF(QPointF(0, 0), QSizeF(pixels)), from);
        }
        target.setDevicePixelRatio(ratio);
        r = {m_ciImage, visible, from, ratio, target};
        ++m_engineRenders;
    }
    painter.drawImage(flippedRect(visible, height()), r.pixels);
}

bool LXImageView::handlesClicks() const
{
    return TargetAction::responds(m_viewDelegate, "viewWasClicked");
}

void LXImageView::mousePressEvent(QMouseEvent* event)
{
    m_clickCount = 1;
    if (handlesClicks()) {
        event->accept();
        return;
    }
    if (m_dragsWindow && event->button() == Qt::LeftButton && window()->windowHandle()) {
        window()->windowHandle()->startSystemMove();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void LXImageView::mouseDoubleClickEvent(QMouseEvent* event)
{
    m_clickCount = 2;
    if (handlesClicks())
        event->accept();
    else
        QWidget::mouseDoubleClickEvent(event);
}

void LXImageView::mouseReleaseEvent(QMouseEvent* event)
{
    if (!handlesClicks()) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    if (m_clickCount == 1)
        TargetAction::send(m_viewDelegate, "viewWasClicked", this);
}

void LXImageView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    TargetAction::send(m_viewDelegate, "viewDidAutoresize", this);
}

bool LXImageView::event(QEvent* event)
{
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::ParentChange)
        updateKeepFrontTimer();
    return handled;
}
