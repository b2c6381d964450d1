#include "app/Look.h"

#include "app/LookSettings.h"
#include "effects/EffectSettingsForm.h"
#include "frames/FrameClasses.h"
#include "frames/LXFrameCatalog.h"
#include "frames/LXPictureFrameFilter.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/UserDefaults.h"
#include "resources/LXLocalizeHelper.h"

#include <QFile>

#include <cmath>

namespace {

const QString kEffects = QStringLiteral("effects");
const QString kFrame = QStringLiteral("frame");
const QString kCrop = QStringLiteral("crop");
const QString kRotation = QStringLiteral("rotation");
const QString kName = QStringLiteral("name");
const QString kIsEnabled = QStringLiteral("isEnabled");
const QString kResource = QStringLiteral("resource");
const QString kFrameName = QStringLiteral("inputFrameName");
const QString kDefaultsKey = QStringLiteral("look");

// Empty when `settings` are stored settings of a catalog effect that fit
// its settings; else what is wrong. `what` names them ("effect 2").
QString problemWithEffect(const QVariant& given, const QString& what)
{
    if (given.typeId() != QMetaType::QVariantMap)
        return QStringLiteral("%1 is not a dictionary of settings").arg(what);
    const QVariantMap settings = given.toMap();
    const QString name = settings.value(kName).toString();
    if (settings.value(kName).typeId() != QMetaType::QString || name.isEmpty())
        return QStringLiteral("%1 has no \"name\"").arg(what);
    const LookEffectSettings known = lookEffectSettings(name);
    if (!known.found)
        return QStringLiteral("unknown effect '%1'").arg(name);
    const QVariantMap resources = settings.value(kResource).toMap();
    for (auto it = settings.cbegin(); it != settings.cend(); ++it) {
        if (it.key() == kName)
            continue;
        if (it.key() == kIsEnabled) {
            if (it.value().typeId() != QMetaType::Bool)
                return QStringLiteral("\"isEnabled\" of effect '%1' must be yes or no").arg(name);
            continue;
        }
        if (it.key() == kResource) {
            if (it.value().typeId() != QMetaType::QVariantMap)
                return QStringLiteral("\"resource\" of effect '%1' must be a dictionary").arg(name);
            for (const QVariant& path : resources)
                if (path.typeId() != QMetaType::QString || !EffectSettingsForm::isSafeResourcePath(path.toString()))
                    return QStringLiteral("effect '%1' names a picked picture '%2' that is not a temporary copy")
                        .arg(name, path.toString());
            continue;
        }
        const LookSetting* setting = known.setting(it.key());
        if (!setting)
            return QStringLiteral("effect '%1' has no setting '%2'").arg(name, it.key());
        if (setting->kind == LookSetting::Choice && resources.contains(it.key()) && it.value().typeId() == QMetaType::QString)
            continue; // a picked picture, not an entry
        const QString problem = setting->problemWith(it.value());
        if (!problem.isEmpty())
            return QStringLiteral("effect '%1': %2").arg(name, problem);
    }
    return {};
}

QString problemWithFrame(const QVariantMap& frame)
{
    const QString name = frame.value(kName).toString();
    const QString frameName = frame.value(kFrameName).toString();
    bool known = false;
    for (const LookFrameChoice& choice : lookFrameChoices())
        known = known
                || (choice.settings.value(kName).toString() == name
                    && (!choice.settings.contains(kFrameName) || choice.settings.value(kFrameName).toString() == frameName));
    if (!known)
        return QStringLiteral("unknown frame '%1'").arg(frameName.isEmpty() ? name : frameName);
    return problemWithEffect(frame, QStringLiteral("the frame"));
}

QString describeCrop(const QVariantList& numbers)
{
    QStringList texts;
    for (const QVariant& n : numbers)
        texts << n.toString();
    return texts.join(QStringLiteral(", "));
}

// The crop of a stored look; false with `problem` set when it is not one.
bool readCrop(const QVariant& given, QRectF* crop, QString* problem)
{
    const QVariantList numbers = given.toList();
    bool numeric = given.typeId() == QMetaType::QVariantList && numbers.size() == 4;
    for (const QVariant& n : numbers)
        numeric = numeric && EffectSettingsForm::isNumber(n) && std::isfinite(n.toDouble());
    if (!numeric) {
        *problem = QStringLiteral("the crop must be four numbers: x, y, width, height");
        return false;
    }
    const double x = numbers[0].toDouble(), y = numbers[1].toDouble(), w = numbers[2].toDouble(), h = numbers[3].toDouble();
    const double slack = 1e-9;
    if (x < 0 || y < 0 || w <= 0 || h <= 0 || x + w > 1 + slack || y + h > 1 + slack) {
        *problem = QStringLiteral("the crop %1 does not lie inside the photo: x, y, width and height are fractions "
                                  "from 0 to 1 with a width and height above 0")
                       .arg(describeCrop(numbers));
        return false;
    }
    *crop = QRectF(x, y, std::min(w, 1 - x), std::min(h, 1 - y));
    return true;
}

} // namespace

bool Look::isPlain() const
{
    return effects.isEmpty() && frame.isEmpty() && crop.isNull() && std::fmod(rotation, 360.0) == 0;
}

bool Look::operator==(const Look& other) const
{
    return effects == other.effects && frame == other.frame && crop == other.crop && rotation == other.rotation;
}

QVariantMap Look::propertyList() const
{
    QVariantMap list;
    if (!effects.isEmpty())
        list.insert(kEffects, effects);
    if (!frame.isEmpty())
        list.insert(kFrame, frame);
    if (!crop.isNull())
        list.insert(kCrop, QVariantList{crop.x(), crop.y(), crop.width(), crop.height()});
    if (rotation != 0)
        list.insert(kRotation, rotation);
    return list;
}

