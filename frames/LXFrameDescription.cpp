#include "frames/LXFrameDescription.h"

#include "frames/LXCombinedShadeDescription.h"
#include "graphics/ImageExtension.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "resources/BundleResources.h"
#include "resources/StringResources.h"
#include "util/UndoManager.h"
#include "util/UndoCoalescing.h"

#include <algorithm>
#include <cmath>

namespace {

const QString kName = QStringLiteral("Name");
const QString kTexture = QStringLiteral("Texture");
const QString kTextureColor = QStringLiteral("Texture.Color");
const QString kTextureFillMode = QStringLiteral("TextureFillMode");
const QString kExternalMask = QStringLiteral("ExternalMask");
const QString kInternalMask = QStringLiteral("InternalMask");
const QString kImageMask = QStringLiteral("ImageMask");
const QString kInset = QStringLiteral("Inset");
const QString kShades = QStringLiteral("Shades");
const QString kShade = QStringLiteral("Shade");
const QString kBlendMode = QStringLiteral("BlendMode");
const QString kIntensity = QStringLiteral("Intensity");
const QString kUndoObject = QStringLiteral("undoObject");
const QString kUndoIndex = QStringLiteral("undoIndex");

LXFrameDescription::TextureResolver& textureResolver()
{
    static LXFrameDescription::TextureResolver resolver;
    return resolver;
}

// A number as a signed 32-bit value, the lower 32 bits of its integer part.
qint32 truncated32(const QVariant& value)
{
    const double number = value.toDouble();
    if (!std::isfinite(number))
        return 0;
    const qint64 whole = value.typeId() == QMetaType::Double ? qint64(std::fmod(std::trunc(number), 4294967296.0))
                                                              : value.toLongLong();
    return qint32(quint32(quint64(whole)));
}

double finiteNumber(const QVariant& value)
{
    const double number = value.toDouble();
    return std::isfinite(number) ? number : 0.0;
}

QVariantMap shadeRecord(const QVariant& object, qsizetype index)
{
    return {{kUndoObject, object}, {kUndoIndex, QVariant::fromValue(quint64(index))}};
}

} // namespace

void LXFrameDescription::setTextureResolver(TextureResolver resolver)
{
    textureResolver() = std::move(resolver);
}

LXFrameDescription::LXFrameDescription(const QVariantMap& dictionary, const QUrl& baseURL, bool editable,
                                       QObject* parent)
    : QObject(parent), m_baseURL(baseURL), m_editable(editable)
{
    setName(dictionary.value(kName).toString());
    setExternalMaskName(dictionary.value(kExternalMask).toString());
    setInternalMaskName(dictionary.value(kInternalMask).toString());
    setImageMaskName(dictionary.value(kImageMask).toString());
    setTextureName(dictionary.value(kTexture).toString());
    if (dictionary.contains(kTextureColor)) {
        const CIColor color = CIColor::colorWithString(dictionary.value(kTextureColor).toString());
        if (color.isNull())
            Log::line(lcFrames, QStringLiteral("Warning: Frame '%1' has no colour in '%2'; the texture's is used")
                                    .arg(m_name, dictionary.value(kTextureColor).toString()));
        else
            setTextureColor(color);
    }
    setTextureFillMode(truncated32(dictionary.value(kTextureFillMode)));
    setInset(finiteNumber(dictionary.value(kInset)));

    const QVariant shades = dictionary.value(kShades);
    if (shades.isValid() && shades.typeId() != QMetaType::QVariantList)
        Log::line(lcFrames, QStringLiteral("Warning: Frame '%1' has no list of shades").arg(m_name));
    for (const QVariant& value : shades.toList()) {
        const QVariantMap entry = value.toMap();
        const QString shadeName = entry.value(kShade).toString();
        const QUrl url = urlForShadeName(shadeName);
        if (url.isEmpty()) {
            Log::line(lcFrames, QStringLiteral("Error: Did not find Shade '%1'").arg(shadeName));
            continue;
        }
        m_shades.push_back(std::make_shared<LXShadeDescription>(url, entry.value(kBlendMode).toString(),
                                                                finiteNumber(entry.value(kIntensity))));
    }
}

LXFrameDescription::~LXFrameDescription() = default;

