#include "platform/image/GLEngine.h"

#include "platform/foundation/Log.h"
#include "platform/image/EngineAhead.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <QElapsedTimer>

namespace Engine {

namespace {

bool g_failed = false;
GL* g_instance = nullptr;
GL::Sides g_sides = GL::Sides::NoPowerOfTwo;
constexpr size_t kPoolLimitBytes = size_t(768) << 20;

} // namespace

const char* const kFullScreenVertexShader = R"(#version 300 es
void main() {
    vec2 p = vec2(float((gl_VertexID << 1) & 2), float(gl_VertexID & 2));
    gl_Position = vec4(p * 2.0 - 1.0, 0.0, 1.0);
}
)";

namespace {

size_t bytesPerPixel(GLenum format)
{
    return format == GL_RGBA32F ? 16 : format == GL_RGBA16F ? 8 : 4;
}

double threadMilliseconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Adds the thread's CPU time while it lives to `total`.
class CompileClock {
public:
    explicit CompileClock(double& total) : m_total(total), m_start(threadMilliseconds()) {}
    ~CompileClock() { m_total += threadMilliseconds() - m_start; }

private:
    double& m_total;
    double m_start;
};

bool hasExtension(const char* name)
{
    GLint count = 0;
    glGetIntegerv(GL_NUM_EXTENSIONS, &count);
    for (GLint i = 0; i < count; ++i)
        if (qstrcmp(reinterpret_cast<const char*>(glGetStringi(GL_EXTENSIONS, GLuint(i))), name) == 0)
            return true;
    return false;
}

} // namespace

const char* const kShaderPrelude = R"(
// The bilinear read at texel position `c` of the `size` texels in use,
// blended here from four texels clamped to those in use, not to the
// texture's edge: a pooled texture may be larger, and a normalised
// coordinate over a side that is not a power of two is inexact, so that the
// texture unit's own blend of a read at a texel's centre weighs a neighbour.
vec4 _ci_blend(sampler2D tex, vec2 c, vec2 size) {
    vec2 q = clamp(c, vec2(0.5), size - 0.5) - 0.5;
    vec2 i = floor(q), f = q - i;
    ivec2 a = ivec2(i), b = min(a + 1, ivec2(size) - 1);
    return mix(mix(texelFetch(tex, a, 0), texelFetch(tex, ivec2(b.x, a.y), 0), f.x),
               mix(texelFetch(tex, ivec2(a.x, b.y), 0), texelFetch(tex, b, 0), f.x), f.y);
}
// mode: bit 0 clamp to the clamp box, bit 1 nearest filtering, bit 2
// transparent outside the box (a crop read at any density). Written
// without branches: texture reads inside conditional code are many times
// slower on the software rasterizer. `size` is the region of texels in use
// (a pooled texture may be larger than what it holds); `scale` is unused.
vec4 _ci_fetch(sampler2D tex, vec2 tc, vec2 size, vec2 scale, int mode, vec4 box) {
    float clampMode = float(mode & 1);
    float nearest = float((mode >> 1) & 1);
    vec2 c = mix(tc, clamp(tc, box.xy, box.zw), clampMode);
    c = mix(c, floor(c) + 0.5, nearest);
    vec4 t = _ci_blend(tex, c, size);
    // Clamp-to-edge texels times the coverage of the region give the exact
    // bilinear blend with the transparent outside.
    vec2 linearCover = clamp(tc + 0.5, 0.0, 1.0) * clamp(size + 0.5 - tc, 0.0, 1.0);
    vec2 nearestCover = step(vec2(0.0), tc) * step(tc, size);
    vec2 w = mix(mix(linearCover, nearestCover, nearest), vec2(1.0), clampMode);
    vec2 inCrop = mix(vec2(1.0), step(box.xy, tc) * step(tc, box.zw), float((mode >> 2) & 1));
    return t * (w.x * w.y * inCrop.x * inCrop.y);
}
vec3 _ci_toLinear(vec3 c) {
    return mix(c / 12.92, pow((c + 0.055) / 1.055, vec3(2.4)), step(vec3(0.04045), c));
}
vec3 _ci_toSRGB(vec3 c) {
    c = clamp(c, 0.0, 1.0);
    return mix(c * 12.92, 1.055 * pow(c, vec3(1.0 / 2.4)) - 0.055, step(vec3(0.0031308), c));
}
)";

Texture::~Texture()
{
    if (g_instance && id && rehearsal)
        g_instance->discard(id);
    else if (g_instance && id)
        g_instance->recycle(id, allocWidth, allocHeight, format);
}

