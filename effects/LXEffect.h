#pragma once
// One configurable image operation: a filter made by name and wrapped with a
// description dictionary that names it, gives default settings, says which
// settings scale with the picture ("relative"), maps chain-wide settings to
// filter inputs ("globals") and describes a settings panel ("settingsUI",
// "settingsUIOrder"). Effects chain through LXEffectSuccessor: an enabled
// effect hands its successor its output, a disabled one its input.
//
// Stored settings (settings() / setSettings()) hold property-list values
// only: filter input key -> value, colours ("inputColor",
// "inputTargetColor", and any CIColor) and gradients as their strings, plus
// "name", "isEnabled" and "resource" (input key -> "<folder>/<file>" path
// of a picked picture, relative to the temporary folder).
//
// Relative settings are fractions of the reference length (referenceLength):
// the filter receives setting x length, and reading back divides by the
// factor that was used, so a setting survives any number of round trips.
//
// Undo: setEnabled and every change through setValue (panel controls
// included) register a step with the undo manager; the changes of one mouse
// gesture make one step, named "<effect> <row>" (translated; the row of the
// panel that edits the key, else the key).
//
// Notifications: posts "EffectNeedsUpd" (object: the effect) once when its
// output is asked for without an input picture; observes its filter's
// "lxfilterupdate" and "lxfilterSettings".
//
// null: a null filter name or a filter that cannot be made gives no effect
// (nullptr, one "Warning: " line). Ownership: held by std::shared_ptr; the
// successor and the undo manager are weak; the settings panel belongs to the
// effect until a caller gives it a parent (then it outlives the effect,
// disabled). Thread: main thread.

#include "effects/LXEffectSuccessor.h"
#include "platform/image/CIFilter.h"
#include "util/UndoManager.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <memory>

class EffectSettingsView;
class QWidget;

// Posted, with the effect as object, when an effect needs an input picture.
inline const QString kEffectNeedsUpdateNotification = QStringLiteral("EffectNeedsUpd");
// Base name of the temporary copies of pictures picked for an input.
inline const QString LXEffectResourceBaseName = QStringLiteral("EffectResource-");

class LXEffect : public QObject, public LXEffectSuccessor, public std::enable_shared_from_this<LXEffect> {
    Q_OBJECT
public:
    // Control kinds of a "settingsUI" row's "type".
    enum ControlType { Slider = 0, PopUp = 1, ColorWell = 2, CheckBox = 3, CircularSlider = 4, GradientPicker = 5 };

    // An effect made from the description {"name": name}.
    static std::shared_ptr<LXEffect> effectWithName(const QString& name, const QVariantMap& settings = {});
    // An effect made from `description`, then given `settings` (setSettings).
    // nullptr (with a warning) when no filter exists under "ciName" (default:
    // the name) nor under that name with "Filter" appended.
    static std::shared_ptr<LXEffect> effectWithDictionary(const QVariantMap& description,
                                                          const QVariantMap& settings = {});
    ~LXEffect() override;

    QString name() const { return m_name; }
    QString displayName() const { return m_displayName; }
    const std::shared_ptr<CIFilter>& filter() const { return m_filter; }
    const QVariantMap& baseSettings() const { return m_baseSettings; }
    const QStringList& relativeKeys() const { return m_relative; }
    const QVariantMap& globals() const { return m_globals; }
    const QVariantMap& settingsUIDict() const { return m_settingsUI; }
    const QStringList& settingsKeys() const { return m_settingsKeys; }
    // Input key -> picked-picture path.
    const QVariantMap& imageResources() const { return m_imageResources; }
    double effectProportion() const { return m_proportion; }

    // The stored form (see above).
    QVariantMap settings() const;
    // The defaults overlaid with `settings`; unknown keys are skipped with
    // one warning each, "resource" paths that are not "<folder>/<file>" are
    // dropped with a warning.
    void setSettings(const QVariantMap& settings);
    // The setting of `key`, or the filter's value when there is none.
    QVariant settingsValueForKey(const QString& key) const;
    // What the filter would be given for `key` with an input of `extent`
    // (a relative setting scaled to it); the filter's value when there is
    // no setting or it cannot be used.
    QVariant filterValueFor(const QString& key, const QRectF& extent) const;

