#pragma once
// A duration in seconds shown as "HH:MM:SS'mmm" (hours as many digits as
// needed, negative durations with negative hours: -0.5 is "-1:59:59'500"),
// read back from that form. Values too large for whole milliseconds in 64
// bits, NaN and infinities show as empty text; a text not of the form reads
// as no value. Every read-back logs "<text> -> <seconds>". Main thread.

#include "util/ValueTransformer.h"

class LXTimeValueTransformer : public ValueTransformer {
public:
    QVariant transformedValue(const QVariant& value) const override;
    bool allowsReverseTransformation() const override { return true; }
    QVariant reverseTransformedValue(const QVariant& value) const override;
};
