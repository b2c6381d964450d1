#pragma once
// Where a skinned button's pieces go: pure functions in y-up space (origin
// bottom left), so that the button can be drawn turned or scaled by its host
// and the numbers can be checked without a window.
//
// An empty size stands for a missing picture: it takes no room and is not
// drawn. Rounding is to the nearest whole number, halves away from zero.
// Value functions; any thread.

#include <QRectF>
#include <QSizeF>

struct ButtonPadding {
    double top = 0, bottom = 0, left = 0, right = 0;
    bool operator==(const ButtonPadding&) const = default;
};

// The button's own image: 0 left, 1 right, 2 centre.
enum ButtonImageAlignment { kImageLeft = 0, kImageRight = 1, kImageCentre = 2 };
// Title alignment: 0 left, 1 right, 2 centre (other values read as left).
enum ButtonTextAlignment { kTextLeft = 0, kTextRight = 1, kTextCentre = 2 };
// Where the symbol sits against the title: 2 left of it, 4 below it; any
// other value centres the symbol and lays the title over the whole content.
enum ButtonImagePosition { kImageOnLeft = 2, kImageBelow = 4 };

namespace ButtonGeometry {

// `rect` less the padding.
QRectF contentRect(const QRectF& rect, const ButtonPadding& padding);

// The width of an end piece drawn `height` high, keeping the picture's
// proportions; 0 for an empty picture.
double endWidth(QSizeF picture, double height);

// The button's own image scaled to fit the content of `rect`, at its bottom,
// placed by `alignment`; the zero rectangle without an image.
QRectF imageRectIn(const QRectF& rect, const ButtonPadding& padding, QSizeF image, int alignment);

struct Background {
    QRectF drawing;           // the rectangle the pieces fill
    QRectF left, mid, right;  // empty where a piece is missing
};
// The three background pieces in `bounds`; with `noScaling` the pieces keep
// their natural size, centred in the bounds at a whole-number origin.
Background background(const QRectF& bounds, QSizeF left, QSizeF mid, QSizeF right, bool noScaling);

// A symbol's natural size shrunk, keeping proportions, to `content`.
QSizeF symbolSize(QSizeF natural, QSizeF content);

struct TitleLayout {
    QRectF title, symbol;
};
// Title and symbol in the content rectangle by the image position and the
// title alignment. `title` is the title's measured size (empty: no title).
TitleLayout placeTitle(const QRectF& content, QSizeF title, QSizeF symbol, int imagePosition, int alignment,
                       double margin, double offsetY);

// The size a button asks for: paddings, title and image across; the tallest
// of the symbol's and the middle piece's down pictures high.
QSizeF intrinsicSize(const ButtonPadding& padding, double titleWidth, double imageWidth, double margin,
                     QSizeF symbolDown, QSizeF midDown);

} // namespace ButtonGeometry
