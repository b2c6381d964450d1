#include "filters/LXArtisticExtend.h"

#include "filters/LXAdjustableBlendFilter.h"

#include <cmath>

namespace {

// Moves an image whose extent starts a pixel or more away from the origin to it.
bool normalized(QVariant& input)
{
    const CIImage image = CIFilter::imageValue(input);
    if (image.isNull())
        return false;
    const QPointF origin = image.extent().topLeft();
    if (std::abs(origin.x()) + std::abs(origin.y()) >= 1.0)
        input = QVariant::fromValue(image.imageByApplyingTransform(QTransform::fromTranslate(-origin.x(), -origin.y())));
    return true;
}

// Rounds halves away from zero.
double rnd(double x)
{
    return std::round(x);
}

} // namespace

LXArtisticExtend::LXArtisticExtend(QObject* parent) : LXFilter(parent)
{
    static const bool registered =
        (registerForCopying(staticMetaObject, {"inputImage", "inputBackgroundImage", "rotate", "motionBlur", "forDisplay"}), true);
    Q_UNUSED(registered);
}

LXArtisticExtend::Layout LXArtisticExtend::layout(double W, double H, double w, double h, bool forDisplay)
{
    Layout l;
    l.s = std::max(0.5, std::sqrt(W * H) / 1000.0);
    l.dx = (W - w) * 0.5;
    l.dy = (H - h) * 0.5;
    l.m = std::ceil(4.0 * l.s);
    l.frame = QRectF(l.dx - l.m, l.dy - l.m, w + 2 * l.m, h + 2 * l.m);
    l.backgroundBlur = rnd(10.0 * l.s);
    l.motionRadius = rnd(100.0 * l.s);
    l.borderBlur = 20.0 * l.s;
    l.foregroundBlur = rnd(50.0 * l.s);
    l.shadowBlur = 15.0 * l.s;
    // A display is looked at, not saved: its grid as coarse as the least
    // blur lets the blurs under it work on copies reduced further.
    l.coarseStep = forDisplay ? l.backgroundBlur : l.backgroundBlur / 4;
    return l;
}

CIImage LXArtisticExtend::outputImage()
{
    if (!normalized(inputBackgroundImage) || !normalized(inputImage))
        return {};
    const CIImage background = imageValue(inputBackgroundImage);
    const CIImage foreground = imageValue(inputImage);
    const QRectF canvas = background.extent();
    const double W = canvas.width(), H = canvas.height();
    const double w = foreground.extent().width(), h = foreground.extent().height();
    const Layout l = layout(W, H, w, h, boolValue(forDisplay));

    auto filter = [](const char* name) { return CIFilter::filterWithName(QString::fromLatin1(name)); };
    const auto over = filter("CISourceOverCompositing");
    const auto clamp = filter("CIAffineClamp");
    const auto blur = filter("CIGaussianBlur");
    const auto color = filter("CIConstantColorGenerator");
    if (!over || !clamp || !blur || !color)
        return {};
    auto clamped = [&](const CIImage& image, const QTransform& t) {
        clamp->setValue(QVariant::fromValue(image), kCIInputImageKey);
        clamp->setValue(QVariant::fromValue(t), kCIInputTransformKey);
        return clamp->outputImage();
    };
    auto blurred = [&](const CIImage& image, double radius) {
        blur->setValue(QVariant::fromValue(image), kCIInputImageKey);
        blur->setValue(radius, kCIInputRadiusKey);
        return blur->outputImage();
    };
    auto composite = [&](const CIImage& top, const CIImage& bottom) {
        over->setValue(QVariant::fromValue(top), kCIInputImageKey);
        over->setValue(QVariant::fromValue(bottom), kCIInputBackgroundImageKey);
        return over->outputImage();
    };

    // The background, half turned within its own rectangle when asked.
    QTransform t1;
    if (boolValue(rotate))
        t1 = QTransform(-1, 0, 0, -1, W, H);
    // In full floats as the burn needs them: the border's blur then shares
    // the reductions' texture formats (each new pairing is a compile).
    const CIImage c1 = clamped(background, t1).imageByKeepingFullFloats();
    CIImage base = blurred(c1, l.backgroundBlur);
    if (boolValue(motionBlur)) {
        const auto motion = filter("CIMotionBlur");
        if (!motion)
            return {};
        motion->setValue(QVariant::fromValue(base), kCIInputImageKey);
        motion->setValue(l.motionRadius, kCIInputRadiusKey);
        motion->setValue(0.0, kCIInputAngleKey);
        base = motion->outputImage().imageByCroppingToRect(canvas);
    }
    // In full floats too: its blur's passes then pair formats as the
    // burn's do, not in pairings of their own.
    const CIImage border = blurred(c1, l.borderBlur).imageByCroppingToRect(l.frame).imageByKeepingFullFloats();

    // The picture stretched over the whole canvas, half turned.
    const QTransform t2(-W / w, 0, 0, -H / h, W, H);
    const CIImage g = blurred(clamped(foreground, t2), l.foregroundBlur);

    LXAdjustableBlendFilter burn;
    burn.inputBlendName = QStringLiteral("colorBurn");
    burn.inputImage = QVariant::fromValue(g);
    burn.inputBackgroundImage = QVariant::fromValue(base);
    burn.inputIntensity = 0.7;
    const CIImage mixed = burn.outputImage().imageByCroppingToRect(canvas);

    color->setValue(QVariant::fromValue(CIColor(0, 0, 0, 1)), kCIInputColorKey);
    const CIImage shadow = blurred(color->outputImage().imageByCroppingToRect(l.frame), l.shadowBlur);

    // Everything under the border is smooth: computed on a coarse grid.
    CIImage result = composite(shadow, mixed).imageByCroppingToRect(canvas).imageBySamplingCoarsely(l.coarseStep);
    result = composite(border, result);
    result = composite(foreground.imageByApplyingTransform(QTransform::fromTranslate(l.dx, l.dy)), result);
    return result.imageByCroppingToRect(canvas);
}
