#include "effects/LXEffect.h"

#include "effects/EffectSettingsForm.h"
#include "effects/EffectSettingsView.h"
#include "filters/LXFilter.h"
#include "frames/FrameClasses.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/image/CIContext.h"
#include "platform/image/CIGeometry.h"
#include "platform/image/CIImageAccumulator.h"
#include "platform/ui/Gradient.h"
#include "ui/localization/LXLocalizeHelper.h"
#include "util/UndoCoalescing.h"

#include <QDebug>

namespace {

const QString kName = QStringLiteral("name");
const QString kIsEnabled = QStringLiteral("isEnabled");
const QString kResource = QStringLiteral("resource");
const QString kSettingsKey = QStringLiteral("settings");
const QString kEnabledKey = QStringLiteral("enabled");
const QString kTable = QStringLiteral("EffectSettings");

void warn(const QString& text) { Log::line(lcEffects, QStringLiteral("Warning: ") + text); }

QString settingName(const QString& key) { return Bundle::mainBundle().localizedString(key, {}, kTable); }

// A number; here a boolean counts as one.
bool isNumber(const QVariant& value)
{
    return EffectSettingsForm::isNumber(value) || value.typeId() == QMetaType::Bool;
}

} // namespace

std::shared_ptr<LXEffect> LXEffect::effectWithName(const QString& name, const QVariantMap& settings)
{
    return effectWithDictionary({{kName, name}}, settings);
}

std::shared_ptr<LXEffect> LXEffect::effectWithDictionary(const QVariantMap& description, const QVariantMap& settings)
{
    std::shared_ptr<LXEffect> effect(new LXEffect);
    if (!effect->init(description, settings))
        return nullptr;
    return effect;
}

LXEffect::~LXEffect()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    if (m_view && !m_view->parent())
        delete m_view.data();
    else if (m_view)
        m_view->effectGone();
}

bool LXEffect::init(const QVariantMap& description, const QVariantMap& settings)
{
    static const bool registered = (registerFrameClasses(), true); // every kit and frame class creatable by name
    Q_UNUSED(registered);
    m_enabled = true;
    const QVariant name = description.value(kName);
    if (name.typeId() != QMetaType::QString || name.toString().isEmpty()) {
        warn(QStringLiteral("Effect description without a name"));
        return false;
    }
    m_name = name.toString();
    const QVariant display = description.value(QStringLiteral("displayName"));
    m_displayName = display.typeId() == QMetaType::QString ? display.toString() : m_name;
    m_settingsUI = description.value(QStringLiteral("settingsUI")).toMap();
    const QVariant order = description.value(QStringLiteral("settingsUIOrder"));
    m_settingsKeys = order.isValid() ? order.toStringList() : m_settingsUI.keys();

    const QVariant ciName = description.value(QStringLiteral("ciName"));
    const QString filterName = ciName.typeId() == QMetaType::QString ? ciName.toString() : m_name;
    m_filter = CIFilter::filterWithName(filterName);
    if (!m_filter) {
        m_filter = CIFilter::filterWithName(filterName + QStringLiteral("Filter"));
        if (!m_filter) {
            warn(QStringLiteral("Neither Filter with name %1 nor %1Filter found").arg(filterName));
            return false;
        }
        warn(QStringLiteral("Filter with name %1 not found, %1Filter used instead").arg(filterName));
    }
    NotificationCenter::defaultCenter().addObserver(this, LXFilterUpdateNotification, m_filter.get(),
                                                    [this](const Notification&) { pushOutput(); });
    m_relative = description.value(QStringLiteral("relative")).toStringList();
    m_globals = description.value(QStringLiteral("globals")).toMap();
    m_baseSettings = description.value(QStringLiteral("defaultSettings")).toMap();
    setSettings(settings);
    return true;
}

bool LXEffect::filterHasKey(const QString& key) const
{
    return m_filter->inputKeys().contains(key) || m_filter->metaObject()->indexOfProperty(key.toUtf8().constData()) >= 0;
}

