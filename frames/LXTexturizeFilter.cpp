#include "frames/LXTexturizeFilter.h"

#include "filters/LXAdjustableBlendFilter.h"
#include "frames/LXTextureCatalog.h"
#include "graphics/ImageExtension.h"
#include "platform/foundation/Application.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/image/CIFilterShape.h"
#include "platform/image/CIGeometry.h"
#include "platform/image/CISampler.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>

#include <cmath>

namespace {

const QString kPlainColor = QStringLiteral("Plain Color");

// A name for a file below the temporary folder: relative, without "." or
// ".." steps, so it cannot lead out of it.
bool isPlainRelativeName(const QString& name)
{
    if (name.isEmpty() || QDir::isAbsolutePath(name))
        return false;
    for (const QString& step : name.split(u'/'))
        if (step.isEmpty() || step == u"." || step == u"..")
            return false;
    return true;
}

bool usable(double v)
{
    return std::isfinite(v) && v > 0;
}

} // namespace

LXTexturizeFilter::LXTexturizeFilter(QObject* parent) : LXFilter(parent)
{
    static const bool registered =
        (registerInputKeys(staticMetaObject, {"inputImage", "inputTextureName", "inputTextureWidth", "inputCompositeName"}),
         registerForCopying(staticMetaObject, {"inputColor", "imageIsMask", "textureFillMode"}), true);
    Q_UNUSED(registered);
}

LXTexturizeFilter::~LXTexturizeFilter() = default;

QVariant LXTexturizeFilter::inputTextureName() const
{
    return m_textureName.isNull() ? kPlainColor : m_textureName;
}

void LXTexturizeFilter::setInputTextureName(const QVariant& value)
{
    QString name = value.toString();
    QString resolved = name;
    if (!resolveCatalogTexture(resolved)) {
        setInputTexture({});
        setInputColor(QVariant::fromValue(CIColor(1, 1, 1, 1)));
        resolved = QString();
        if (!name.isEmpty() && name != kPlainColor && resolveTemporaryPicture(name))
            resolved = name;
    }
    m_textureName = resolved;
    m_hsv.saturation = std::max(0.01, m_hsv.saturation);
    m_hsv.value = std::max(0.01, m_hsv.value);
    if (!m_textureName.isNull())
        NotificationCenter::defaultCenter().post(LXFilterSettingsChangedNotification, this);
}

bool LXTexturizeFilter::resolveCatalogTexture(QString& name)
{
    const LXTextureDescription* texture = LXTextureCatalog::sharedTextureCatalog().textureForName(name);
    if (!texture)
        return false;
    const CIImage picture = texture->image();
    if (picture.isNull())
        return false;
    setInputTexture(QVariant::fromValue(picture));
    m_sections = std::max<quint64>(1, texture->sections());
    m_scaleTexture = texture->shouldScale();
    m_baseRepeats = texture->baseScale();
    m_hsv = texture->baseColor();
    m_noShift = texture->repeating();
    setInputColor(QVariant::fromValue(colorForHSV(m_hsv)));
    return true;
}

bool LXTexturizeFilter::resolveTemporaryPicture(const QString& name)
{
    if (!isPlainRelativeName(name)) {
        Log::line(lcFrames, QStringLiteral("Warning: texture '%1' is neither a catalog texture nor a file name "
                                           "inside the temporary folder; using a plain colour")
                                .arg(name));
        return false;
    }
    const QString path = QDir(Application::temporaryDirectory()).filePath(name);
    if (!QFileInfo(path).isFile())
        return false;
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QImage bitmap = reader.read();
    if (bitmap.isNull() || bitmap.width() <= 0) {
        Log::line(lcFrames, QStringLiteral("Warning: texture picture '%1' cannot be read: %2").arg(path, reader.errorString()));
        return false;
    }
    const CIImage picture = CIImage::imageWithQImage(bitmap);
    setInputTexture(QVariant::fromValue(picture));
    const CIColor mean = averageColor(picture);
    const CIColor colour = mean.isNull() ? CIColor(1, 1, 1, 1) : CIColor(mean.red(), mean.green(), mean.blue(), 1);
    setInputColor(QVariant::fromValue(colour));
    m_hsv = hsv(colour);
    m_baseRepeats = 2048.0 / bitmap.width();
    return true;
}

void LXTexturizeFilter::setInputTexture(const QVariant& texture)
{
    m_texture = imageValue(texture);
    m_sections = 1;
    m_hsv = {0, 1, 1};
    m_scaleTexture = false;
    m_baseRepeats = 1.0;
    m_noShift = true;
    m_cachedTexture = {};
}

