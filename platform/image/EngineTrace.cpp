#include "platform/image/EngineTrace.h"

#include "platform/image/EnginePasses.h"

#include <cxxabi.h>

#include <QElapsedTimer>

#include <QHash>

#include <cstdio>
#include <cstdlib>
#include <typeinfo>

namespace Engine {

namespace {
const char* g_label = "render";

// "Engine::KernelNode" -> "KernelNode", kept for the process.
const char* kindName(const ImageNode* node)
{
    static QHash<const std::type_info*, QByteArray> names;
    const std::type_info& type = typeid(*node);
    auto found = names.find(&type);
    if (found == names.end()) {
        int status = 0;
        char* demangled = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
        QByteArray name = status == 0 && demangled ? QByteArray(demangled) : QByteArray(type.name());
        std::free(demangled);
        name.replace("Engine::", "");
        found = names.insert(&type, name);
    }
    return found.value().constData();
}
} // namespace

bool tracingPasses()
{
    static const bool on = qEnvironmentVariableIntValue("SUNNYSIDE_TRACE_PASSES") == 1;
    return on;
}

PassLabel::PassLabel(const ImageNode* node) : m_outer(g_label)
{
    if (tracingPasses() && node)
        g_label = kindName(node);
}

PassLabel::PassLabel(const char* name) : m_outer(g_label)
{
    g_label = name;
}

PassLabel::~PassLabel()
{
    g_label = m_outer;
}

void traceNote(const QString& line)
{
    if (tracingPasses())
        std::fprintf(stderr, "%s\n", qPrintable(line));
}

void tracePass(GL& gl, const Texture& target, const QRect& viewport, GLuint program, int samplers, bool blend)
{
    if (!tracingPasses() || gl.rehearsing())
        return;
    // Waits for the pass: the time is its own plus the work since the last.
    static QElapsedTimer clock;
    glFinish();
    const double ms = clock.isValid() ? double(clock.nsecsElapsed()) / 1e6 : 0.0;
    const bool bytes = target.format == GL_RGBA8 || target.format == GL_SRGB8_ALPHA8;
    std::fprintf(stderr, "pass %llu: %dx%d of %dx%d %s program %u samplers %d%s %s %.1f ms\n",
                 static_cast<unsigned long long>(gl.passCount()), viewport.width(), viewport.height(), target.width,
                 target.height, bytes ? "bytes" : "float", program, samplers, blend ? " blend" : "", g_label, ms);
    clock.start();
}

} // namespace Engine
