#include "app/LookChain.h"

#include "effects/LXEffect.h"
#include "effects/LXEffectsCatalog.h"
#include "filters/LXSimpleShadowFilter.h"
#include "frames/LXFrameDescription.h"
#include "frames/LXPictureFrameFilter.h"
#include "frames/LXShapedBorderFilter.h"
#include "frames/LXTexturedFrameFilter.h"
#include "platform/foundation/Log.h"
#include "platform/image/CIGeometry.h"

#include <cmath>

// Follows one step of the chain: told when the step's picture changed, it
// keeps the picture the step handed on when last asked, so that apply
// renders a step only when it, or a step before it, changed since.
class LookChainLink : public LXEffectSuccessor {
public:
    bool takesPicturesLater() const override { return true; }
    void pictureChanged() override { changed = true; }
    void setInputImage(const CIImage&) override { changed = true; }
    void setGlobalSettings(const QVariantMap& settings) override
    {
        if (const std::shared_ptr<LXEffectSuccessor> step = next.lock())
            step->setGlobalSettings(settings);
    }
    void removeImageInput() override
    {
        picture = {};
        changed = true;
        if (const std::shared_ptr<LXEffectSuccessor> step = next.lock())
            step->removeImageInput();
    }
    void addResourcesToArray(QStringList&) const override {}

    std::weak_ptr<LXEffectSuccessor> next; // the following step; null after the last
    CIImage picture;
    bool changed = true;
};

namespace {

const QString kName = QStringLiteral("name");

bool turns(double degrees) { return std::isfinite(degrees) && std::fmod(degrees, 360.0) != 0; }

bool crops(const QRectF& crop) { return !crop.isNull() && crop != QRectF(0, 0, 1, 1); }

// The largest rectangle centred on `centre`, with the photo's proportions as
// the nearest quarter turn leaves them, that the photo of size `upright`
// turned by `degrees` covers wholly; in whole pixels, rounded inwards.
QRectF insideTurn(QSizeF upright, double degrees, QPointF centre)
{
    const double quarters = std::round(degrees / 90);
    if (std::fmod(std::abs(quarters), 2) == 1)
        upright.transpose();
    const double rest = (degrees - quarters * 90) * M_PI / 180;
    const double c = std::abs(std::cos(rest)), s = std::abs(std::sin(rest));
    const double w = upright.width(), h = upright.height();
    const double scale = std::min(w / (w * c + h * s), h / (w * s + h * c));
    const double left = std::ceil(centre.x() - scale * w / 2), right = std::floor(centre.x() + scale * w / 2);
    const double bottom = std::ceil(centre.y() - scale * h / 2), top = std::floor(centre.y() + scale * h / 2);
    return QRectF(left, bottom, std::max(1.0, right - left), std::max(1.0, top - bottom));
}

// Settings as a look keeps them: the defaults a reader assumes left out.
QVariantMap tidied(QVariantMap settings)
{
    if (settings.value(QStringLiteral("resource")).toMap().isEmpty())
        settings.remove(QStringLiteral("resource"));
    if (settings.value(QStringLiteral("isEnabled")).toBool())
        settings.remove(QStringLiteral("isEnabled"));
    return settings;
}

// An effect for `settings`: `current` when it has that name (it keeps its
// filter's caches), else a new one; nullptr when none can be made.
std::shared_ptr<LXEffect> reuseOrMake(const std::shared_ptr<LXEffect>& current, const QVariantMap& settings)
{
    if (current && current->name() == settings.value(kName).toString())
        return current;
    return LXEffectsCatalog::effectForSettings(settings);
}

// The image moved so that its extent begins at the origin.
CIImage atOrigin(const CIImage& image)
{
    const QRectF extent = image.extent();
    if (extent.topLeft() == QPointF(0, 0))
        return image;
    return image.imageByApplyingTransform(QTransform::fromTranslate(-extent.x(), -extent.y()));
}

} // namespace

Result<> LookChain::setLook(const Look& look)
{
    std::vector<std::shared_ptr<LXEffect>> effects;
    std::vector<bool> reused;
    for (qsizetype i = 0; i < look.effects.size(); ++i) {
        const QVariantMap settings = look.effects[i].toMap();
        const std::shared_ptr<LXEffect> current = size_t(i) < m_effects.size() ? m_effects[size_t(i)] : nullptr;
        std::shared_ptr<LXEffect> effect = reuseOrMake(current, settings);
        if (!effect)
            return Result<>::failure(QStringLiteral("the effect '%1' cannot be made").arg(settings.value(kName).toString()));
        reused.push_back(effect == current);
        effects.push_back(std::move(effect));
    }
    std::shared_ptr<LXEffect> frame;
    if (!look.frame.isEmpty()) {
        frame = reuseOrMake(m_frame, look.frame);
        if (!frame)
            return Result<>::failure(QStringLiteral("the frame '%1' cannot be made").arg(look.frame.value(kName).toString()));
    }

    // Old inputs go first, so that new settings render nothing until apply.
    if (!m_effects.empty())
        m_effects.front()->removeImageInput();
    else if (m_frame)
        m_frame->removeImageInput();
    for (size_t i = 0; i < effects.size(); ++i)
        if (reused[i])
            effects[i]->setSettings(look.effects[qsizetype(i)].toMap());
    if (frame && frame == m_frame)
        frame->setSettings(look.frame);

    std::vector<std::shared_ptr<LXEffect>> steps = effects;
    if (frame)
        steps.push_back(frame);
    m_links.clear();
    for (size_t i = 0; i < steps.size(); ++i) {
        auto link = std::make_shared<LookChainLink>();
        if (i + 1 < steps.size())
            link->next = steps[i + 1];
        steps[i]->setSuccessor(link);
        m_links.push_back(std::move(link));
    }
    m_lastPhoto = {};
    m_effects = std::move(effects);
    m_frame = std::move(frame);
    m_crop = look.crop;
    m_rotation = look.rotation;
    setUndoManager(m_undoManager);
    return Result<>::success();
}