QVariantMap LXFrameDescription::saveDictionary() const
{
    QVariantMap dictionary;
    dictionary.insert(kName, m_name);
    if (!m_textureName.isEmpty())
        dictionary.insert(kTexture, m_textureName);
    dictionary.insert(kTextureColor, m_textureColor.stringRepresentation());
    dictionary.insert(kTextureFillMode, qlonglong(quint32(m_textureFillMode)));
    if (!m_externalMaskName.isEmpty())
        dictionary.insert(kExternalMask, m_externalMaskName);
    if (!m_internalMaskName.isEmpty())
        dictionary.insert(kInternalMask, m_internalMaskName);
    if (!m_imageMaskName.isEmpty())
        dictionary.insert(kImageMask, m_imageMaskName);
    dictionary.insert(kInset, m_inset);
    if (!m_shades.empty()) {
        QVariantList shades;
        for (const auto& shade : m_shades)
            shades.append(QVariantMap{{kShade, shade->name()}, {kBlendMode, shade->blendMode()},
                                      {kIntensity, shade->intensity()}});
        dictionary.insert(kShades, shades);
    }
    return dictionary;
}

// --- Resources ------------------------------------------------------------------

QUrl LXFrameDescription::urlForResourceID(const QString& prefix, const QString& directory) const
{
    // An empty prefix would match the first file of the folder.
    if (prefix.isEmpty() || directory.isEmpty())
        return {};
    return URLForImageResourceIn(m_baseURL.toLocalFile(), prefix, directory, {});
}

QUrl LXFrameDescription::urlForShadeName(const QString& name) const
{
    return urlForResourceID(name, directoryForResourceType(QStringLiteral("FRM-S")));
}

std::shared_ptr<LXFrameImageDescription> LXFrameDescription::mask()
{
    if (m_maskLooked)
        return m_mask;
    if (m_externalMaskName.isEmpty() && m_internalMaskName.isEmpty())
        return nullptr;
    const QUrl external =
        urlForResourceID(resourceID(m_externalMaskName), directoryForResourceType(QStringLiteral("FRM-E")));
    const QUrl internal =
        urlForResourceID(resourceID(m_internalMaskName), directoryForResourceType(QStringLiteral("FRM-I")));
    m_maskLooked = true;
    if (external.isEmpty() && internal.isEmpty()) {
        Log::line(lcFrames, QStringLiteral("Warning: Did not find the masks '%1' and '%2' of frame '%3'")
                                .arg(m_externalMaskName, m_internalMaskName, m_name));
        return nullptr;
    }
    m_mask = std::make_shared<LXMaskDescription>(external, internal);
    return m_mask;
}

std::shared_ptr<LXFrameImageDescription> LXFrameDescription::imageMask()
{
    if (m_imageMask || m_imageMaskName.isEmpty())
        return m_imageMask;
    const QUrl url = urlForResourceID(resourceID(m_imageMaskName), directoryForResourceType(QStringLiteral("FRM-M")));
    if (url.isEmpty()) {
        Log::line(lcFrames, QStringLiteral("Warning: Did not find image mask '%1' of frame '%2'")
                                .arg(m_imageMaskName, m_name));
        return nullptr;
    }
    m_imageMask = std::make_shared<LXFrameImageDescription>(url);
    return m_imageMask;
}

void LXFrameDescription::setImageMaskName(const QString& name)
{
    if (name != m_imageMaskName)
        m_imageMask.reset();
    m_imageMaskName = name;
}

const LXShadeList& LXFrameDescription::optimizedShades()
{
    if (m_shades.empty() || !m_optimizedShades.empty())
        return m_shades.empty() ? m_shades : m_optimizedShades;
    std::shared_ptr<LXShadeDescription> current;
    std::shared_ptr<LXCombinedShadeDescription> combined; // current, when it is a merge
    for (const auto& shade : m_shades) {
        if (LXCombinedShadeDescription::canJoint(shade.get(), current.get())) {
            if (!combined) {
                combined = std::make_shared<LXCombinedShadeDescription>(current->imageURL(), current->blendMode(),
                                                                        current->intensity());
                current = combined;
            }
            combined->addDescription(shade.get());
        } else {
            if (current)
                m_optimizedShades.push_back(current);
            current = shade;
            combined.reset();
        }
    }
    m_optimizedShades.push_back(current);
    return m_optimizedShades;
}

// --- Changes and undo ----------------------------------------------------------

