#pragma once
// Internal to the image engine: bitmaps converted whole for the engine, kept
// across renders by the bitmap's identity, so that the same bitmap made into
// a new image (a cached frame, mask or shadow wrapped again) is not uploaded
// again. The identity is QImage::cacheKey(), which changes with every write
// to the pixels: an edited bitmap never finds the texture of its old pixels.
// Least recently used go first beyond a byte budget; textures return to the
// pool when dropped. Main thread only.

#include "platform/image/EnginePasses.h"

#include <list>

namespace Engine {

class KeptBitmaps {
public:
    struct Key {
        qint64 bitmap = 0; // QImage::cacheKey() of the bitmap as given
        int width = 0, height = 0; // texels of the conversion
        GLenum format = 0;
        bool operator==(const Key&) const = default;
    };
    // The process's one store (bounded by kBudgetBytes).
    static KeptBitmaps& shared();
    static constexpr double kBudgetBytes = 64.0 * 1024 * 1024;

    explicit KeptBitmaps(double budgetBytes) : m_budget(budgetBytes) {}
    // The kept conversion, now the most recently used; empty when none.
    Rendered find(const Key& key);
    // Kept when it fits the budget, dropping the least recently used.
    void keep(const Key& key, const Rendered& rendered);
    double bytes() const { return m_bytes; }

private:
    struct Entry {
        Key key;
        Rendered rendered;
        double bytes;
    };
    std::list<Entry> m_entries; // most recently used first
    double m_budget;
    double m_bytes = 0;
};

} // namespace Engine
