#pragma once
// A skinned button's pictures and settings.
//
// An image set is four pictures in the order of the visual states:
// disabled, normal, hover, down; an empty set is null (no such pictures).
// Each entry keeps the plain picture and, when the skin has one, its "@2x"
// file, so a button draws sharp at device pixel ratio 2.
//
// Skin folders ("<Skin>.button") hold "Info.plist" (settings per state) and
// pictures named <prefix><State>.tiff (or .png, each optionally "@2x"): a set
// needs its "Normal" picture; a missing "Disabled" or "Down" picture is the
// normal one, a missing "Hover" picture the normal one mixed half and half
// with the down one. A file that exists but does not decode counts as
// missing (after the picture's own "Warning: " line).
// Values; main thread (bundle look-ups).

#include "platform/ui/Picture.h"

#include <QSizeF>
#include <QString>
#include <QVariantMap>
#include <QVector>

class Bundle;

struct SkinImage {
    Picture one; // the plain picture; null when only "@2x" exists
    Picture two; // the "@2x" picture, or null

    bool isNull() const { return one.isNull() && two.isNull(); }
    QSizeF size() const { return one.isNull() ? two.size() : one.size(); }
    // The picture to draw at `pixelRatio` device pixels per point.
    const Picture& forRatio(double pixelRatio) const;
};

using ImageSet = QVector<SkinImage>; // disabled, normal, hover, down; empty = null

namespace ButtonSkin {

// The files <prefix>Normal, <prefix>Disabled, ... (see above).
ImageSet imagesForPath(const QString& prefix);
// The bundle's pictures named n (else n + "Normal"), n + "Disabled", ...
ImageSet imagesForName(const Bundle& bundle, const QString& name);
// `normal` with `down` drawn over it at half opacity, at normal's size.
SkinImage hoverImage(const SkinImage& normal, const SkinImage& down);
// The set's entries at `order` (four indices); null stays null.
ImageSet reordered(const ImageSet& set, const int (&order)[4]);
// The entry for a visual state, or a null image when the set has none.
SkinImage entry(const ImageSet& set, int state);

// The settings of a visual state (0..3) from a skin's Info.plist: the state's
// ".on" or ".off" dictionary, else the plain one, else "normal".
QVariantMap settingsFor(const QVariantMap& info, int state, bool on);

} // namespace ButtonSkin
