#pragma once
// Internal to the image engine: the process's one OpenGL ES 3 context on an
// EGL display that needs no window system (Mesa's surfaceless platform, or
// the first EGL device; llvmpipe when there is no GPU), compiled programs
// cached by source text, and a pool of float textures.
// Created on first use and never freed. Main thread only.

#include <QHash>
#include <QString>

#include <GLES3/gl3.h>

#include <memory>
#include <vector>

namespace Engine {

class GL;
struct DrawState;

// An RGBA texture that goes back to the pool when the last owner lets go.
struct Texture {
    GLuint id = 0;
    int width = 0;       // the texels in use, from (0, 0)
    int height = 0;
    int allocWidth = 0;  // the texture's real size; working textures are
    int allocHeight = 0; // allocated with slack so that the pool can reuse them
    GLenum format = 0;   // internal format
    bool rehearsal = false; // a rehearsal's stand-in: a few texels, never pooled
    ~Texture();
};
using TexturePtr = std::shared_ptr<Texture>;

class GL {
public:
    // The shared engine, made current on this thread; nullptr (after one
    // "Error: " line for the whole process) when no EGL context can be made.
    static GL* instance();

    // A working texture (float RGBA, premultiplied linear light) of the size;
    // contents undefined. nullptr (logged) beyond the texture size limit.
    TexturePtr floatTexture(int width, int height);
    // An 8-bit RGBA texture (read-back).
    TexturePtr byteTexture(int width, int height);
    // A half-float RGBA texture whatever the working format (uploads of
    // linear light).
    TexturePtr halfFloatTexture(int width, int height);
    // An 8-bit sRGB-encoded RGBA texture: reads decode to linear light.
    TexturePtr srgbTexture(int width, int height);

    // A linked program for the fragment shader text (the vertex stage is the
    // engine's full-screen triangle); 0 when it does not compile, with the
    // driver's log in *log. Cached by text, failures included.
    GLuint program(const QString& fragmentSource, QString* log = nullptr);
    // Whether the fragment shader text compiles (the driver's log in *log
    // when not), without linking: the compiled stage waits in a cache for
    // program(). Linking is most of a program's cost, so texts that may
    // never be drawn (a kernel file's other routines) are only checked.
    bool compiles(const QString& fragmentSource, QString* log = nullptr);
    GLint uniform(GLuint program, const char* name);

    // Binds `target` as the colour attachment and sets the viewport to it.
    void bindTarget(const Texture& target);
    // Draws the full-screen triangle with the current program; while
    // rehearsing, only notes what the draw would compile.
    void drawQuad();
    // Binds `texture` to unit `unit` with linear or nearest filtering.
    void bindTexture(int unit, const Texture& texture, bool linear);

    // The internal format of working textures (half floats); 32-bit floats
    // while a FullFloats lives.
    GLenum floatFormat() const { return m_fullFloats > 0 ? GLenum(GL_RGBA32F) : m_floatFormat; }
    // Whether `format` is one of the working formats.
    bool isWorkingFormat(GLenum format) const { return format == m_floatFormat || format == GL_RGBA32F; }
    int maxTextureSize() const { return m_maxTextureSize; }
    QString renderer() const { return m_renderer; }
    QString version() const { return m_version; }
    // Start-up time of the EGL display and context, in milliseconds.
    double startupMilliseconds() const { return m_startupMs; }

    // A rehearsal: a render's calls made as usual except that nothing is
    // drawn, uploaded or read back and textures are a few texels; each
    // draw's state is appended to `draws` instead (what the driver compiles
    // for it). What a rehearsal renders holds no pixels: nothing it makes may
    // be kept past it. Failures are counted but not logged. nullptr ends it.
    void setRehearsal(std::vector<DrawState>* draws) { m_rehearsal = draws; }
    bool rehearsing() const { return m_rehearsal != nullptr; }
    // The state the next drawQuad() would draw with.
    DrawState currentDraw();
    void* display() const { return m_display; }

    // Render failures: a pass, texture or source that could not be made
    // records why (after its own "Error: " line), so that whoever asked for
    // the render can report failure instead of handing out a partial picture.
    // Compare failureCount() before and after a render.
    void noteFailure(const QString& reason);
    quint64 failureCount() const { return m_failureCount; }
    QString lastFailure() const { return m_lastFailure; }