QVariant LXEffect::valueForFilter(const QString& key, const QVariant& stored) const
{
    if (stored.typeId() != QMetaType::QString)
        return stored;
    const QVariant current = m_filter->valueForKey(key);
    const QString cls = m_filter->attributes().value(key).toMap().value(kCIAttributeClass).toString();
    const bool colour = EffectSettingsForm::isColorKey(key) || current.metaType() == QMetaType::fromType<CIColor>()
                        || cls == QLatin1String("CIColor");
    const bool gradient = EffectSettingsForm::isGradientKey(key)
                          || current.metaType() == QMetaType::fromType<Gradient>();
    if (colour)
        return EffectSettingsForm::filterValue(QStringLiteral("inputColor"), stored);
    if (gradient)
        return EffectSettingsForm::filterValue(QStringLiteral("inputGradient"), stored);
    if (isNumber(current) || isNumber(m_filter->attributes().value(key).toMap().value(kCIAttributeDefault))) {
        bool ok = false;
        const double number = stored.toString().toDouble(&ok);
        return ok ? QVariant(number) : QVariant();
    }
    return stored;
}

bool LXEffect::assignToFilter(const QString& key, const QVariant& stored)
{
    QVariant value = valueForFilter(key, stored);
    if (!value.isValid()) {
        warn(QStringLiteral("Effect '%1' cannot use %2 for '%3'; ignored").arg(m_name, stored.toString(), key));
        return false;
    }
    if (m_relative.contains(key)) {
        if (!isNumber(value)) {
            warn(QStringLiteral("Effect '%1' needs a number for '%2'; ignored").arg(m_name, key));
            return false;
        }
        const double factor = referenceLength();
        m_factors.insert(key, factor);
        value = value.toDouble() * factor;
    }
    m_filter->setValue(value, key);
    return true;
}

void LXEffect::setSettings(const QVariantMap& given)
{
    observeSettingsNotification(false);
    QVariantMap merged = m_baseSettings;
    merged.insert(given);
    const QVariant givenName = given.value(kName);
    if (givenName.isValid() && (givenName.typeId() != QMetaType::QString || givenName.toString() != m_name))
        warn(QStringLiteral("Effect '%1' takes settings named '%2'").arg(m_name, givenName.toString()));
    merged.insert(kName, m_name);

    m_imageResources.clear();
    const QVariant resources = merged.take(kResource);
    if (resources.isValid() && resources.typeId() != QMetaType::QVariantMap)
        warn(QStringLiteral("Effect '%1' ignores a \"resource\" that is not a dictionary").arg(m_name));
    const QVariantMap resourceMap = resources.toMap();
    for (auto it = resourceMap.cbegin(); it != resourceMap.cend(); ++it) {
        const QString path = it.value().toString();
        if (it.value().typeId() == QMetaType::QString && EffectSettingsForm::isSafeResourcePath(path))
            m_imageResources.insert(it.key(), path);
        else
            warn(QStringLiteral("Effect '%1' drops the picture path '%2' for '%3'").arg(m_name, path, it.key()));
    }
    const QVariant enabled = merged.take(kIsEnabled);
    if (enabled.isValid())
        setEnabled(enabled.toBool());

    const CIImage input = inputImage();
    m_filter->setDefaults();
    if (!input.isNull())
        m_filter->setValue(QVariant::fromValue(input), kCIInputImageKey);
    m_factors.clear();
    m_settings = {{kName, m_name}};
    for (auto it = merged.cbegin(); it != merged.cend(); ++it) {
        if (it.key() == kName)
            continue;
        if (!filterHasKey(it.key())) {
            warn(QStringLiteral("Effect '%1' has no setting '%2'; ignored").arg(m_name, it.key()));
            continue;
        }
        QVariant stored = EffectSettingsForm::storedValue(it.value());
        if (!stored.isValid() || !assignToFilter(it.key(), stored)) {
            stored = EffectSettingsForm::storedValue(m_baseSettings.value(it.key())); // a bad value keeps the default
            if (!stored.isValid() || stored == it.value() || !assignToFilter(it.key(), stored))
                continue;
        }
        m_settings.insert(it.key(), stored);
    }
    pushOutput();
    if (m_view)
        updateSettings();
    observeSettingsNotification(true);
}