    CIImage inputImage() const;
    void setInputImage(const CIImage& image) override;
    // The processed picture (rendered, so it no longer depends on the
    // filter); null without an input, after posting "EffectNeedsUpd" once.
    CIImage outputImage();
    // What the effect hands on: its output when enabled, else its input.
    CIImage handedOnImage() { return m_enabled ? outputImage() : inputImage(); }

    bool enabled() const { return m_enabled; }
    // Undoable ("Disable X" / "Enable X"); a switch hands the successor the
    // output (enabled) or the input (disabled).
    void setEnabled(bool enabled);

    void setGlobalSettings(const QVariantMap& settings) override;
    void removeImageInput() override;
    void addResourcesToArray(QStringList& resources) const override;

    // "settings": undoable setSettings; "enabled": setEnabled; a key of a
    // panel control: an undoable change of that setting; anything else is
    // logged and ignored. Undo steps call back here.
    Q_INVOKABLE void setValue(const QVariant& value, const QString& key);

    // The length relative settings are fractions of: the proportion when
    // above 0, else the smaller side of a finite non-empty input, else 1.
    double referenceLength() const;

    // The settings panel, built on first request: 300 wide, 27 per row less 5.
    QWidget* settingsView();
    bool hasSettingsView() const { return !m_view.isNull(); }

    std::weak_ptr<LXEffectSuccessor> successor() const { return m_successor; }
    void setSuccessor(std::weak_ptr<LXEffectSuccessor> successor) { m_successor = std::move(successor); }
    UndoManager* undoManager() const { return m_undoManager; }
    void setUndoManager(UndoManager* manager) { m_undoManager = manager; }

    // "Effect: <display name> (<name>)\nSettings: <settings>".
    QString description() const;

    // The file the "Custom Image" entry asks for: the chosen path, or empty
    // when cancelled. Tests replace it (null: the platform's open panel).
    using OpenPanel = std::function<QString(QWidget* parent)>;
    static void setOpenPanel(OpenPanel panel);

signals:
    // A setting was changed through setValue (a panel control, an undo step);
    // every move of a drag, not only the one undo step it makes.
    void settingsChanged();

private:
    friend class EffectSettingsView;
    LXEffect() = default;
    bool init(const QVariantMap& description, const QVariantMap& settings);
    bool filterHasKey(const QString& key) const;
    // A stored value in the form the filter takes; invalid when it has none.
    QVariant valueForFilter(const QString& key, const QVariant& stored) const;
    // False (with a warning) for a value the filter cannot take.
    bool assignToFilter(const QString& key, const QVariant& stored);
    // Hands the successor what follows this effect: the output when enabled,
    // else the input; nothing without a successor or a picture; only the
    // news of a change to a successor that takes pictures later.
    void handOn();
    // handOn, when enabled.
    void pushOutput();
    void observeSettingsNotification(bool on);
    // Refreshes settings and panel from the filter.
    void updateSettings();
    // One undoable change; `resource` (when not null) becomes, or with an
    // empty string stops being, the picked picture of `key`.
    void changeSetting(const QString& key, const QVariant& value, const QString& resource = {});
    bool registerSettingsUndo();
    bool replaying() const;
    // The panel row that edits `inputKey` (its user-facing name), else the key.
    QString rowKeyFor(const QString& inputKey) const;

    QString m_name, m_displayName;
    std::shared_ptr<CIFilter> m_filter;
    QVariantMap m_settings, m_baseSettings, m_globals, m_settingsUI, m_imageResources;
    QStringList m_relative, m_settingsKeys;
    // Factor each relative key was last multiplied by on its way to the filter.
    QHash<QString, double> m_factors;
    double m_proportion = 0;
    bool m_enabled = true;
    bool m_waitingForUpdate = false;
    std::weak_ptr<LXEffectSuccessor> m_successor;
    QPointer<UndoManager> m_undoManager;
    QPointer<EffectSettingsView> m_view;
};