Result<Look> Look::fromPropertyList(const QVariant& given)
{
    if (given.typeId() != QMetaType::QVariantMap)
        return Result<Look>::failure(QStringLiteral("a look is a dictionary of \"effects\", \"frame\", \"crop\" and \"rotation\""));
    const QVariantMap list = given.toMap();
    Look look;
    for (auto it = list.cbegin(); it != list.cend(); ++it) {
        const QString& key = it.key();
        QString problem;
        if (key == kEffects) {
            if (it.value().typeId() != QMetaType::QVariantList)
                problem = QStringLiteral("\"effects\" must be a list of effect settings");
            const QVariantList effects = it.value().toList();
            for (qsizetype i = 0; problem.isEmpty() && i < effects.size(); ++i)
                problem = problemWithEffect(effects[i], QStringLiteral("effect %1").arg(i + 1));
            look.effects = effects;
        } else if (key == kFrame) {
            if (it.value().typeId() != QMetaType::QVariantMap)
                problem = QStringLiteral("\"frame\" must be the settings of a frame");
            else if (!it.value().toMap().isEmpty())
                problem = problemWithFrame(it.value().toMap());
            look.frame = it.value().toMap();
        } else if (key == kCrop) {
            readCrop(it.value(), &look.crop, &problem);
        } else if (key == kRotation) {
            if (!EffectSettingsForm::isNumber(it.value()) || !std::isfinite(it.value().toDouble()))
                problem = QStringLiteral("the rotation must be a finite number of degrees, not '%1'").arg(it.value().toString());
            look.rotation = it.value().toDouble();
        } else {
            problem = QStringLiteral("unknown key '%1' in the look").arg(key);
        }
        if (!problem.isEmpty())
            return Result<Look>::failure(problem);
    }
    return Result<Look>::success(look);
}

Result<Look> Look::readFile(const QString& path, QString* shown)
{
    QString ignored;
    QString& words = shown ? *shown : ignored;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        words = file.errorString();
        return Result<Look>::failure(QStringLiteral("cannot read the look %1: %2").arg(path, file.errorString()));
    }
    QString reason;
    const QVariant list = PropertyList::fromData(file.readAll(), path, &reason);
    if (!reason.isEmpty()) {
        words = QStringLiteral("the file is not a look");
        return Result<Look>::failure(QStringLiteral("the look %1 is not a property list").arg(path));
    }
    const Result<Look> look = fromPropertyList(list);
    if (!look.ok()) {
        words = QStringLiteral("its settings cannot be used");
        return Result<Look>::failure(QStringLiteral("the look %1 cannot be used: %2").arg(path, look.reason()));
    }
    return look;
}

Result<> Look::writeFile(const QString& path, QString* shown) const
{
    const QByteArray data = PropertyList::toXml(propertyList());
    QString reason;
    if (data.isEmpty())
        reason = QStringLiteral("it has no property list form");
    else if (AtomicFile::write(path, data, &reason))
        return Result<>::success();
    if (shown)
        *shown = reason;
    return Result<>::failure(QStringLiteral("the look cannot be written to %1: %2").arg(path, reason));
}

// Stored as the text of its property list: a damaged value is found, where a
// settings file's own nesting would silently read as something else.
Look Look::fromUserDefaults()
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    const QVariant stored = defaults.objectForKey(kDefaultsKey);
    if (!stored.isValid())
        return {};
    QString reason;
    const QVariant list = stored.typeId() == QMetaType::QString
                              ? PropertyList::fromData(stored.toString().toUtf8(), QStringLiteral("\"look\""), &reason)
                              : QVariant();
    if (stored.typeId() != QMetaType::QString)
        reason = QStringLiteral("it is not the text of a property list");
    const Result<Look> look = reason.isEmpty() ? fromPropertyList(list) : Result<Look>::failure(reason);
    if (look.ok())
        return look.value();
    Log::line(lcApp, QStringLiteral("Warning: the remembered look in %1 is damaged (%2); using no look")
                         .arg(defaults.filePath(), look.reason()));
    return {};
}

void Look::saveToUserDefaults() const
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    if (isPlain())
        defaults.removeObjectForKey(kDefaultsKey);
    else
        defaults.setObject(QString::fromUtf8(PropertyList::toXml(propertyList())), kDefaultsKey);
}

QList<LookFrameChoice> lookFrameChoices()
{
    // The catalogs' frames find their textures only once the frame classes are known.
    static const bool registered = (registerFrameClasses(), true);
    Q_UNUSED(registered);
    QList<LookFrameChoice> choices;
    const auto add = [&choices](const QString& identifier, const QVariantMap& settings) {
        choices.append(LookFrameChoice{identifier, LXLocalizeHelper::localizedString(identifier), settings});
    };
    for (const QString& name : LXPictureFrameFilter::frameList())
        add(name, {{kName, QStringLiteral("PictureFrame")}, {kFrameName, name}});
    QStringList textured{QStringLiteral("Plain Frame")};
    textured << LXFrameCatalog::sharedUserFrameCatalog().frameIDs() << LXFrameCatalog::sharedFrameCatalog().frameIDs();
    for (const QString& identifier : std::as_const(textured))
        if (!identifier.endsWith(u'-')) // group headers
            add(identifier, {{kName, QStringLiteral("Frame")}, {kFrameName, identifier}});
    add(QStringLiteral("Border"), {{kName, QStringLiteral("Border")}});
    return choices;
}
