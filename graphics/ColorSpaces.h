#pragma once
// Conversions between RGB and the HSV and HSL triples the colour controls use.
// All components are 0..1; hue is one full turn. The back conversions work in
// single precision where the colour pickers always did, so that stored values
// reproduce the same colours. Pure functions; any thread.

struct HSVTriple {
    double hue = 0, saturation = 0, value = 0;
};
struct HSLTriple {
    double hue = 0, saturation = 0, lightness = 0;
};
struct RGBTriple {
    double red = 0, green = 0, blue = 0;
};

// A grey (no chroma) has hue 0.
HSVTriple hsvFromRGB(const RGBTriple& rgb);
HSLTriple hslFromRGB(const RGBTriple& rgb);
RGBTriple rgbFromHSV(const HSVTriple& hsv);
RGBTriple rgbFromHSL(const HSLTriple& hsl);
