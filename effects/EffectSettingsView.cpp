#include "effects/EffectSettingsView.h"

#include "effects/LXEffect.h"
#include "filters/LXFilter.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/ScreenRoom.h"
#include "platform/ui/YUp.h"
#include "resources/LXBundleManager.h"
#include "resources/LXTempCleaner.h"
#include "ui/controls/LXColorWell.h"
#include "ui/controls/LXGradientPicker.h"
#include "ui/controls/LXLabel.h"
#include "ui/controls/LXSlider.h"
#include "ui/localization/LXLocalizeHelper.h"
#include "util/CategorizedPopUp.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDial>
#include <QFileDialog>
#include <QImageReader>
#include <QResizeEvent>
#include <QSignalBlocker>

#include <cmath>

namespace {

constexpr int kDialSteps = 3600;
const char* const kTag = "tag";

void warn(const QString& text) { Log::line(lcEffects, QStringLiteral("Warning: ") + text); }

QString customImageTitle() { return Bundle::mainBundle().localizedString(QStringLiteral("Custom Image"), {}, QStringLiteral("Controls")); }

LXEffect::OpenPanel& openPanel()
{
    static LXEffect::OpenPanel panel;
    return panel;
}

QString platformOpenPanel(QWidget* parent)
{
    QStringList patterns;
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        patterns << QStringLiteral("*.") + QString::fromLatin1(format);
    QFileDialog panel(parent->window(), customImageTitle());
    panel.setFileMode(QFileDialog::ExistingFile);
    panel.setAcceptMode(QFileDialog::AcceptOpen);
    panel.setNameFilter(QStringLiteral("%1 (%2)").arg(Bundle::mainBundle().localizedString(QStringLiteral("Images"), {}),
                                                        patterns.join(u' ')));
    fitDialogToScreen(panel);
    if (panel.exec() != QDialog::Accepted || panel.selectedFiles().isEmpty())
        return {};
    return panel.selectedFiles().first();
}

// The first of `keys` found in the description, then in the attributes.
QVariant lookUp(const QVariantMap& description, const QVariantMap& attributes, const QStringList& keys)
{
    for (const QVariantMap* map : {&description, &attributes})
        for (const QString& key : keys)
            if (const auto found = map->constFind(key); found != map->cend() && found->isValid())
                return *found;
    return {};
}

double number(const QVariant& value, double fallback)
{
    bool ok = false;
    const double n = value.toDouble(&ok);
    return ok && std::isfinite(n) ? n : fallback;
}

struct Range {
    double min = 0, max = 1;
};

Range rangeOf(const QVariantMap& description, const QVariantMap& attributes)
{
    return {number(lookUp(description, attributes, {QStringLiteral("minValue"), kCIAttributeSliderMin, kCIAttributeMin}), 0),
            number(lookUp(description, attributes, {QStringLiteral("maxValue"), kCIAttributeSliderMax, kCIAttributeMax}), 1)};
}

} // namespace

void LXEffect::setOpenPanel(OpenPanel panel) { openPanel() = std::move(panel); }

// The top row gets a whole row: its pop-up or gradient reaches up to 27 pixels.
int EffectSettingsView::heightForRows(int rows) { return std::max(0, kRowHeight * rows); }

EffectSettingsView::EffectSettingsView(LXEffect& effect) : m_effect(&effect)
{
    const QStringList& keys = effect.settingsKeys();
    const int rows = int(keys.size());
    m_builtHeight = heightForRows(rows);
    resize(kWidth, m_builtHeight);
    // A light panel of its own: the grey labels must read on dark desktops too.
    QPalette light(QColor(0xe8, 0xe8, 0xe8), QColor(0xec, 0xec, 0xec));
    setPalette(light);
    setAutoFillBackground(true);
    for (int row = 0; row < rows; ++row)
        addRow(row, rows, keys.at(row));
}

EffectSettingsView::~EffectSettingsView() { NotificationCenter::defaultCenter().removeObserver(this); }

