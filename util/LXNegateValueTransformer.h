#pragma once
// A number with its sign turned, both ways (for controls whose direction
// runs the other way); no value or a non-number reads as 0 and gives -0.
// Main thread.

#include "util/ValueTransformer.h"

class LXNegateValueTransformer : public ValueTransformer {
public:
    QVariant transformedValue(const QVariant& value) const override { return -value.toDouble(); }
    bool allowsReverseTransformation() const override { return true; }
    QVariant reverseTransformedValue(const QVariant& value) const override { return -value.toDouble(); }
};
