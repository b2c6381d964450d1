#include "platform/image/EngineKeptBitmaps.h"

namespace Engine {

namespace {

double bytesOf(const Rendered& r)
{
    const double texel = r.texture->format == GL_RGBA32F ? 16 : r.texture->format == GL_RGBA16F ? 8 : 4;
    return texel * r.texture->allocWidth * r.texture->allocHeight;
}

} // namespace

KeptBitmaps& KeptBitmaps::shared()
{
    // Never destroyed: its textures belong to the process's one context.
    static KeptBitmaps* store = new KeptBitmaps(kBudgetBytes);
    return *store;
}

Rendered KeptBitmaps::find(const Key& key)
{
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it)
        if (it->key == key) {
            m_entries.splice(m_entries.begin(), m_entries, it);
            return m_entries.front().rendered;
        }
    return {};
}

void KeptBitmaps::keep(const Key& key, const Rendered& rendered)
{
    if (rendered.isEmpty() || key.bitmap == 0)
        return;
    const double size = bytesOf(rendered);
    if (size > m_budget)
        return;
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it)
        if (it->key == key) {
            m_bytes -= it->bytes;
            m_entries.erase(it);
            break;
        }
    while (!m_entries.empty() && m_bytes + size > m_budget) {
        m_bytes -= m_entries.back().bytes;
        m_entries.pop_back();
    }
    m_entries.push_front({key, rendered, size});
    m_bytes += size;
}

} // namespace Engine