void EffectSettingsView::effectGone()
{
    m_effect = nullptr;
    NotificationCenter::defaultCenter().removeObserver(this);
    setEnabled(false); // the controls have nothing left to change
}

void EffectSettingsView::place(QWidget* widget, int row, int rows, QRect frame, bool followsWidth)
{
    frame.translate(0, kRowHeight * (rows - 1 - row)); // rows counted from the bottom
    const QRect top = flippedRect(frame, m_builtHeight).toRect(); // turned over once
    m_items.append({widget, top, followsWidth});
    widget->setGeometry(top);
}

void EffectSettingsView::addRow(int row, int rows, const QString& key)
{
    auto* label = new LXLabel(this);
    label->setText(Bundle::mainBundle().localizedString(key, {}, QStringLiteral("EffectSettings")));
    label->setTextShadowName(QStringLiteral("TextWhite0px"));
    place(label, row, rows, {3, 2, 100, 22}, false);

    const QVariant found = m_effect->settingsUIDict().value(key);
    if (!found.isValid())
        warn(QStringLiteral("settingsUI Description for '%1' is missing in Effect '%2'").arg(key, m_effect->name()));
    const QVariantMap description = found.toMap();
    const QString input = description.value(QStringLiteral("inputName")).toString();
    const QVariantMap attributes = m_effect->filter()->attributes().value(input).toMap();
    const int type = description.contains(QStringLiteral("type")) ? description.value(QStringLiteral("type")).toInt() : -1;
    QWidget* control = input.isEmpty() ? nullptr : makeControl(type, input, description, attributes);
    if (!control)
        return;
    control->setProperty(kTag, int(m_boundSettings.size()));
    m_boundSettings.append(input);
    m_controls.append(control);
    static const QHash<int, std::pair<QRect, bool>> frames = {
        {LXEffect::Slider, {{110, 4, 190, 15}, true}},      {LXEffect::PopUp, {{110, 0, 190, 23}, true}},
        {LXEffect::ColorWell, {{110, 0, 45, 22}, false}},   {LXEffect::CheckBox, {{110, 0, 190, 23}, true}},
        {LXEffect::CircularSlider, {{110, 2, 20, 20}, false}}, {LXEffect::GradientPicker, {{99, 0, 201, 27}, true}},
    };
    const auto [frame, follows] = frames.value(type);
    place(control, row, rows, frame, follows);
}

QWidget* EffectSettingsView::makeControl(int type, const QString& key, const QVariantMap& description,
                                           const QVariantMap& attributes)
{
    switch (type) {
    case LXEffect::Slider: {
        auto* slider = new LXSlider(this);
        slider->setOrientation(Qt::Horizontal);
        const Range range = rangeOf(description, attributes);
        slider->setMinValue(range.min);
        slider->setMaxValue(range.max);
        const double factor = number(lookUp(description, attributes, {QStringLiteral("expFactor")}), 0);
        if (factor >= 1) {
            slider->setSliderCurve(3);
            slider->setExpFactor(factor);
        }
        connect(slider, &LXSlider::doubleValueChanged, this, [this, slider] { controlValueChanged(slider); });
        return slider;
    }
    case LXEffect::PopUp:
        return makePopUp(key, description, attributes);
    case LXEffect::ColorWell: {
        auto* well = new LXColorWell(this);
        well->setSupportsAlpha(description.value(QStringLiteral("hasAlpha")).toBool());
        connect(well, &LXColorWell::changed, this, [this, well] { controlValueChanged(well); });
        return well;
    }
    case LXEffect::CheckBox: {
        auto* box = new QCheckBox(this);
        box->setTristate(false);
        connect(box, &QCheckBox::toggled, this, [this, box] { controlValueChanged(box); });
        return box;
    }
    case LXEffect::CircularSlider: {
        auto* dial = new QDial(this);
        dial->setWrapping(true);
        dial->setRange(0, kDialSteps);
        const Range range = rangeOf(description, attributes);
        dial->setProperty("minValue", range.min);
        dial->setProperty("maxValue", range.max);
        connect(dial, &QDial::valueChanged, this, [this, dial] { controlValueChanged(dial); });
        return dial;
    }
    case LXEffect::GradientPicker: {
        auto* picker = new LXGradientPicker(this);
        connect(picker, &LXColorWell::changed, this, [this, picker] { controlValueChanged(picker); });
        return picker;
    }
    default:
        return nullptr;
    }
}

