#pragma once
// What each effect of the effects catalog takes, setting by setting: the
// kind of value, a slider's range, a pop-up's entries. Looks are checked
// against it, the command line turns its "key=value" texts into values with
// it and lists it (--list-effects).
//
// The keys of an effect are the inputs of its panel rows ("settingsUI") in
// row order, then the default settings without a row. A kind comes from the
// row's control, else from the default's type. Ranges and entries are
// looked up as the settings panel does: the row first, then the filter's
// attributes. Separators and group headers are not entries.
//
// null: an effect the catalog does not hold gives no settings (found false).
// Thread: main thread (the filters are made to read their attributes).

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

struct LookSetting {
    enum Kind { Number, Switch, Choice, Colour, Gradient, Text };
    QString key;        // the filter input, as stored
    QString row;        // the panel row's name (English); empty without a row
    Kind kind = Text;
    bool hasRange = false;
    double min = 0, max = 0;
    QStringList choices; // Choice: the entries; empty: any text
    bool customImage = false; // Choice: a picked picture is allowed too

    // Empty when `value` fits; else what is wrong, naming the key.
    QString problemWith(const QVariant& value) const;
    // The value that `text` (from a command line) stands for; invalid when
    // it does not read as this kind (the range is checked by problemWith).
    QVariant valueFromText(const QString& text) const;
    // "number 0 to 0.05", "yes or no", "one of: a, b", "colour \"r g b a\"" ...
    QString describe() const;
};

struct LookEffectSettings {
    bool found = false;
    QString name, displayName; // identifier; localized display name
    QList<LookSetting> settings;

    const LookSetting* setting(const QString& key) const;
};

// The settings of the catalog's effect `name`.
LookEffectSettings lookEffectSettings(const QString& name);
// The catalog's effect identifiers, sorted.
QStringList lookEffectNames();
