#include "ui/controls/LXFilterPreview.h"

#include "filters/LXFilter.h"
#include "graphics/ImageExtension.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/image/CIContext.h"
#include "platform/image/CIGeometry.h"
#include "platform/ui/YUp.h"
#include "resources/BundleResources.h"
#include "ui/controls/FilterInputValue.h"

#include <QDynamicPropertyChangeEvent>
#include <QPainter>
#include <QPointer>

namespace {

const QByteArray kFilterPrefix = "filter.";
const QByteArray kBindPrefix = "bind.";

void warn(const QString& text)
{
    Log::line(lcControls, QStringLiteral("Warning: ") + text);
}

} // namespace

LXFilterPreview::LXFilterPreview(QWidget* parent) : QWidget(parent) {}

LXFilterPreview::~LXFilterPreview()
{
    observeFilter(false);
    removeDefaultsObservers();
}

void LXFilterPreview::removeDefaultsObservers()
{
    for (int token : std::as_const(m_observerTokens))
        UserDefaults::standardUserDefaults().removeKeyObserver(token);
    m_observerTokens.clear();
}

void LXFilterPreview::setFilterName(const QString& name)
{
    m_filterName = name;
    std::shared_ptr<CIFilter> filter = CIFilter::filterWithName(name);
    if (!filter) {
        warn(QStringLiteral("no filter named '%1' to preview").arg(name));
        setFilter(nullptr);
        return;
    }
    filter->setDefaults();
    setFilter(std::move(filter));
}

void LXFilterPreview::setFilter(std::shared_ptr<CIFilter> filter)
{
    observeFilter(false);
    m_filter = std::move(filter);
    observeFilter(true);
    if (m_filter) {
        // Values set before the filter existed go over its defaults.
        const auto waiting = std::exchange(m_waiting, {});
        for (const auto& [key, value] : waiting)
            setFilterValue(key, value);
    }
    loadImage();
    changed();
}

void LXFilterPreview::observeFilter(bool on)
{
    if (!m_filter)
        return;
    NotificationCenter& center = NotificationCenter::defaultCenter();
    if (on)
        center.addObserver(this, LXFilterUpdateNotification, m_filter.get(), [this](const Notification&) { changed(); });
    else
        center.removeObserver(this, LXFilterUpdateNotification, m_filter.get());
}

void LXFilterPreview::setImageName(const QString& name)
{
    m_imageName = name;
    loadImage();
    changed();
}

void LXFilterPreview::loadImage()
{
    if (m_imageName.isEmpty() || !m_filter)
        return;
    m_image = ciImage(imageNamed(Bundle::mainBundle(), m_imageName));
    if (m_image.isNull())
        warn(QStringLiteral("no picture named '%1' for the filter preview").arg(m_imageName));
    adaptImage();
}

void LXFilterPreview::adaptImage()
{
    if (!m_filter || m_image.isNull() || !m_filter->inputKeys().contains(kCIInputImageKey))
        return;
    CIImage input = m_image;
    if (m_adjustImage) {
        const QRectF extent = m_image.extent();
        // Before layout the view is 0 x 0: nothing to scale to yet.
        if (extent.width() <= 0 || extent.height() <= 0 || width() <= 0 || height() <= 0
            || CIGeometry::isInfinite(extent))
            return;
        m_adaptedFor = size();
        input = m_image.imageByApplyingTransform(
            QTransform::fromScale(width() / extent.width(), height() / extent.height()));
    }
    m_filter->setValue(QVariant::fromValue(input), kCIInputImageKey);
}

void LXFilterPreview::setAdjustImage(bool on)
{
    m_adjustImage = on;
    adaptImage();
    changed();
}

void LXFilterPreview::setAdjustResult(bool on)
{
    m_adjustResult = on;
    changed();
}