bool LXFrameDescription::replaying() const
{
    return m_undoManager && (m_undoManager->isUndoing() || m_undoManager->isRedoing());
}

void LXFrameDescription::changed(quint64 kinds)
{
    // Caches follow the model with or without an editor watching.
    if (kinds & ShadeChange)
        m_optimizedShades.clear();
    sendChangeNotification(kinds);
    if (replaying())
        NotificationCenter::defaultCenter().post(kFrameUndoNotification, this);
}

void LXFrameDescription::sendChangeNotification(quint64 kinds)
{
    if (!m_undoManager)
        return;
    NotificationCenter& center = NotificationCenter::defaultCenter();
    if (kinds & ShadeChange) {
        center.post(kFrameShadeChangedNotification, this);
        m_optimizedShades.clear();
    }
    if (kinds & TextureChange)
        center.post(kFrameTextureChangedNotification, this);
    if (kinds & MaskChange)
        center.post(kFrameMaskChangedNotification, this);
    center.post(kFrameChangedNotification, this);
}

void LXFrameDescription::registerUndo(const QString& actionKey, std::function<void(LXFrameDescription*)> restore)
{
    if (!m_undoManager)
        return;
    m_undoManager->registerUndo(this, [restore = std::move(restore)](QObject* target) {
        restore(static_cast<LXFrameDescription*>(target));
    });
    m_undoManager->setActionName(Bundle::mainBundle().localizedString(actionKey, QStringLiteral(" ")).trimmed());
}

void LXFrameDescription::registerShadeUndo(const QByteArray& method, const QVariant& value, qsizetype index)
{
    registerUndoWithTarget(m_undoManager, this, method, shadeRecord(value, index));
}

bool LXFrameDescription::validIndex(qsizetype index, const char* operation) const
{
    if (index >= 0 && index < qsizetype(m_shades.size()))
        return true;
    Log::line(lcFrames, QStringLiteral("Warning: %1 of frame '%2': no shade at position %3 of %4")
                            .arg(QLatin1String(operation), m_name)
                            .arg(index)
                            .arg(m_shades.size()));
    return false;
}

void LXFrameDescription::setTextureName(const QString& name)
{
    // The colour first: undo runs newest first, so the name's undo (which
    // recolours from the texture) runs before the user's colour returns.
    const CIColor previousColor = m_textureColor;
    registerUndo(QStringLiteral("setTextureColor"), [previousColor](LXFrameDescription* frame) {
        frame->setTextureColor(previousColor);
    });
    const QString previous = m_textureName;
    registerUndo(QStringLiteral("setTextureName"), [previous](LXFrameDescription* frame) {
        frame->setTextureName(previous);
    });
    QString canonical = name;
    HSVTriple base;
    const auto& resolver = textureResolver();
    if (canonical.isEmpty() || !resolver || !resolver(canonical, base)) {
        if (!canonical.isEmpty())
            Log::line(lcFrames, QStringLiteral("Warning: Did not find Texture '%1'").arg(name));
        canonical = QString();
        base = HSVTriple{};
    }
    m_textureName = canonical;
    m_textureColor = colorForHSV(base);
    changed(TextureChange);
}

void LXFrameDescription::setTextureColor(const CIColor& color)
{
    const CIColor previous = m_textureColor;
    registerUndo(QStringLiteral("setTextureColor"), [previous](LXFrameDescription* frame) {
        frame->setTextureColor(previous);
    });
    m_textureColor = color;
    changed(TextureChange);
}

void LXFrameDescription::setTextureFillMode(qint32 mode)
{
    const qint32 previous = m_textureFillMode;
    registerUndo(QStringLiteral("setTextureFillModeValue"), [previous](LXFrameDescription* frame) {
        frame->setTextureFillModeValue(previous);
    });
    m_textureFillMode = mode;
    changed(TextureChange);
}

void LXFrameDescription::setTextureFillModeValue(const QVariant& number)
{
    setTextureFillMode(truncated32(number));
}

void LXFrameDescription::setExternalMaskName(const QString& name)
{
    const QString previous = m_externalMaskName;
    registerUndo(QStringLiteral("setExternalMaskName"), [previous](LXFrameDescription* frame) {
        frame->setExternalMaskName(previous);
    });
    m_externalMaskName = name;
    m_mask.reset();
    m_maskLooked = false;
    changed(MaskChange);
}

