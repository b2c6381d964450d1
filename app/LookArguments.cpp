#include "app/LookArguments.h"

#include "app/LookSettings.h"
#include "effects/LXEffect.h"
#include "effects/LXEffectsCatalog.h"

#include <QCommandLineParser>

#include <cmath>

namespace {

const QString kEffect = QStringLiteral("effect");
const QString kFrame = QStringLiteral("frame");
const QString kCrop = QStringLiteral("crop");
const QString kRotate = QStringLiteral("rotate");
const QString kLook = QStringLiteral("look");
const QString kName = QStringLiteral("name");

const QStringList& optionNames()
{
    static const QStringList names{kEffect, kFrame, kCrop, kRotate, kLook};
    return names;
}

// The option a command-line word names ("--crop" or "--crop=..."); empty when none.
QString optionOf(const QString& argument)
{
    if (!argument.startsWith(QLatin1String("--")))
        return {};
    const QString name = argument.mid(2).section(u'=', 0, 0);
    return optionNames().contains(name) ? name : QString();
}

// The catalog effect written as `word`: an identifier or a display name, any case.
QString effectNamed(const QString& word)
{
    const QVariantMap& catalog = LXEffectsCatalog::sharedEffectsCatalog().catalog();
    for (auto it = catalog.cbegin(); it != catalog.cend(); ++it)
        if (it.key().compare(word, Qt::CaseInsensitive) == 0
            || it.value().toMap().value(QStringLiteral("displayName")).toString().compare(word, Qt::CaseInsensitive) == 0)
            return it.key();
    return {};
}

const LookSetting* settingNamed(const LookEffectSettings& effect, const QString& word)
{
    for (const LookSetting& s : effect.settings)
        if (s.key.compare(word, Qt::CaseInsensitive) == 0 || (!s.row.isEmpty() && s.row.compare(word, Qt::CaseInsensitive) == 0))
            return &s;
    return nullptr;
}

QStringList keysOf(const LookEffectSettings& effect)
{
    QStringList keys;
    for (const LookSetting& s : effect.settings)
        keys << s.key;
    return keys;
}

// `settings` with the "key=value" pairs of `pairs` (comma-separated) added.
bool addPairs(const LookEffectSettings& effect, const QString& pairs, const QString& option, QVariantMap* settings, QString* problem)
{
    if (pairs.isEmpty())
        return true;
    for (const QString& pair : pairs.split(u',')) {
        const qsizetype equals = pair.indexOf(u'=');
        if (equals <= 0) {
            *problem = QStringLiteral("%1 takes settings as key=value pairs separated by commas, not '%2'").arg(option, pair);
            return false;
        }
        const QString key = pair.left(equals).trimmed(), text = pair.mid(equals + 1);
        const LookSetting* setting = settingNamed(effect, key);
        if (!setting) {
            *problem = QStringLiteral("effect '%1' has no setting '%2' (its settings: %3)")
                           .arg(effect.name, key, keysOf(effect).join(QStringLiteral(", ")));
            return false;
        }
        const QVariant value = setting->valueFromText(text);
        if (!value.isValid()) {
            *problem = QStringLiteral("effect '%1': '%2' must be %3, not '%4'").arg(effect.name, setting->key, setting->describe(), text);
            return false;
        }
        settings->insert(setting->key, value);
    }
    return true;
}

bool addEffect(const QString& argument, Look* look, QString* problem)
{
    const QString word = argument.section(u':', 0, 0).trimmed();
    const QString name = effectNamed(word);
    if (name.isEmpty()) {
        *problem = QStringLiteral("unknown effect '%1' (sunnyside --list-effects lists them)").arg(word);
        return false;
    }
    QVariantMap settings{{kName, name}};
    if (!addPairs(lookEffectSettings(name), argument.section(u':', 1), QStringLiteral("--effect"), &settings, problem))
        return false;
    look->effects << settings;
    return true;
}

bool setFrame(const QString& argument, Look* look, QString* problem)
{
    const QString word = argument.section(u':', 0, 0).trimmed();
    if (word.compare(QLatin1String("none"), Qt::CaseInsensitive) == 0) {
        look->frame.clear();
        return true;
    }
    const QList<LookFrameChoice> choices = lookFrameChoices();
    const LookFrameChoice* chosen = nullptr;
    for (const LookFrameChoice& choice : choices)
        if (!chosen && choice.identifier == word)
            chosen = &choice;
    for (const LookFrameChoice& choice : choices)
        if (!chosen && (choice.identifier.compare(word, Qt::CaseInsensitive) == 0 || choice.displayName.compare(word, Qt::CaseInsensitive) == 0))
            chosen = &choice;
    if (!chosen) {
        *problem = QStringLiteral("unknown frame '%1' (sunnyside --list-frames lists them)").arg(word);
        return false;
    }
    QVariantMap settings = chosen->settings;
    if (!addPairs(lookEffectSettings(settings.value(kName).toString()), argument.section(u':', 1), QStringLiteral("--frame"), &settings, problem))
        return false;
    look->frame = settings;
    return true;
}

bool setCrop(const QString& argument, Look* look, QString* problem)
{
    const QStringList parts = argument.split(u',');
    QVariantList numbers;
    for (const QString& part : parts) {
        bool ok = false;
        const double x = part.trimmed().toDouble(&ok);
        if (ok)
            numbers << x;
    }
    if (parts.size() != 4 || numbers.size() != 4) {
        *problem = QStringLiteral("--crop takes four fractions X,Y,W,H of the photo (for example --crop 0.1,0.1,0.8,0.8), not '%1'").arg(argument);
        return false;
    }
    // Checked in the words a saved look's crop gets.
    const Result<Look> checked = Look::fromPropertyList(QVariantMap{{kCrop, numbers}});
    if (!checked.ok()) {
        *problem = checked.reason();
        return false;
    }
    look->crop = checked.value().crop;
    return true;
}

bool setRotation(const QString& argument, Look* look, QString* problem)
{
    bool ok = false;
    const double degrees = argument.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(degrees)) {
        *problem = QStringLiteral("--rotate takes a number of degrees (counter-clockwise), not '%1'").arg(argument);
        return false;
    }
    look->rotation = degrees;
    return true;
}