    // Passes drawn and textures allocated (not served by the pool) since
    // start, rehearsals not counted (tests, benchmarks).
    quint64 passCount() const { return m_passCount; }
    void countPass() { m_passCount += m_rehearsal ? 0 : 1; }
    quint64 textureAllocationCount() const { return m_allocationCount; }
    // Programs linked since start (tests, benchmarks).
    quint64 linkCount() const { return m_linkCount; }
    // CPU time this thread spent compiling and linking programs.
    double compileMilliseconds() const { return m_compileMs; }

    // How a texture's sides are allocated: Snug, working sides rounded up
    // to multiples of 64 (the pool's slack) and others exact; NoPowerOfTwo
    // (the default), then past any power of two: llvmpipe compiles a
    // program again for each power-of-two-ness of the sides it reads, which
    // would follow the sizes of a render and which pooled texture a pass
    // got. Only the texture unit's own blend sees the real size, in the
    // last bits of a read. Set before first use.
    enum class Sides { Snug, NoPowerOfTwo };
    static void setTextureSides(Sides sides);
    static int allocatedSide(int n, bool working);

    // Pool bookkeeping.
    void recycle(GLuint id, int width, int height, GLenum format);
    void discard(GLuint id);
    // Oldest pooled textures deleted until the pool holds at most
    // `limitBytes` (0: every one, their memory back to the driver).
    void trimPool(size_t limitBytes);
    void emptyPool() { trimPool(0); }

private:
    friend class FullFloats;
    GL() = default;
    bool start();
    TexturePtr texture(int width, int height, GLenum format);
    // A compiled fragment stage for the text (0 with *log when it fails).
    GLuint compileShader(const QString& fragmentSource, QString* log);

    struct Pooled {
        GLuint id;
        int width, height;
        GLenum format;
    };
    std::vector<Pooled> m_pool;
    size_t m_pooledBytes = 0;
    QHash<QString, GLuint> m_programs;
    QHash<QString, QString> m_programLogs;
    QHash<QString, GLuint> m_compiledShaders; // compiled, not yet linked
    QHash<GLuint, QHash<QByteArray, GLint>> m_uniforms;
    QHash<GLuint, QString> m_programTexts;
    QHash<GLuint, std::vector<QByteArray>> m_samplers; // each program's sampler uniforms
    struct Allocation {
        GLenum format = 0;
        int width = 0, height = 0;
    };
    QHash<GLuint, Allocation> m_allocations; // every live texture's
    std::vector<DrawState>* m_rehearsal = nullptr;
    GLuint m_vertexShader = 0;
    GLuint m_framebuffer = 0;
    GLuint m_vertexArray = 0;
    GLenum m_floatFormat = 0;
    int m_fullFloats = 0; // FullFloats alive
    int m_maxTextureSize = 0;
    QString m_renderer;
    QString m_version;
    double m_startupMs = 0;
    quint64 m_failureCount = 0;
    quint64 m_passCount = 0;
    quint64 m_allocationCount = 0;
    quint64 m_linkCount = 0;
    double m_compileMs = 0;
    QString m_lastFailure;
    void* m_display = nullptr;
    void* m_context = nullptr;
};

// While one lives, the working textures made are 32-bit floats instead of
// half floats, whose step just below 1 is about 0.0005: for what feeds a
// steep formula (a colour burn's slope over near-black is about 1000).
// Scopes nest.
class FullFloats {
public:
    explicit FullFloats(GL& gl) : m_gl(gl) { ++m_gl.m_fullFloats; }
    ~FullFloats() { --m_gl.m_fullFloats; }
    FullFloats(const FullFloats&) = delete;
    FullFloats& operator=(const FullFloats&) = delete;

private:
    GL& m_gl;
};

// The vertex stage of every program: a triangle covering the viewport.
extern const char* const kFullScreenVertexShader;

// The GLSL text shared by the engine's own passes and by translated kernels:
// the fetch of a rendered region with "none" (transparent outside) or
// "clamp" wrapping, and the sRGB transfer functions.
extern const char* const kShaderPrelude;

} // namespace Engine