void LXEffect::observeSettingsNotification(bool on)
{
    NotificationCenter& center = NotificationCenter::defaultCenter();
    if (!on) {
        center.removeObserver(this, LXFilterSettingsChangedNotification, m_filter.get());
        return;
    }
    center.addObserver(this, LXFilterSettingsChangedNotification, m_filter.get(), [this](const Notification&) {
        if (m_view)
            updateSettings();
    });
}

QVariantMap LXEffect::settings() const
{
    QVariantMap result;
    for (auto it = m_settings.cbegin(); it != m_settings.cend(); ++it)
        result.insert(it.key(), EffectSettingsForm::storedValue(it.value()));
    result.insert(kIsEnabled, m_enabled);
    result.insert(kResource, m_imageResources);
    return result;
}

QVariant LXEffect::settingsValueForKey(const QString& key) const
{
    const auto found = m_settings.constFind(key);
    if (found != m_settings.cend())
        return *found;
    return m_filter->valueForKey(key);
}

QVariant LXEffect::filterValueFor(const QString& key, const QRectF& extent) const
{
    const auto found = m_settings.constFind(key);
    if (found == m_settings.cend())
        return m_filter->valueForKey(key);
    const QVariant value = valueForFilter(key, *found);
    if (!value.isValid()) // as assignToFilter leaves the filter's value
        return m_filter->valueForKey(key);
    if (!m_relative.contains(key) || !isNumber(value))
        return value;
    return value.toDouble() * EffectSettingsForm::referenceLength(m_proportion, extent, true);
}

CIImage LXEffect::inputImage() const { return CIFilter::imageValue(m_filter->valueForKey(kCIInputImageKey)); }

void LXEffect::setInputImage(const CIImage& image)
{
    if (image.isNull())
        return;
    m_filter->setValue(QVariant::fromValue(image), kCIInputImageKey);
    handOn();
}

double LXEffect::referenceLength() const
{
    const CIImage input = inputImage();
    return EffectSettingsForm::referenceLength(m_proportion, input.extent(), !input.isNull());
}

CIImage LXEffect::outputImage()
{
    const CIImage input = inputImage();
    if (input.isNull()) {
        if (!m_waitingForUpdate) {
            m_waitingForUpdate = true; // before posting: an observer may ask again at once
            NotificationCenter::defaultCenter().post(kEffectNeedsUpdateNotification, this);
        }
        return {};
    }
    m_waitingForUpdate = false;
    for (const QString& key : std::as_const(m_relative))
        if (m_settings.contains(key))
            assignToFilter(key, m_settings.value(key));
    CIImage output = m_filter->outputImage();
    if (output.isNull())
        return {};
    if (CIGeometry::isInfinite(output.extent())
        && (CIGeometry::isInfinite(input.extent()) || input.extent().isEmpty())) {
        warn(QStringLiteral("Effect '%1' has an output without end; passed on unflattened").arg(m_name));
        return output;
    }
    return CIImageAccumulator::flatten(output, input.extent());
}

void LXEffect::handOn()
{
    const std::shared_ptr<LXEffectSuccessor> next = m_successor.lock();
    if (!next)
        return;
    if (next->takesPicturesLater()) {
        next->pictureChanged();
        return;
    }
    const CIImage image = handedOnImage();
    if (!image.isNull())
        next->setInputImage(image);
}

void LXEffect::pushOutput()
{
    if (m_enabled)
        handOn();
}

void LXEffect::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    if (registerMouseAwareUndoWithTarget(m_undoManager, this, m_enabled, kEnabledKey, false) && !replaying())
        m_undoManager->setActionName(settingName(m_enabled ? QStringLiteral("Disable") : QStringLiteral("Enable"))
                                     + QLatin1Char(' ') + LXLocalizeHelper::localizedString(m_displayName));
    m_enabled = enabled;
    handOn();
}

