#pragma once
// Internal to the image engine: with SUNNYSIDE_TRACE_PASSES=1 in the
// environment every pass prints one line to standard error (its number,
// size, texel format, program, sampler count, the node kind that drew it,
// and the milliseconds since the last pass, waiting for each), to see which
// passes a render makes and what they cost. Costs nothing otherwise.
// Main thread only.

#include "platform/image/GLEngine.h"

#include <QRect>
#include <QString>

namespace Engine {

class ImageNode;

// Names the node kind for passes drawn while it lives (innermost wins).
class PassLabel {
public:
    explicit PassLabel(const ImageNode* node);
    explicit PassLabel(const char* name);
    ~PassLabel();
    PassLabel(const PassLabel&) = delete;
    PassLabel& operator=(const PassLabel&) = delete;

private:
    const char* m_outer;
};

bool tracingPasses();
// One line of its own while tracing (what a pass decided); nothing otherwise.
void traceNote(const QString& line);
// One line for a pass into `target` over `viewport`.
void tracePass(GL& gl, const Texture& target, const QRect& viewport, GLuint program, int samplers, bool blend);

} // namespace Engine
