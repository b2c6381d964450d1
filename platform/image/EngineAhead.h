#pragma once
// Internal to the image engine: compiling a render's programs ahead, on a
// thread of its own. The driver (llvmpipe) turns each program into machine
// code at its first draw, for the formats, swizzles and filters of what it
// reads and what it writes, and keeps that code in its disk cache. A
// rehearsal of the render (GL::setRehearsal) lists those draws; a second,
// unshared context on the same display then draws each once, one pixel,
// with the same state, last first, while the main thread renders from the
// first: when it reaches a draw, the driver finds the code in its cache.
// Nothing is shared with the main context, so no pixel depends on it; a
// state recorded wrong only costs the thread's time.

#include "platform/image/GLEngine.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace Engine {

struct DrawState {
    struct Unit {
        QByteArray sampler; // the program's sampler that reads it
        int unit = 0;       // the texture unit the sampler is set to
        GLenum format = 0;  // 0: nothing bound
        bool swapped = false; // red and blue read through a swizzle
        GLint minFilter = 0, magFilter = 0;
        bool powerOfTwoWidth = false, powerOfTwoHeight = false;
    };
    QString fragment; // the program's fragment text; empty when unknown
    std::vector<Unit> units; // one for each of the program's samplers
    GLenum target = 0; // the colour attachment's format
    bool blend = false;
    // Equal for draws the driver compiles the same code for.
    QByteArray key() const;
};

namespace CompileAhead {

// Starts a session for a rehearsal's `draws`: with `compile`, a thread with
// its own context on the engine's display draws them (duplicates once),
// last first. A session still running is finished first. Main thread.
void start(GL& gl, const std::vector<DrawState>& draws, bool compile);
// The main thread is about to draw this itself: the thread leaves it.
void taking(const DrawState& draw);
// From start() to finish(): the main thread's draws are then taking()'s.
bool active();
// Stops after the draw in progress and waits for the thread. Main thread.
void finish();
// Waits until the thread has made or left every draw (tests).
void drain();
// Draws the thread has made in this process (tests, benchmarks).
int drawsMade();
// Draws of the last session's render that its rehearsal did not list
// (tests: the rehearsal must foresee the render).
int unforeseenDraws();

} // namespace CompileAhead

} // namespace Engine
