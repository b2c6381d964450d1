#include "filters/LXWatermarkFilter.h"

#include "filters/LXAdjustableBlendFilter.h"

#include <cmath>

LXWatermarkFilter::LXWatermarkFilter(QObject* parent)
    : LXFilter(parent), m_blend(std::make_unique<LXAdjustableBlendFilter>())
{
    static const bool registered = (registerForCopying(staticMetaObject, {"inputBackgroundImage", "opacity", "minSize",
                                                                          "maxSize", "minRect", "maxRect", "watermark",
                                                                          "blendName", "gravity"}),
                                    true);
    Q_UNUSED(registered);
    m_blend->setDefaults();
    m_blend->inputUseBGExtent = true;
}

LXWatermarkFilter::~LXWatermarkFilter() = default;

QVariant LXWatermarkFilter::inputBackgroundImage() const
{
    return m_blend->inputBackgroundImage;
}

void LXWatermarkFilter::setInputBackgroundImage(const QVariant& image)
{
    m_blend->inputBackgroundImage = image;
    m_cached = CIImage();
}

QVariant LXWatermarkFilter::opacity() const
{
    return m_blend->inputIntensity;
}

void LXWatermarkFilter::setOpacity(const QVariant& opacity)
{
    m_blend->inputIntensity = opacity;
}

QVariant LXWatermarkFilter::blendName() const
{
    return m_blend->inputBlendName;
}

void LXWatermarkFilter::setBlendName(const QVariant& name)
{
    m_blend->inputBlendName = name;
}

void LXWatermarkFilter::setWatermark(const QVariant& picture)
{
    m_watermark = picture;
    m_cached = CIImage();
}

void LXWatermarkFilter::setAdjustment(const QRectF& large, const QSizeF& largeSize, const QRectF& small,
                                      const QSizeF& smallSize)
{
    minSize = std::sqrt(smallSize.width() * smallSize.height());
    maxSize = std::sqrt(largeSize.width() * largeSize.height());
    minRect = small;
    maxRect = large;
}

LXWatermarkFilter::Placement LXWatermarkFilter::placement(double BW, double BH) const
{
    const Picture logo = m_watermark.value<Picture>();
    const double mn = numberValue(minSize, 0);
    double mx = numberValue(maxSize, 0);
    if (mn >= mx)
        mx = mn + 1.0;
    const double f = std::max(0.0, std::min(mx - mn, std::sqrt(BW * BH) - mn)) / (mx - mn);

    // A missing side follows the logo's aspect ratio.
    const double lw = logo.size().width(), lh = logo.size().height();
    auto complete = [&](QRectF r) {
        if (r.height() <= 0)
            r.setHeight(r.width() / lw * lh);
        else if (r.width() <= 0)
            r.setWidth(r.height() / lh * lw);
        return r;
    };
    const QRectF small = complete(minRect.toRectF());
    const QRectF large = complete(maxRect.toRectF());
    auto lerp = [f](double a, double b) { return a + (b - a) * f; };
    const double width = lerp(small.width(), large.width());
    const double height = lerp(small.height(), large.height());
    const double ox = lerp(small.x(), large.x());
    const double oy = lerp(small.y(), large.y());

    // A bit mask, read as a C int would be (-1: every bit); through int
    // first, since a negative or huge double has no unsigned value.
    const double gravityNumber = numberValue(gravity, 0);
    const unsigned g = std::abs(gravityNumber) < 2147483648.0 ? unsigned(int(gravityNumber)) : 0u;
    double x = (BW - width) * 0.5, y = (BH - height) * 0.5;
    if (g & Gravity::Left)
        x = ox;
    else if (g & Gravity::Right)
        x = BW - width - ox;
    if (g & Gravity::Bottom)
        y = oy;
    else if (g & Gravity::Top)
        y = BH - height - oy;
    return {f, QRectF(x, y, width, height)};
}

CIImage LXWatermarkFilter::cachedImage()
{
    if (!m_cached.isNull())
        return m_cached;
    const Picture logo = m_watermark.value<Picture>();
    const CIImage background = imageValue(m_blend->inputBackgroundImage);
    if (logo.isNull() || background.isNull() || logo.size().isEmpty())
        return {};
    const QRectF extent = background.extent();
    const Placement p = placement(extent.width(), extent.height());
    if (p.logo.isEmpty())
        return {};
    // Draw the logo at whole pixels covering its size, then fit it exactly,
    // so vector artwork stays crisp.
    const QSize pixels(int(std::ceil(p.logo.width())), int(std::ceil(p.logo.height())));
    // Converted in full floats, as the photo under a wallpaper is: one
    // pairing of formats fewer for the engine to compile.
    const CIImage drawn = CIImage::imageWithQImage(logo.toImage(pixels)).imageByKeepingFullFloats();
    const QTransform place = QTransform::fromScale(p.logo.width() / pixels.width(), p.logo.height() / pixels.height())
                           * QTransform::fromTranslate(p.logo.x(), p.logo.y());
    m_cached = drawn.imageByApplyingTransform(place);
    return m_cached;
}

CIImage LXWatermarkFilter::outputImage()
{
    const CIImage logo = cachedImage();
    m_blend->inputImage = QVariant::fromValue(logo);
    const CIImage background = imageValue(m_blend->inputBackgroundImage);
    if (background.isNull())
        return m_blend->outputImage();
    // Laid over the background at its opacity, the logo gives the blend's
    // pixels, and a renderer sees that the rest is the background itself.
    if (!logo.isNull() && m_blend->inputBlendName.toString() == QLatin1String("sourceOver")) {
        LXAdjustableBlendFilter faded;
        faded.setDefaults();
        faded.inputImage = QVariant::fromValue(logo);
        faded.inputBackgroundImage = QVariant::fromValue(CIImage::imageWithColor(CIColor(0, 0, 0, 0)));
        faded.inputIntensity = m_blend->inputIntensity;
        faded.inputUseBGExtent = false;
        return faded.outputImage().imageByCompositingOverImage(background).imageByCroppingToRect(background.extent());
    }
    return m_blend->outputImage().imageByCroppingToRect(background.extent());
}