GL* GL::instance()
{
    if (g_instance) {
        EGLContext ctx = static_cast<EGLContext>(g_instance->m_context);
        if (eglGetCurrentContext() != ctx)
            eglMakeCurrent(static_cast<EGLDisplay>(g_instance->m_display), EGL_NO_SURFACE, EGL_NO_SURFACE, ctx);
        return g_instance;
    }
    if (g_failed)
        return nullptr;
    auto* gl = new GL();
    if (!gl->start()) {
        g_failed = true;
        delete gl;
        return nullptr;
    }
    g_instance = gl;
    return g_instance;
}

bool GL::start()
{
    QElapsedTimer timer;
    timer.start();
    auto fail = [](const QString& why) {
        Log::line(lcImage, QStringLiteral("Error: image engine has no OpenGL context, images will be empty (%1)").arg(why));
        return false;
    };
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    EGLDisplay display = EGL_NO_DISPLAY;
    if (getPlatformDisplay && clientExtensions) {
        const QByteArray ext(clientExtensions);
        if (ext.contains("EGL_MESA_platform_surfaceless"))
            display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (display == EGL_NO_DISPLAY && ext.contains("EGL_EXT_platform_device")) {
            auto queryDevices =
                reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
            EGLDeviceEXT devices[8];
            EGLint count = 0;
            if (queryDevices && queryDevices(8, devices, &count) && count > 0)
                display = getPlatformDisplay(EGL_PLATFORM_DEVICE_EXT, devices[0], nullptr);
        }
    }
    if (display == EGL_NO_DISPLAY)
        return fail(QStringLiteral("no surfaceless or device EGL display"));
    EGLint major = 0, minor = 0;
    if (!eglInitialize(display, &major, &minor))
        return fail(QStringLiteral("eglInitialize failed, 0x%1").arg(eglGetError(), 0, 16));
    if (!eglBindAPI(EGL_OPENGL_ES_API))
        return fail(QStringLiteral("no OpenGL ES API"));
    const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 0, EGL_NONE};
    EGLContext context = eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes);
    if (context == EGL_NO_CONTEXT)
        return fail(QStringLiteral("no OpenGL ES 3 context, 0x%1").arg(eglGetError(), 0, 16));
    if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context))
        return fail(QStringLiteral("cannot make the context current, 0x%1").arg(eglGetError(), 0, 16));
    m_display = display;
    m_context = context;

    if (!hasExtension("GL_EXT_color_buffer_float"))
        return fail(QStringLiteral("no float render targets"));
    // Half floats: ample for 8-bit sRGB results, and half the memory and
    // zero-filling of 32-bit textures (a 2560 x 1600 wallpaper renders in
    // 2.2 s and 500 MB instead of 3.0 s and 780 MB on llvmpipe).
    m_floatFormat = GL_RGBA16F;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &m_maxTextureSize);
    m_renderer = QString::fromLatin1(reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    m_version = QString::fromLatin1(reinterpret_cast<const char*>(glGetString(GL_VERSION)));

    m_vertexShader = glCreateShader(GL_VERTEX_SHADER);
    glShaderSource(m_vertexShader, 1, &kFullScreenVertexShader, nullptr);
    glCompileShader(m_vertexShader);
    GLint ok = 0;
    glGetShaderiv(m_vertexShader, GL_COMPILE_STATUS, &ok);
    if (!ok)
        return fail(QStringLiteral("the vertex stage does not compile"));
    glGenFramebuffers(1, &m_framebuffer);
    glGenVertexArrays(1, &m_vertexArray);
    glBindVertexArray(m_vertexArray);
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    m_startupMs = double(timer.nsecsElapsed()) / 1e6;
    return true;
}

void GL::setTextureSides(Sides sides)
{
    g_sides = sides;
}

int GL::allocatedSide(int n, bool working)
{
    int side = working ? (n + 63) / 64 * 64 : n;
    while (g_sides == Sides::NoPowerOfTwo && (side & (side - 1)) == 0)
        side += working ? 64 : 1;
    return side;
}

