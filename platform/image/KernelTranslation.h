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
    // For passes that fuse several nodes: the routine as a plain function
    // `vec4 _ci_routine(...)`. A sampler read only at its own samplerCoord
    // is taken as its colour at the pixel (a vec4); one read anywhere else
    // stays a sampler (`readsAnywhere`, one a sampler, in order), read
    // through the fused pass's texture slots. Empty when the body cannot
    // be found.
    QString fused;
    QList<bool> readsAnywhere;
    QString helpers;            // the text's other code, every routine blanked
    bool readsDestCoord = false; // the text mentions destCoord()
};

// Every routine `kernel vec4 name(...) { ... }` of `text`, in its order.
QList<Routine> translate(const QString& text);
// Every routine of `text` in one shader text without a main: when it
// compiles, so does each routine's own shader (one compile instead of one
// a routine). Empty when that would not follow (a routine names another,
// a parameter list cannot be read) or the text has fewer than two.
QString wholeText(const QString& text);
// The built-in functions every routine's shader has (after the sampler
// declarations), for fused passes.
QString builtins();

} // namespace KernelTranslation