QString defaultText(const QVariant& value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("yes") : QStringLiteral("no");
    return value.toString();
}

} // namespace

namespace LookArguments {

QList<QCommandLineOption> options()
{
    return {
        QCommandLineOption(kEffect, QStringLiteral("Style the photo with an effect (again for a chain), its settings as key=value "
                                                   "pairs (see --list-effects)."),
                           QStringLiteral("NAME[:key=value,...]")),
        QCommandLineOption(kFrame, QStringLiteral("Frame the photo (see --list-frames; none: no frame)."), QStringLiteral("NAME[:key=value,...]")),
        QCommandLineOption(kCrop, QStringLiteral("Use only this part of the photo: fractions from its top-left corner."),
                           QStringLiteral("X,Y,W,H")),
        QCommandLineOption(kRotate, QStringLiteral("Turn the photo counter-clockwise by DEGREES."), QStringLiteral("DEGREES")),
        QCommandLineOption(kLook, QStringLiteral("Use a look saved from the window (the options above change it)."), QStringLiteral("FILE")),
    };
}

bool isOption(const QString& argument) { return !optionOf(argument).isEmpty(); }

bool takesNextArgument(const QString& argument)
{
    return !optionOf(argument).isEmpty() && !argument.contains(u'=');
}

QStringList lookArgumentsIn(const QStringList& arguments)
{
    QStringList found;
    for (qsizetype i = 1; i < arguments.size() && arguments[i] != QLatin1String("--"); ++i) {
        if (optionOf(arguments[i]).isEmpty())
            continue;
        found << arguments[i];
        if (takesNextArgument(arguments[i]) && i + 1 < arguments.size())
            found << arguments[++i];
    }
    return found;
}

bool isGiven(const QCommandLineParser& parser)
{
    for (const QString& name : optionNames())
        if (parser.isSet(name))
            return true;
    return false;
}

Result<Look> lookFrom(const QCommandLineParser& parser)
{
    Look look;
    if (parser.isSet(kLook)) {
        const Result<Look> file = Look::readFile(parser.value(kLook));
        if (!file.ok())
            return file;
        look = file.value();
    }
    QString problem;
    bool ok = true;
    for (const QString& effect : parser.values(kEffect))
        ok = ok && addEffect(effect, &look, &problem);
    if (ok && parser.isSet(kFrame))
        ok = setFrame(parser.value(kFrame), &look, &problem);
    if (ok && parser.isSet(kCrop))
        ok = setCrop(parser.value(kCrop), &look, &problem);
    if (ok && parser.isSet(kRotate))
        ok = setRotation(parser.value(kRotate), &look, &problem);
    if (!ok)
        return Result<Look>::failure(problem);
    // The whole look checked as a saved one would be: values and ranges.
    return Look::fromPropertyList(look.propertyList());
}

Result<Look> lookFrom(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.addOptions(options());
    if (!parser.parse(QStringList{arguments.value(0)} + lookArgumentsIn(arguments)))
        return Result<Look>::failure(parser.errorText());
    return lookFrom(parser);
}

QString effectsListing()
{
    QString text;
    for (const QString& name : lookEffectNames()) {
        const LookEffectSettings effect = lookEffectSettings(name);
        const QVariantMap defaults = LXEffectsCatalog::sharedEffectsCatalog().catalog().value(name).toMap()
                                         .value(QStringLiteral("defaultSettings")).toMap();
        text += name + u'\t' + effect.displayName + u'\n';
        for (const LookSetting& s : effect.settings) {
            text += QStringLiteral("    ") + s.key;
            if (!s.row.isEmpty())
                text += QStringLiteral(" (") + s.row + u')';
            text += QStringLiteral(": ") + s.describe();
            if (defaults.contains(s.key))
                text += QStringLiteral("; default ") + defaultText(defaults.value(s.key));
            text += u'\n';
        }
    }
    return text;
}

QString framesListing()
{
    QString text;
    for (const LookFrameChoice& choice : lookFrameChoices())
        text += choice.identifier + u'\t' + choice.displayName + u'\n';
    return text;
}

} // namespace LookArguments