TexturePtr GL::texture(int width, int height, GLenum format)
{
    if (width <= 0 || height <= 0)
        return nullptr;
    if (width > m_maxTextureSize || height > m_maxTextureSize) {
        noteFailure(QStringLiteral("the image engine cannot render %1 x %2 pixels at once (limit %3)")
                        .arg(width).arg(height).arg(m_maxTextureSize));
        return nullptr;
    }
    auto result = std::make_shared<Texture>();
    result->width = width;
    result->height = height;
    result->format = format;
    // Working textures are read through _ci_fetch, which knows the texels in
    // use, so any pooled one that is large enough (and not wasteful) will do:
    // a render's many slightly different sizes then share a few textures
    // instead of each allocating (and the driver zero-filling) its own.
    const bool slack = isWorkingFormat(format);
    // Not wasteful: at most twice what a new one would take.
    const size_t wanted = size_t(allocatedSide(width, slack)) * size_t(allocatedSide(height, slack));
    qsizetype best = -1;
    for (qsizetype i = 0; i < qsizetype(m_pool.size()) && !rehearsing(); ++i) {
        const Pooled& p = m_pool[size_t(i)];
        if (p.format != format)
            continue;
        const size_t have = size_t(p.width) * size_t(p.height);
        const bool fits = slack ? p.width >= width && p.height >= height && have <= 2 * wanted
                                : p.width == allocatedSide(width, false) && p.height == allocatedSide(height, false);
        if (fits && (best < 0 || have < size_t(m_pool[size_t(best)].width) * size_t(m_pool[size_t(best)].height)))
            best = i;
    }
    if (best >= 0) {
        const Pooled p = m_pool[size_t(best)];
        result->id = p.id;
        result->allocWidth = p.width;
        result->allocHeight = p.height;
        m_pooledBytes -= bytesPerPixel(format) * size_t(p.width) * size_t(p.height);
        m_pool.erase(m_pool.begin() + best);
        return result;
    }
    result->allocWidth = std::min(m_maxTextureSize, allocatedSide(width, slack));
    result->allocHeight = std::min(m_maxTextureSize, allocatedSide(height, slack));
    // A rehearsal draws nothing: a few texels of the same power-of-two-ness
    // stand in (the driver's code depends on it), and take no memory.
    const auto standIn = [](int side) { return (side & (side - 1)) == 0 ? std::min(side, 4) : 3; };
    result->rehearsal = rehearsing();
    if (!result->rehearsal)
        ++m_allocationCount;
    glGenTextures(1, &result->id);
    glBindTexture(GL_TEXTURE_2D, result->id);
    glTexStorage2D(GL_TEXTURE_2D, 1, format, result->rehearsal ? standIn(result->allocWidth) : result->allocWidth,
                   result->rehearsal ? standIn(result->allocHeight) : result->allocHeight);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    if (glGetError() != GL_NO_ERROR) {
        noteFailure(QStringLiteral("the image engine could not allocate a %1 x %2 texture").arg(width).arg(height));
        glDeleteTextures(1, &result->id);
        result->id = 0;
        return nullptr;
    }
    m_allocations.insert(result->id, {format, result->allocWidth, result->allocHeight});
    return result;
}

void GL::noteFailure(const QString& reason)
{
    // The render itself says it.
    if (!rehearsing())
        Log::line(lcImage, QStringLiteral("Error: ") + reason);
    ++m_failureCount;
    m_lastFailure = reason;
}

TexturePtr GL::floatTexture(int width, int height)
{
    return texture(width, height, floatFormat());
}

TexturePtr GL::byteTexture(int width, int height)
{
    return texture(width, height, GL_RGBA8);
}

TexturePtr GL::halfFloatTexture(int width, int height)
{
    return texture(width, height, GL_RGBA16F);
}

TexturePtr GL::srgbTexture(int width, int height)
{
    return texture(width, height, GL_SRGB8_ALPHA8);
}

void GL::recycle(GLuint id, int width, int height, GLenum format)
{
    m_pool.push_back({id, width, height, format});
    m_pooledBytes += bytesPerPixel(format) * size_t(width) * size_t(height);
    trimPool(kPoolLimitBytes);
}

void GL::discard(GLuint id)
{
    glDeleteTextures(1, &id);
    m_allocations.remove(id);
}

void GL::trimPool(size_t limitBytes)
{
    // Oldest first: recent sizes are the ones the next render asks for.
    while (m_pooledBytes > limitBytes && !m_pool.empty()) {
        const Pooled p = m_pool.front();
        m_pool.erase(m_pool.begin());
        m_pooledBytes -= bytesPerPixel(p.format) * size_t(p.width) * size_t(p.height);
        glDeleteTextures(1, &p.id);
        m_allocations.remove(p.id);
    }
}

namespace {

QString shaderLog(GLuint shader)
{
    GLint length = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    QByteArray buffer(qMax(length, 1), '\0');
    glGetShaderInfoLog(shader, length, nullptr, buffer.data());
    return QString::fromUtf8(buffer.constData()).trimmed();
}

} // namespace

