#pragma once
// The stored form of effect settings, and the rules that keep it safe:
// property-list values only (colours and gradients as their strings), picked
// pictures only as "<folder>/<file>" inside the temporary folder, and one
// reference length for relative settings.
// Pure functions; any thread.

#include <QRectF>
#include <QString>
#include <QVariant>

namespace EffectSettingsForm {

// Keys that hold a colour or a gradient by name, whatever their value.
bool isColorKey(const QString& key);
bool isGradientKey(const QString& key);

// A value of a number type (a boolean is not one).
bool isNumber(const QVariant& value);

// `value` as it is stored: a colour or gradient as its string, anything else
// unchanged; invalid for null.
QVariant storedValue(const QVariant& value);
// `value` as the filter takes it: a string under a colour key becomes a
// colour, under a gradient key a gradient; invalid for a string that does
// not parse.
QVariant filterValue(const QString& key, const QVariant& value);

// True for "<folder>/<file>": two non-empty parts, neither "." nor "..",
// no leading "/" or "\".
bool isSafeResourcePath(const QString& path);

// The proportion when above 0, else the smaller side of a finite non-empty
// input extent, else 1. Never 0, never infinite.
double referenceLength(double proportion, const QRectF& inputExtent, bool hasInput);

} // namespace EffectSettingsForm