QComboBox* EffectSettingsView::makePopUp(const QString& key, const QVariantMap& description,
                                           const QVariantMap& attributes)
{
    auto* popUp = new QComboBox(this);
    m_customImage.insert(key, description.value(QStringLiteral("customImage")).toBool());
    fillPopUp(popUp, key, lookUp(description, attributes, {kLXAttributeChoices}).toStringList());
    const QString notification = description.value(QStringLiteral("notification")).toString();
    if (!notification.isEmpty()) {
        if (!m_notificationKeys.contains(notification))
            NotificationCenter::defaultCenter().addObserver(this, notification, nullptr, [this, notification](const Notification&) {
                reloadPopUps(notification);
            });
        m_notificationKeys[notification].append(key); // several pop-ups may share one notification
    }
    connect(popUp, &QComboBox::activated, this, [this, popUp] { controlValueChanged(popUp); });
    return popUp;
}

void EffectSettingsView::fillPopUp(QComboBox* popUp, const QString& key, const QStringList& entries)
{
    addEntries(popUp, entries);
    m_popupNames.insert(key, entries);
    if (m_customImage.value(key)) {
        popUp->insertSeparator(popUp->count());
        popUp->addItem(customImageTitle());
    }
}

QWidget* EffectSettingsView::controlForKey(const QString& key) const
{
    const qsizetype index = m_boundSettings.indexOf(key);
    return index < 0 ? nullptr : m_controls.at(index);
}

void EffectSettingsView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int grow = width() - kWidth;
    for (const Item& item : std::as_const(m_items)) {
        QRect frame = item.topFrame; // keeps its distance from the top edge
        if (item.followsWidth)
            frame.setWidth(std::max(0, frame.width() + grow));
        item.widget->setGeometry(frame);
    }
}

int EffectSettingsView::fittingWidth() const
{
    int grow = 0;
    for (const Item& item : m_items)
        if (item.followsWidth && qobject_cast<QComboBox*>(item.widget))
            grow = std::max(grow, item.widget->sizeHint().width() - item.topFrame.width());
    return std::min(kWidth + grow, kMaxWidth);
}

void EffectSettingsView::showValue(const QString& key, const QVariant& value)
{
    QWidget* control = controlForKey(key);
    if (!control)
        return;
    const QSignalBlocker block(control);
    if (auto* slider = qobject_cast<LXSlider*>(control)) {
        slider->setDoubleValue(CIFilter::numberValue(value, slider->minValue()));
    } else if (auto* dial = qobject_cast<QDial*>(control)) {
        const double min = dial->property("minValue").toDouble(), max = dial->property("maxValue").toDouble();
        const double v = CIFilter::numberValue(value, min);
        dial->setValue(max > min ? int(std::lround((std::clamp(v, min, max) - min) / (max - min) * kDialSteps)) : 0);
    } else if (auto* box = qobject_cast<QCheckBox*>(control)) {
        box->setChecked(CIFilter::boolValue(value));
    } else if (auto* picker = qobject_cast<LXGradientPicker*>(control)) {
        if (value.metaType() == QMetaType::fromType<Gradient>())
            picker->setGradient(value.value<Gradient>());
    } else if (auto* well = qobject_cast<LXColorWell*>(control)) {
        const CIColor color = CIFilter::colorValue(value);
        if (!color.isNull())
            well->setColor(color.toQColor());
    } else if (auto* popUp = qobject_cast<QComboBox*>(control)) {
        const QStringList entries = m_popupNames.value(key);
        const QString text = value.toString();
        qsizetype index = entries.indexOf(text);
        if (index < 0)
            index = entries.indexOf(LXLocalizeHelper::localizedString(text));
        if (index < 0 && m_customImage.value(key) && (m_effect->imageResources().contains(key) || !text.isEmpty()))
            index = entries.size() + 1;
        if (index >= 0)
            popUp->setCurrentIndex(int(index));
    }
}