bool LXFilterPreview::setFilterValue(const QString& inputKey, const QVariant& value)
{
    if (!m_filter) {
        m_waiting.append({inputKey, value});
        return true;
    }
    if (!m_filter->inputKeys().contains(inputKey)) {
        warn(QStringLiteral("the filter %1 has no input '%2'; the preview ignores it").arg(m_filter->name(), inputKey));
        return false;
    }
    const std::optional<QVariant> converted =
        filterInputValue(value, m_filter->attributes().value(inputKey).toMap());
    if (!converted) {
        warn(QStringLiteral("'%1' does not fit the input %2 of %3; the preview ignores it")
                 .arg(value.toString(), inputKey, m_filter->name()));
        return false;
    }
    m_filter->setValue(*converted, inputKey);
    changed();
    return true;
}

void LXFilterPreview::bind(const QString& defaultsKey, const QString& inputKey)
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    if (m_observerTokens.contains(defaultsKey)) // bound again: the newer input wins
        defaults.removeKeyObserver(m_observerTokens.value(defaultsKey));
    m_bindings.insert(defaultsKey, inputKey);
    QPointer<LXFilterPreview> self(this);
    m_observerTokens.insert(defaultsKey, defaults.addKeyObserver(defaultsKey, [self, inputKey](const QVariant& value) {
        if (self)
            self->applyDefault(inputKey, value);
    }));
}

void LXFilterPreview::applyDefault(const QString& inputKey, const QVariant& value)
{
    if (!value.isValid())
        return; // no stored value: the filter's own default stays
    setFilterValue(inputKey, value);
}

void LXFilterPreview::awakeFromNib()
{
    for (auto it = m_bindings.begin(); it != m_bindings.end(); ++it)
        applyDefault(it.value(), UserDefaults::standardUserDefaults().objectForKey(it.key()));
    changed();
}

bool LXFilterPreview::event(QEvent* event)
{
    if (event->type() == QEvent::DynamicPropertyChange) {
        const QByteArray name = static_cast<QDynamicPropertyChangeEvent*>(event)->propertyName();
        const QVariant value = property(name.constData());
        if (name.size() > kFilterPrefix.size() && name.startsWith(kFilterPrefix) && value.isValid()) {
            if (!setFilterValue(QString::fromUtf8(name.mid(kFilterPrefix.size())), value))
                setProperty(name.constData(), QVariant()); // a typo leaves nothing behind
            return true;
        }
        if (name.size() > kBindPrefix.size() && name.startsWith(kBindPrefix) && value.isValid()) {
            bind(QString::fromUtf8(name.mid(kBindPrefix.size())), value.toString());
            return true;
        }
    }
    return QWidget::event(event);
}

void LXFilterPreview::changed()
{
    m_rendered = QImage();
    update();
}

void LXFilterPreview::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    adaptImage();
    changed();
}

void LXFilterPreview::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // The device's own ratio: a grab into a ratio-2 image renders twice the pixels.
    const double ratio = painter.device()->devicePixelRatioF();
    const QSizeF bounds = size();
    if (m_adjustImage && m_adaptedFor != size()) // a hidden view's resize event waits for its showing
        adaptImage();
    const QSize pixels = (bounds * ratio).toSize();
    if (m_filter && !pixels.isEmpty()
        && (m_rendered.size() != pixels || m_rendered.devicePixelRatio() != ratio)) {
        const CIImage output = m_filter->outputImage();
        const QRectF extent = output.isNull() ? QRectF() : output.extent();
        QImage target(pixels, QImage::Format_ARGB32_Premultiplied);
        target.fill(Qt::transparent);
        if (!extent.isEmpty()) {
            // An extent without end has nothing to fit: its part under the view, 1:1.
            const bool fit = m_adjustResult && !CIGeometry::isInfinite(extent);
            const QRectF from = fit ? extent : QRectF(QPointF(0, 0), bounds);
            QPainter into(&target);
            CIContext::context().drawImage(output, &into, QRectF(QPointF(0, 0), QSizeF(target.size())), from);
        }
        target.setDevicePixelRatio(ratio);
        m_rendered = target;
        ++m_renderCount;
    }
    if (!m_rendered.isNull())
        painter.drawImage(QPointF(0, 0), m_rendered);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}