Look LookChain::look() const
{
    Look look;
    for (const std::shared_ptr<LXEffect>& effect : m_effects)
        look.effects << tidied(effect->settings());
    if (m_frame)
        look.frame = tidied(m_frame->settings());
    look.crop = m_crop;
    look.rotation = m_rotation;
    return look;
}

void LookChain::setUndoManager(UndoManager* manager)
{
    m_undoManager = manager;
    for (const std::shared_ptr<LXEffect>& effect : m_effects)
        effect->setUndoManager(manager);
    if (m_frame)
        m_frame->setUndoManager(manager);
}

bool LookChain::isPlain() const { return m_effects.empty() && !m_frame && !crops(m_crop) && !turns(m_rotation); }

QSizeF LookChain::framedSize(const QSizeF& size) const
{
    // A border's width is a fraction of the photo's shorter side, as apply sets it.
    const double portion = std::min(size.width(), size.height());
    QRectF framed(QPointF(0, 0), size);
    // Frames chosen as effects grow the picture as the frame does, in chain order.
    std::vector<const LXEffect*> steps;
    for (const std::shared_ptr<LXEffect>& effect : m_effects)
        steps.push_back(effect.get());
    if (m_frame)
        steps.push_back(m_frame.get());
    for (const LXEffect* step : steps) {
        if (!step->enabled())
            continue;
        const CIFilter* filter = step->filter().get();
        if (const auto* mount = qobject_cast<const LXPictureFrameFilter*>(filter))
            framed = mount->outputExtentFor(framed);
        else if (const auto* border = qobject_cast<const LXShapedBorderFilter*>(filter))
            framed = border->outputExtentFor(framed, portion);
        else if (const auto* frame = qobject_cast<const LXTexturedFrameFilter*>(filter))
            framed = frame->outputExtentFor(framed, portion);
        else if (qobject_cast<const LXSimpleShadowFilter*>(filter)) {
            const auto number = [&](const char* key) { return step->filterValueFor(QLatin1String(key), framed).toDouble(); };
            framed = LXSimpleShadowFilter::outputExtentFor(framed, number("inputRadius"), number("inputDistance"),
                                                          number("inputDirection"));
        }
        else if (step != m_frame.get())
            continue;
        // Whole pixels, as the effect keeps its picture.
        framed = CIGeometry::integral(framed);
    }
    return framed.size();
}

bool LookChain::keepsWholePhoto() const
{
    return !crops(m_crop) && !turns(m_rotation);
}

CIImage LookChain::cutAndTurned(const CIImage& photo) const
{
    CIImage picture = photo;
    if (crops(m_crop)) {
        // Fractions from the top-left; the engine's y runs upwards.
        const QRectF e = photo.extent();
        const double left = std::round(e.x() + m_crop.left() * e.width());
        const double right = std::round(e.x() + m_crop.right() * e.width());
        const double top = std::round(e.y() + (1 - m_crop.top()) * e.height());
        const double bottom = std::round(e.y() + (1 - m_crop.bottom()) * e.height());
        picture = picture.imageByCroppingToRect(QRectF(left, bottom, std::max(1.0, right - left), std::max(1.0, top - bottom)));
    }
    if (turns(m_rotation)) {
        // Counter-clockwise in y-up space is the plain rotation there.
        const QPointF c = picture.extent().center();
        const QTransform turn = QTransform::fromTranslate(-c.x(), -c.y()) * QTransform().rotate(m_rotation)
                                * QTransform::fromTranslate(c.x(), c.y());
        const QSizeF upright = picture.extent().size();
        picture = picture.imageByApplyingTransform(turn);
        // A frame holds the photo, not the turned photo's empty corners.
        const QRectF box = m_frame ? insideTurn(upright, m_rotation, c) : picture.extent();
        picture = picture.imageByCroppingToRect(box); // whole pixels
    }
    return atOrigin(picture);
}

CIImage LookChain::apply(const CIImage& photo) const
{
    if (photo.isNull())
        return {};
    if (isPlain())
        return photo;
    std::vector<LXEffect*> steps;
    for (const std::shared_ptr<LXEffect>& effect : m_effects)
        steps.push_back(effect.get());
    if (m_frame)
        steps.push_back(m_frame.get());

    // Each step renders only when it, or a step before it, changed since the last apply.
    bool fresh = photo != m_lastPhoto;
    CIImage picture;
    if (fresh) {
        picture = cutAndTurned(photo);
        if (steps.empty())
            return picture;
        // Relative settings and frame widths are fractions of the styled
        // photo's shorter side, so a small preview and the wallpaper look alike.
        const QRectF extent = picture.extent();
        steps.front()->setGlobalSettings({{QStringLiteral("portion"), std::min(extent.width(), extent.height())}});
    }
    for (size_t i = 0; i < steps.size(); ++i) {
        LookChainLink& link = *m_links[i];
        if (fresh)
            steps[i]->setInputImage(picture);
        fresh = link.changed || link.picture.isNull();
        if (fresh) {
            link.changed = false;
            link.picture = steps[i]->handedOnImage();
        }
        picture = link.picture;
        if (picture.isNull())
            break;
    }
    m_lastPhoto = picture.isNull() ? CIImage() : photo;
    if (picture.isNull()) {
        Log::line(lcApp, QStringLiteral("Warning: the look's effects gave no picture; the photo is used without them"));
        return cutAndTurned(photo);
    }
    return atOrigin(picture);
}