void LXFrameDescription::setInternalMaskName(const QString& name)
{
    const QString previous = m_internalMaskName;
    registerUndo(QStringLiteral("setInternalMaskName"), [previous](LXFrameDescription* frame) {
        frame->setInternalMaskName(previous);
    });
    m_internalMaskName = name;
    m_mask.reset();
    m_maskLooked = false;
    changed(MaskChange);
}

void LXFrameDescription::insertShade(const std::shared_ptr<LXShadeDescription>& shade, qsizetype index)
{
    if (!shade)
        return;
    if (index < 0 || index > qsizetype(m_shades.size())) {
        Log::line(lcFrames, QStringLiteral("Warning: insertShade of frame '%1': no position %2 in %3 shades")
                                .arg(m_name)
                                .arg(index)
                                .arg(m_shades.size()));
        return;
    }
    registerUndoWithTarget(m_undoManager, this, "undoAddShade", QVariant::fromValue(shade));
    m_shades.insert(m_shades.begin() + index, shade);
    changed(ShadeChange);
}

void LXFrameDescription::addShade(const std::shared_ptr<LXShadeDescription>& shade)
{
    insertShade(shade, qsizetype(m_shades.size()));
}

void LXFrameDescription::removeShadeAtIndex(qsizetype index)
{
    if (!validIndex(index, "removeShadeAtIndex"))
        return;
    registerShadeUndo("undoRemoveShade", QVariant::fromValue(m_shades[size_t(index)]), index);
    m_shades.erase(m_shades.begin() + index);
    changed(ShadeChange);
}

void LXFrameDescription::setShadeName(const QString& name, qsizetype index)
{
    if (!validIndex(index, "setShadeName"))
        return;
    const QUrl url = urlForShadeName(name);
    if (url.isEmpty()) {
        Log::line(lcFrames, QStringLiteral("Error: Did not find Shade '%1'").arg(name));
        return;
    }
    LXShadeDescription& shade = *m_shades[size_t(index)];
    registerShadeUndo("undoSetShadeName", shade.name(), index);
    shade.setImageURL(url);
    changed(ShadeChange);
}

void LXFrameDescription::setShadeBlendMode(const QString& mode, qsizetype index)
{
    if (!validIndex(index, "setShadeBlendMode"))
        return;
    LXShadeDescription& shade = *m_shades[size_t(index)];
    registerShadeUndo("undoSetShadeBlendMode", shade.blendMode(), index);
    shade.setBlendMode(mode);
    changed(ShadeChange);
}

void LXFrameDescription::setShadeIntensity(double intensity, qsizetype index)
{
    if (!validIndex(index, "setShadeIntensity"))
        return;
    LXShadeDescription& shade = *m_shades[size_t(index)];
    registerMouseAwareUndoWithTarget(m_undoManager, this, shadeRecord(shade.intensity(), index),
                                     QStringLiteral("shadeIntensityUndoDescription"), false);
    shade.setIntensity(intensity);
    changed(ShadeChange);
}

void LXFrameDescription::undoAddShade(const QVariant& value)
{
    const auto shade = value.value<std::shared_ptr<LXShadeDescription>>();
    const auto it = std::find(m_shades.begin(), m_shades.end(), shade);
    if (it != m_shades.end())
        removeShadeAtIndex(it - m_shades.begin());
}

void LXFrameDescription::undoRemoveShade(const QVariant& record)
{
    const QVariantMap map = record.toMap();
    insertShade(map.value(kUndoObject).value<std::shared_ptr<LXShadeDescription>>(),
                qsizetype(map.value(kUndoIndex).toULongLong()));
}

void LXFrameDescription::undoSetShadeName(const QVariant& record)
{
    const QVariantMap map = record.toMap();
    setShadeName(map.value(kUndoObject).toString(), qsizetype(map.value(kUndoIndex).toULongLong()));
}

void LXFrameDescription::undoSetShadeBlendMode(const QVariant& record)
{
    const QVariantMap map = record.toMap();
    setShadeBlendMode(map.value(kUndoObject).toString(), qsizetype(map.value(kUndoIndex).toULongLong()));
}

void LXFrameDescription::setShadeIntensityUndoDescription(const QVariantMap& record)
{
    setShadeIntensity(record.value(kUndoObject).toDouble(), qsizetype(record.value(kUndoIndex).toULongLong()));
}
