#include "platform/image/EngineAhead.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <QHash>
#include <QSet>

#include <malloc.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace Engine {

QByteArray DrawState::key() const
{
    QByteArray k = QByteArray::number(qHash(fragment)) + ':' + QByteArray::number(fragment.size()) + ';';
    for (const Unit& u : units)
        k += u.sampler + ':' + QByteArray::number(u.unit) + ':' + QByteArray::number(u.format) + (u.swapped ? 's' : '-')
             + QByteArray::number(u.minFilter) + '/' + QByteArray::number(u.magFilter)
             + (u.powerOfTwoWidth ? 'p' : '-') + (u.powerOfTwoHeight ? 'p' : '-') + ',';
    return k + QByteArray::number(target) + (blend ? 'b' : '-');
}

namespace CompileAhead {

namespace {

struct Session {
    std::mutex mutex;
    std::vector<DrawState> draws; // in render order, each once
    QSet<QByteArray> rehearsed;   // every key listed
    QSet<QByteArray> left;        // keys the main thread draws itself
    QByteArray drawing;           // the key the thread is drawing
    std::condition_variable drawn;
    std::atomic<bool> waiting{false}; // the main thread, for `drawing`
    std::atomic<bool> stop{false};
    std::thread thread;
};

constexpr int kCacheWriteMilliseconds = 3;
Session* g_session = nullptr;
std::atomic<int> g_made{0};
int g_unforeseen = 0;

// The draws' objects in the thread's own context.
class Drawer {
public:
    bool start(EGLDisplay display)
    {
        m_display = display;
        const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 0, EGL_NONE};
        if (!eglBindAPI(EGL_OPENGL_ES_API))
            return false;
        m_context = eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes);
        if (m_context == EGL_NO_CONTEXT || !eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, m_context))
            return false;
        m_vertex = glCreateShader(GL_VERTEX_SHADER);
        glShaderSource(m_vertex, 1, &kFullScreenVertexShader, nullptr);
        glCompileShader(m_vertex);
        glGenFramebuffers(1, &m_framebuffer);
        glGenVertexArrays(1, &m_vertexArray);
        glBindVertexArray(m_vertexArray);
        glDisable(GL_DEPTH_TEST);
        glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
        return true;
    }

    ~Drawer()
    {
        if (m_context == EGL_NO_CONTEXT)
            return;
        for (GLuint p : std::as_const(m_programs))
            glDeleteProgram(p);
        for (GLuint t : std::as_const(m_textures))
            glDeleteTextures(1, &t);
        glDeleteShader(m_vertex);
        glDeleteFramebuffers(1, &m_framebuffer);
        glDeleteVertexArrays(1, &m_vertexArray);
        eglMakeCurrent(m_display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(m_display, m_context);
        eglReleaseThread();
    }

    bool draw(const DrawState& d)
    {
        const GLuint program = programFor(d.fragment);
        if (!program || !d.target)
            return false;
        // Made before the units are bound: making a texture binds it.
        DrawState::Unit target;
        target.format = d.target;
        const GLuint targetTexture = texture(target);
        glUseProgram(program);
        for (const DrawState::Unit& u : d.units) {
            glActiveTexture(GLenum(GL_TEXTURE0 + u.unit));
            glBindTexture(GL_TEXTURE_2D, u.format ? texture(u) : 0);
            glUniform1i(glGetUniformLocation(program, u.sampler.constData()), u.unit);
        }
        glBindFramebuffer(GL_FRAMEBUFFER, m_framebuffer);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, targetTexture, 0);
        glViewport(0, 0, 1, 1);
        if (d.blend)
            glEnable(GL_BLEND);
        else
            glDisable(GL_BLEND);
        // The driver compiles the program's code for this state here.
        glDrawArrays(GL_TRIANGLES, 0, 3);
        glFinish();
        return true;
    }