void EffectSettingsView::controlValueChanged(QWidget* control)
{
    const int tag = control->property(kTag).toInt();
    if (!m_effect || tag < 0 || tag >= m_boundSettings.size())
        return;
    const QString key = m_boundSettings.at(tag);
    if (auto* slider = qobject_cast<LXSlider*>(control)) {
        m_effect->changeSetting(key, slider->doubleValue());
    } else if (auto* dial = qobject_cast<QDial*>(control)) {
        const double min = dial->property("minValue").toDouble(), max = dial->property("maxValue").toDouble();
        m_effect->changeSetting(key, min + (max - min) * dial->value() / kDialSteps);
    } else if (auto* box = qobject_cast<QCheckBox*>(control)) {
        m_effect->changeSetting(key, box->isChecked());
    } else if (auto* picker = qobject_cast<LXGradientPicker*>(control)) {
        m_effect->changeSetting(key, QVariant::fromValue(picker->gradient()));
    } else if (auto* well = qobject_cast<LXColorWell*>(control)) {
        // Any colour model, grey included, as RGB with its own opacity.
        const QColor rgb = well->color().toRgb();
        m_effect->changeSetting(key, QVariant::fromValue(CIColor(rgb.redF(), rgb.greenF(), rgb.blueF(), rgb.alphaF())));
    } else if (auto* popUp = qobject_cast<QComboBox*>(control)) {
        const QStringList entries = m_popupNames.value(key);
        const int index = popUp->currentIndex();
        if (index >= 0 && index < entries.size())
            m_effect->changeSetting(key, entries.at(index), QStringLiteral(""));
        else if (index > entries.size())
            pickCustomImage(popUp, key);
    }
}

void EffectSettingsView::selectFromSetting(QComboBox* popUp, const QString& key)
{
    Q_UNUSED(popUp);
    showValue(key, m_effect->settingsValueForKey(key));
}

void EffectSettingsView::pickCustomImage(QComboBox* popUp, const QString& key)
{
    const LXEffect::OpenPanel& panel = openPanel();
    const QString chosen = panel ? panel(this) : platformOpenPanel(this);
    if (chosen.isEmpty()) {
        selectFromSetting(popUp, key); // cancelled: the menu shows the setting again
        return;
    }
    const QString copy = LXTempCleaner::tempCopyFor(QUrl::fromLocalFile(chosen),
                                                    LXEffectResourceBaseName + LXBundleManager::randomStringWithLength(10));
    if (copy.isEmpty()) {
        selectFromSetting(popUp, key);
        return;
    }
    m_effect->changeSetting(key, copy, copy);
}

void EffectSettingsView::reloadPopUps(const QString& notification)
{
    const auto* filter = m_effect ? dynamic_cast<const LXFilter*>(m_effect->filter().get()) : nullptr;
    if (!filter)
        return; // other filters keep their entries
    for (const QString& key : m_notificationKeys.value(notification)) {
        auto* popUp = qobject_cast<QComboBox*>(controlForKey(key));
        const QStringList entries = filter->settingsForKey(key).toMap().value(kLXAttributeChoices).toStringList();
        if (!popUp || entries.isEmpty())
            continue; // nothing to offer: keep what is there
        const QSignalBlocker block(popUp);
        popUp->clear();
        fillPopUp(popUp, key, entries);
        const QVariant value = m_effect->filter()->valueForKey(key);
        if (entries.contains(value.toString()) || m_effect->imageResources().contains(key)) {
            showValue(key, value);
        } else {
            popUp->setCurrentIndex(0);
            m_effect->changeSetting(key, entries.first(), QStringLiteral(""));
        }
    }
}
