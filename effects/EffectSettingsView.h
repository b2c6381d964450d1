#pragma once
// The settings panel of one effect, built in code from its "settingsUI":
// 300 points wide, one 27-point row per key of "settingsUIOrder" (the last
// row 22 high, so n rows are max(0, 27n - 5)), rows stacked from the top.
// Each row is a grey label (style "TextWhite0px") and the control of its
// "type": slider, pop-up, colour well, check box, circular slider (a
// wrapping dial) or gradient picker. A bound control's tag (its "tag"
// property) is its index in boundSettings(). The panel paints its own light
// background so the grey labels read on dark desktops.
//
// A user change of a control becomes an undoable change of the effect's
// setting; showing values (showValue) sends no change. A pop-up with
// "customImage" ends in a separator and "Custom Image", which asks the
// effect's open panel for a picture and keeps a temporary copy of it.
//
// null: a row without a description or of an unknown type has a label only.
// Ownership: the effect that made it deletes it while it has no parent;
// a panel given a parent outlives its effect disabled. Thread: main thread.

#include <QHash>
#include <QPointer>
#include <QStringList>
#include <QVariant>
#include <QWidget>

class LXEffect;
class QComboBox;

class EffectSettingsView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 300;
    static constexpr int kRowHeight = 27;

    explicit EffectSettingsView(LXEffect& effect);
    ~EffectSettingsView() override;

    // Height of a panel of `rows` rows: 27 rows.
    static int heightForRows(int rows);
    // The width at which every pop-up shows its longest entry whole (a
    // translation's may be longer than kWidth allows), at most kMaxWidth.
    static constexpr int kMaxWidth = 460;
    int fittingWidth() const;

    const QStringList& boundSettings() const { return m_boundSettings; }
    const QList<QWidget*>& settingsControls() const { return m_controls; }
    // The control bound to `key`, or nullptr.
    QWidget* controlForKey(const QString& key) const;
    // The entries of the pop-up bound to `key` (index == entry).
    QStringList popUpEntries(const QString& key) const { return m_popupNames.value(key); }

    // Shows `value` (in the filter's form) in the control bound to `key`
    // without sending a change.
    void showValue(const QString& key, const QVariant& value);
    // The effect is being destroyed while the panel lives on elsewhere.
    void effectGone();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Item {
        QWidget* widget;
        QRect topFrame; // y-down, from the panel's top, at the built width
        bool followsWidth;
    };
    void addRow(int row, int rows, const QString& key);
    QWidget* makeControl(int type, const QString& key, const QVariantMap& description, const QVariantMap& attributes);
    QComboBox* makePopUp(const QString& key, const QVariantMap& description, const QVariantMap& attributes);
    void place(QWidget* widget, int row, int rows, QRect yUpFrame, bool followsWidth);
    void controlValueChanged(QWidget* control);
    void pickCustomImage(QComboBox* popUp, const QString& key);
    void reloadPopUps(const QString& notification);
    // The entries of `key`'s pop-up, then "Custom Image..." where the key has it.
    void fillPopUp(QComboBox* popUp, const QString& key, const QStringList& entries);
    void selectFromSetting(QComboBox* popUp, const QString& key);

    LXEffect* m_effect; // null once the effect is gone
    QStringList m_boundSettings;
    QList<QWidget*> m_controls;
    QHash<QString, QStringList> m_popupNames;
    QHash<QString, bool> m_customImage;
    // notification name -> input keys of the pop-ups it reloads
    QHash<QString, QStringList> m_notificationKeys;
    QList<Item> m_items;
    int m_builtHeight = 0;
    bool m_showing = false;
};
