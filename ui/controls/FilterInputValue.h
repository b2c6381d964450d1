#pragma once
// Values for filter inputs that come as text or numbers from interface files
// and user defaults, turned into what the input declares (its attribute
// dictionary, CIFilter::attributes()[key]): numbers for distances, scalars
// and angles, booleans ("YES", "NO", true, 1 ...), CIColor from "r g b a"
// text or a QColor, CIVector from "[x y ...]" text for positions and
// rectangles. Where the declaration names no type, the declared default's
// type decides; without either the value passes as it is.
// null: an invalid value, or one that does not read as the declared type,
// gives std::nullopt (the caller keeps the filter's own value).
// Value function; any thread.

#include <QVariant>
#include <QVariantMap>

#include <optional>

std::optional<QVariant> filterInputValue(const QVariant& value, const QVariantMap& inputAttributes);