QVariant LXTexturizeFilter::inputColor() const
{
    return m_color.isValid() ? m_color : QVariant::fromValue(CIColor(1, 1, 1, 1));
}

void LXTexturizeFilter::setInputColor(const QVariant& color)
{
    m_color = color;
    m_cachedTexture = {};
}

CIImage LXTexturizeFilter::cachedTexture()
{
    if (!m_cachedTexture.isNull())
        return m_cachedTexture;
    CIColor colour = colorValue(inputColor());
    if (colour.isNull())
        colour = CIColor(1, 1, 1, 1);
    if (m_texture.isNull()) {
        m_cachedTexture = CIImage::imageWithColor(colour).imageByCroppingToRect(QRectF(0, 0, 100, 100));
        return m_cachedTexture;
    }
    const HSVTriple want = hsv(colour);
    // Both sides held at 0.01, so a grey texture in its own grey keeps its tint.
    const CIVector shift(want.hue - m_hsv.hue, std::max(0.01, want.saturation) / std::max(0.01, m_hsv.saturation),
                         std::max(0.01, want.value) / std::max(0.01, m_hsv.value));
    m_cachedTexture = apply(kernelWithName(QStringLiteral("tintTexture")),
                            {QVariant::fromValue(CISampler(m_texture)), QVariant::fromValue(shift), colour.alpha()},
                            {{kCIApplyOptionDefinition, QVariant::fromValue(m_texture.definition())},
                             {kCIApplyOptionExtent, arrayForRect(m_texture.extent())}});
    return m_cachedTexture;
}

void LXTexturizeFilter::setCachedTexture(const CIImage& image)
{
    if (!(image == m_cachedTexture))
        m_cachedTexture = image;
}

QRectF LXTexturizeFilter::textureRegionOf(int sampler, const QRectF& destRect, const QVariant& userInfo)
{
    if (sampler != 1)
        return destRect;
    return userInfo.canConvert<QRectF>() ? userInfo.toRectF() : QRectF();
}

QRectF LXTexturizeFilter::patternRegionOf(int, const QRectF&, const QVariant& userInfo)
{
    return userInfo.canConvert<QRectF>() ? userInfo.toRectF() : QRectF();
}

QRectF LXTexturizeFilter::frameRegionOf(int sampler, const QRectF& destRect, const QVariant& userInfo)
{
    return patternRegionOf(sampler, destRect, userInfo);
}

QVariantMap LXTexturizeFilter::customAttributes() const
{
    const QStringList textures = LXTextureCatalog::sharedTextureNames();
    const QStringList modes = LXAdjustableBlendFilter::blendModeNames();
    return {
        {"inputTextureName", QVariantMap{{kLXAttributeChoices, textures}, {kCIAttributeDefault, textures.value(0)}}},
        {"inputTextureWidth", QVariantMap{{kCIAttributeDefault, 0.0}, {kCIAttributeType, kCIAttributeTypeDistance}}},
        {"inputCompositeName", QVariantMap{{kLXAttributeChoices, modes}, {kCIAttributeDefault, modes.value(0)}}},
    };
}

