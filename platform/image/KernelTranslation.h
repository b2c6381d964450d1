#pragma once
// The kernel language's translation to GLSL ES 3.0 fragment shaders, one per
// routine, without compiling them: pure text work, so it runs (and is tested
// and fuzzed) without an OpenGL context. CIKernel compiles what it gives.
// Any input text is safe: what cannot be read becomes an error text.
// Thread: any thread.

#include "platform/image/CIKernel.h"

#include <QList>
#include <QString>

namespace KernelTranslation {

struct Routine {
    QString name;
    QList<CIKernel::Parameter> parameters;
    int samplerCount = 0;
    QString source; // the whole shader; empty when `error` is set
    QString error;  // why the parameters could not be read; empty when none
};

// Every routine `kernel vec4 name(...) { ... }` of `text`, in its order.
QList<Routine> translate(const QString& text);

} // namespace KernelTranslation