private:
    GLuint programFor(const QString& fragment)
    {
        if (fragment.isEmpty())
            return 0;
        if (auto found = m_programs.constFind(fragment); found != m_programs.constEnd())
            return found.value();
        const QByteArray text = fragment.toUtf8();
        const char* source = text.constData();
        const GLuint shader = glCreateShader(GL_FRAGMENT_SHADER);
        glShaderSource(shader, 1, &source, nullptr);
        glCompileShader(shader);
        GLuint program = glCreateProgram();
        glAttachShader(program, m_vertex);
        glAttachShader(program, shader);
        glLinkProgram(program);
        glDeleteShader(shader);
        GLint ok = 0;
        glGetProgramiv(program, GL_LINK_STATUS, &ok);
        if (!ok) {
            glDeleteProgram(program);
            program = 0;
        }
        m_programs.insert(fragment, program);
        return program;
    }

    // A texture of the unit's format, swizzle and filter, its sides of the
    // same power-of-two-ness (the driver's code depends on it).
    GLuint texture(const DrawState::Unit& u)
    {
        DrawState::Unit state = u;
        state.sampler.clear();
        state.unit = 0;
        const QByteArray key = DrawState{QString(), {state}, 0, false}.key();
        if (auto found = m_textures.constFind(key); found != m_textures.constEnd())
            return found.value();
        GLuint id = 0;
        glGenTextures(1, &id);
        glBindTexture(GL_TEXTURE_2D, id);
        glTexStorage2D(GL_TEXTURE_2D, 1, u.format, u.powerOfTwoWidth ? 4 : 5, u.powerOfTwoHeight ? 4 : 3);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_R, u.swapped ? GL_BLUE : GL_RED);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_B, u.swapped ? GL_RED : GL_BLUE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, u.minFilter);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, u.magFilter);
        m_textures.insert(key, id);
        return id;
    }

    EGLDisplay m_display = EGL_NO_DISPLAY;
    EGLContext m_context = EGL_NO_CONTEXT;
    GLuint m_vertex = 0, m_framebuffer = 0, m_vertexArray = 0;
    QHash<QString, GLuint> m_programs;
    QHash<QByteArray, GLuint> m_textures;
};

void work(EGLDisplay display, Session* s)
{
    {
        Drawer drawer;
        if (drawer.start(display)) {
            while (!s->stop) {
                DrawState next;
                {
                    const std::lock_guard lock(s->mutex);
                    while (!s->draws.empty() && s->left.contains(s->draws.back().key()))
                        s->draws.pop_back();
                    if (s->draws.empty())
                        break;
                    next = std::move(s->draws.back());
                    s->draws.pop_back();
                    s->drawing = next.key();
                }
                if (drawer.draw(next))
                    ++g_made;
                // The driver writes its cache on a thread of its own: a
                // moment for that before a waiting main thread looks.
                if (s->waiting)
                    std::this_thread::sleep_for(std::chrono::milliseconds(kCacheWriteMilliseconds));
                {
                    const std::lock_guard lock(s->mutex);
                    s->drawing.clear();
                }
                s->drawn.notify_all();
            }
        }
    }
    // The compiler's memory, freed in this thread's own heap, back to the
    // system before the render's largest passes.
    malloc_trim(0);
}

// A session still running when the process ends is stopped first.
struct AtExit {
    ~AtExit() { finish(); }
} g_atExit;

} // namespace

void start(GL& gl, const std::vector<DrawState>& draws, bool compile)
{
    finish();
    g_unforeseen = 0;
    auto* s = new Session;
    for (const DrawState& d : draws)
        if (const QByteArray key = d.key(); !d.fragment.isEmpty() && d.target && !s->rehearsed.contains(key)) {
            s->rehearsed.insert(key);
            s->draws.push_back(d);
        }
    g_session = s;
    if (compile && !s->draws.empty())
        s->thread = std::thread(work, static_cast<EGLDisplay>(gl.display()), s);
}

void taking(const DrawState& draw)
{
    if (!g_session)
        return;
    const QByteArray key = draw.key();
    std::unique_lock lock(g_session->mutex);
    g_unforeseen += g_session->rehearsed.contains(key) ? 0 : 1;
    g_session->left.insert(key);
    // Compiling it a second time would take longer than waiting.
    g_session->waiting = g_session->drawing == key;
    g_session->drawn.wait(lock, [&] { return g_session->drawing != key; });
    g_session->waiting = false;
}

bool active()
{
    return g_session != nullptr;
}

void finish()
{
    if (!g_session)
        return;
    g_session->stop = true;
    if (g_session->thread.joinable())
        g_session->thread.join();
    delete std::exchange(g_session, nullptr);
}

void drain()
{
    if (g_session && g_session->thread.joinable())
        g_session->thread.join();
}

int drawsMade()
{
    return g_made;
}

int unforeseenDraws()
{
    return g_unforeseen;
}

} // namespace CompileAhead

} // namespace Engine