void LXEffect::setGlobalSettings(const QVariantMap& settings)
{
    const auto portion = settings.constFind(QStringLiteral("portion"));
    if (portion != settings.cend())
        m_proportion = portion->toDouble();
    for (auto it = m_globals.cbegin(); it != m_globals.cend(); ++it) {
        const auto value = settings.constFind(it.key());
        if (value != settings.cend() && filterHasKey(it.value().toString()))
            m_filter->setValue(*value, it.value().toString());
    }
    if (const std::shared_ptr<LXEffectSuccessor> next = m_successor.lock())
        next->setGlobalSettings(settings);
}

void LXEffect::removeImageInput()
{
    m_filter->setValue(QVariant(), kCIInputImageKey);
    if (const std::shared_ptr<LXEffectSuccessor> next = m_successor.lock())
        next->removeImageInput();
}

void LXEffect::addResourcesToArray(QStringList& resources) const
{
    for (const QVariant& path : m_imageResources)
        if (!resources.contains(path.toString()))
            resources.append(path.toString());
}

bool LXEffect::replaying() const
{
    return m_undoManager && (m_undoManager->isUndoing() || m_undoManager->isRedoing()); // the inverse keeps its name
}

QString LXEffect::rowKeyFor(const QString& inputKey) const
{
    for (auto it = m_settingsUI.cbegin(); it != m_settingsUI.cend(); ++it)
        if (it.value().toMap().value(QStringLiteral("inputName")).toString() == inputKey)
            return it.key();
    return inputKey;
}

bool LXEffect::registerSettingsUndo()
{
    return registerMouseAwareUndoWithTarget(m_undoManager, this, settings(), kSettingsKey, false);
}

void LXEffect::setValue(const QVariant& value, const QString& key)
{
    if (key == kSettingsKey) {
        registerSettingsUndo();
        setSettings(value.toMap());
    } else if (key == kEnabledKey) {
        setEnabled(value.toBool());
    } else if (key != kName && filterHasKey(key)) {
        changeSetting(key, value);
    } else {
        warn(QStringLiteral("Effect '%1' has no setting '%2'; ignored").arg(m_name, key));
    }
}

void LXEffect::changeSetting(const QString& key, const QVariant& value, const QString& resource)
{
    const QVariant stored = EffectSettingsForm::storedValue(value);
    if (registerSettingsUndo() && !replaying())
        m_undoManager->setActionName(LXLocalizeHelper::localizedString(m_displayName) + QLatin1Char(' ')
                                     + settingName(rowKeyFor(key)));
    if (resource.isNull())
        ;
    else if (resource.isEmpty())
        m_imageResources.remove(key);
    else
        m_imageResources.insert(key, resource);
    if (!stored.isValid()) {
        m_settings.remove(key);
        m_filter->setValue(QVariant(), key);
    } else if (assignToFilter(key, stored)) {
        m_settings.insert(key, stored);
    }
    pushOutput();
    if (m_view)
        updateSettings();
    emit settingsChanged();
}

void LXEffect::updateSettings()
{
    if (!m_view)
        return;
    const double length = referenceLength();
    for (const QString& key : m_view->boundSettings()) {
        QVariant value = m_filter->valueForKey(key);
        if (m_relative.contains(key) && isNumber(value))
            value = value.toDouble() / m_factors.value(key, length);
        const QVariant stored = EffectSettingsForm::storedValue(value);
        if (stored.isValid())
            m_settings.insert(key, stored);
        else
            m_settings.remove(key);
        m_view->showValue(key, value);
    }
}

QWidget* LXEffect::settingsView()
{
    if (!m_view) {
        m_view = new EffectSettingsView(*this);
        updateSettings();
    }
    return m_view;
}

QString LXEffect::description() const
{
    QString text;
    QDebug(&text).noquote().nospace() << settings();
    return QStringLiteral("Effect: %1 (%2)\nSettings: %3").arg(m_displayName, m_name, text);
}