CIImage LXTexturizeFilter::outputImage()
{
    const CIImage input = imageValue(inputImage);
    if (input.isNull())
        return {};
    CIImage texture = cachedTexture();
    if (texture.isNull())
        return input;
    const QRectF t = texture.extent();
    const double width = numberInput(inputTextureWidth, QStringLiteral("inputTextureWidth"));
    if (!usable(width) || !usable(m_baseRepeats) || CIGeometry::isEmpty(t) || CIGeometry::isInfinite(t)) {
        Log::line(lcFrames, QStringLiteral("Warning: texturize needs a texture width and base scale above 0 "
                                           "(width %1, base scale %2); the shape stays untextured")
                                .arg(width)
                                .arg(m_baseRepeats));
        return input;
    }
    CIImage textured;
    if (m_texture.isNull()) {
        // A plain colour has no tiles: the colour over the shape's alpha, in the pass that reads it.
        CIColor colour = colorValue(inputColor());
        if (colour.isNull())
            colour = CIColor(1, 1, 1, 1);
        textured = apply(kernelWithName(QStringLiteral("drawColor")),
                         {QVariant::fromValue(CISampler(input)), QVariant::fromValue(colour)},
                         {{kCIApplyOptionDefinition, QVariant::fromValue(input.definition())},
                          {kCIApplyOptionExtent, arrayForRect(input.extent())}});
        return boolValue(imageIsMask) ? textured : blendedOver(textured, input);
    }
    // The tiles start at the origin, where the drawing routines look for them.
    if (t.topLeft() != QPointF())
        texture = texture.imageByApplyingTransform(QTransform::fromTranslate(-t.x(), -t.y()));
    const double s = width / t.width() / m_baseRepeats;
    const auto tile = CIFilter::filterWithName(QStringLiteral("CIAffineTile"));
    if (!tile)
        return input;
    tile->setValue(QVariant::fromValue(texture), kCIInputImageKey);
    tile->setValue(QVariant::fromValue(QTransform::fromScale(s, s)), kCIInputTransformKey);
    const CIImage tiled = tile->outputImage();
    const QRectF tileRect(0, 0, t.width() * s, t.height() * s);
    const CIVector tileSize(tileRect.width(), tileRect.height());

    QVariantList arguments{QVariant::fromValue(CISampler(input)), QVariant::fromValue(CISampler(tiled))};
    QString routine;
    // The part of the first tile the routine reads.
    QRectF read = tileRect;
    if (numberValue(textureFillMode, 2) == 1) {
        routine = QStringLiteral("drawTexture");
        arguments << QVariant::fromValue(vectorForRect(input.extent())) << QVariant::fromValue(tileSize)
                  << double(m_sections);
    } else {
        routine = m_noShift ? QStringLiteral("drawPattern") : QStringLiteral("drawPatternShifted");
        arguments << QVariant::fromValue(tileSize);
        read = tileReadFor(input.extent(), tileRect, !m_noShift);
    }
    textured = apply(kernelWithName(routine), input.extent(), &LXTexturizeFilter::textureRegionOf, arguments,
                     {{kCIApplyOptionUserInfo, read},
                      {kCIApplyOptionDefinition, QVariant::fromValue(input.definition())}});
    if (boolValue(imageIsMask))
        return textured;
    return blendedOver(textured, input);
}

CIImage LXTexturizeFilter::blendedOver(const CIImage& textured, const CIImage& input) const
{
    LXAdjustableBlendFilter blend;
    blend.inputBlendName = inputCompositeName;
    blend.inputImage = QVariant::fromValue(textured);
    blend.inputBackgroundImage = QVariant::fromValue(input);
    return blend.outputImage();
}

QRectF LXTexturizeFilter::tileReadFor(const QRectF& shape, const QRectF& tile, bool shifted)
{
    if (CIGeometry::isInfinite(shape))
        return tile;
    // Along one axis: the shape's span wrapped into the tile, whole when it wraps round.
    const auto span = [](double from, double length, double period, double& start, double& size) {
        const double a = from - std::floor(from / period) * period;
        if (length < period && a + length <= period) {
            start = a;
            size = length;
        } else {
            start = 0;
            size = period;
        }
    };
    double x = 0, w = tile.width(), y = 0, h = tile.height();
    // Shifted rows move by half a tile: any column of the tile may be read.
    if (!shifted)
        span(shape.x(), shape.width(), tile.width(), x, w);
    span(shape.y(), shape.height(), tile.height(), y, h);
    return QRectF(tile.x() + x, tile.y() + y, w, h);
}

QString LXTexturizeFilter::description() const
{
    auto text = [](const QVariant& v) { return v.isValid() ? v.toString() : QStringLiteral("(null)"); };
    auto yes = [](bool b) { return b ? QStringLiteral("YES") : QStringLiteral("NO"); };
    const QString image = inputImage.isValid() ? QStringLiteral("<CIImage>") : QStringLiteral("(null)");
    const QString texture = m_texture.isNull() ? QStringLiteral("(null)") : QStringLiteral("<CIImage>");
    const CIColor colour = colorValue(m_color);
    return QStringLiteral("<%1: %2>").arg(className()).arg(quintptr(this), 0, 16) +
           QStringLiteral("\nInputImage: %1\nInputTexture: %2\nInputColor: %3\ninputTextureName: %4\n"
                          "InputTextureWidth: %5\nInputCompositeName: %6\nInputImageisMask: %7\n")
               .arg(image, texture, colour.isNull() ? QStringLiteral("(null)") : colour.stringRepresentation(),
                    text(inputTextureName()), text(inputTextureWidth), text(inputCompositeName),
                    yes(boolValue(imageIsMask))) +
           QStringLiteral("TextureFillMode: %1 \u2013 TextureBaseRepeats: %2 \u2013 TextureSections: %3 \u2013 "
                          "ScaleTexture: %4 \u2013 noTextureShift: %5")
               .arg(int(numberValue(textureFillMode, 0)))
               .arg(m_baseRepeats, 0, 'f', 6)
               .arg(m_sections)
               .arg(yes(m_scaleTexture), yes(m_noShift));
}