GLuint GL::compileShader(const QString& fragmentSource, QString* log)
{
    const CompileClock clock(m_compileMs);
    const GLuint waiting = m_compiledShaders.take(fragmentSource);
    if (waiting)
        return waiting;
    const QByteArray text = fragmentSource.toUtf8();
    const char* source = text.constData();
    GLuint shader = glCreateShader(GL_FRAGMENT_SHADER);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        *log = shaderLog(shader);
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

bool GL::compiles(const QString& fragmentSource, QString* log)
{
    auto found = m_programs.constFind(fragmentSource);
    if (found != m_programs.constEnd()) {
        if (log)
            *log = m_programLogs.value(fragmentSource);
        return found.value() != 0;
    }
    if (m_compiledShaders.contains(fragmentSource))
        return true;
    QString message;
    const GLuint shader = compileShader(fragmentSource, &message);
    if (!shader) {
        // Remembered as a failed program: program() answers at once.
        m_programs.insert(fragmentSource, 0);
        m_programLogs.insert(fragmentSource, message);
        if (log)
            *log = message;
        return false;
    }
    m_compiledShaders.insert(fragmentSource, shader);
    return true;
}

GLuint GL::program(const QString& fragmentSource, QString* log)
{
    auto found = m_programs.constFind(fragmentSource);
    if (found != m_programs.constEnd()) {
        if (log)
            *log = m_programLogs.value(fragmentSource);
        return found.value();
    }
    QString message;
    const GLuint shader = compileShader(fragmentSource, &message);
    GLuint program = 0;
    if (shader) {
        const CompileClock clock(m_compileMs);
        program = glCreateProgram();
        glAttachShader(program, m_vertexShader);
        glAttachShader(program, shader);
        glLinkProgram(program);
        ++m_linkCount;
        GLint ok = 0;
        glGetProgramiv(program, GL_LINK_STATUS, &ok);
        if (!ok) {
            GLint length = 0;
            glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
            QByteArray buffer(qMax(length, 1), '\0');
            glGetProgramInfoLog(program, length, nullptr, buffer.data());
            message = QString::fromUtf8(buffer.constData()).trimmed();
            glDeleteProgram(program);
            program = 0;
        }
        glDeleteShader(shader);
    }
    m_programs.insert(fragmentSource, program);
    m_programLogs.insert(fragmentSource, message);
    if (program)
        m_programTexts.insert(program, fragmentSource);
    if (log)
        *log = message;
    return program;
}

GLint GL::uniform(GLuint program, const char* name)
{
    auto& table = m_uniforms[program];
    const QByteArray key(name);
    auto found = table.constFind(key);
    if (found != table.constEnd())
        return found.value();
    const GLint location = glGetUniformLocation(program, name);
    table.insert(key, location);
    return location;
}

void GL::bindTarget(const Texture& target)
{
    glBindFramebuffer(GL_FRAMEBUFFER, m_framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, target.id, 0);
    glViewport(0, 0, target.width, target.height);
}

void GL::drawQuad()
{
    if (m_rehearsal) {
        m_rehearsal->push_back(currentDraw());
        return;
    }
    if (CompileAhead::active())
        CompileAhead::taking(currentDraw());
    glBindVertexArray(m_vertexArray);
    glDrawArrays(GL_TRIANGLES, 0, 3);
}

DrawState GL::currentDraw()
{
    DrawState d;
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    d.fragment = m_programTexts.value(GLuint(program));
    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    auto samplers = m_samplers.find(GLuint(program));
    if (samplers == m_samplers.end()) {
        std::vector<QByteArray> names;
        GLint count = 0;
        glGetProgramiv(GLuint(program), GL_ACTIVE_UNIFORMS, &count);
        for (GLint i = 0; i < count; ++i) {
            char name[256];
            GLint size = 0;
            GLenum type = 0;
            glGetActiveUniform(GLuint(program), GLuint(i), sizeof name, nullptr, &size, &type, name);
            if (type == GL_SAMPLER_2D)
                names.push_back(name);
        }
        samplers = m_samplers.insert(GLuint(program), names);
    }
    for (const QByteArray& name : *samplers) {
        DrawState::Unit u;
        u.sampler = name;
        glGetUniformiv(GLuint(program), uniform(GLuint(program), name.constData()), &u.unit);
        glActiveTexture(GLenum(GL_TEXTURE0 + u.unit));
        GLint id = 0, swizzle = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &id);
        if (const auto a = m_allocations.constFind(GLuint(id)); id && a != m_allocations.constEnd()) {
            glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_R, &swizzle);
            glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &u.minFilter);
            glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &u.magFilter);
            u.format = a->format;
            u.swapped = swizzle == GL_BLUE;
            u.powerOfTwoWidth = (a->width & (a->width - 1)) == 0;
            u.powerOfTwoHeight = (a->height & (a->height - 1)) == 0;
        }
        d.units.push_back(u);
    }
    glActiveTexture(GLenum(active));
    GLint target = 0;
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME,
                                          &target);
    d.target = m_allocations.value(GLuint(target)).format;
    d.blend = glIsEnabled(GL_BLEND);
    return d;
}

void GL::bindTexture(int unit, const Texture& texture, bool linear)
{
    glActiveTexture(GLenum(GL_TEXTURE0 + unit));
    glBindTexture(GL_TEXTURE_2D, texture.id);
    const GLint filter = linear ? GL_LINEAR : GL_NEAREST;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
}

} // namespace Engine
