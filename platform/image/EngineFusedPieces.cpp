#include "platform/image/EngineFusedPieces.h"

#include "platform/image/EngineTrace.h"

#include <QHash>
#include <QStringList>

namespace Engine {

std::vector<PassPiece> cutPieces(GL& gl, const FusedCells& cells, GLuint general, double partShare)
{
    const QRect region = cells.region();
    const int l = region.left(), r = l + region.width(), t = region.top(), u = t + region.height();
    std::vector<int> xs{l, r};
    std::vector<int> ys{t, u};
    // Pixel x is inside when its centre is: x >= ceil(x0 - 1/2), x <= floor(x1 - 1/2).
    const auto at = [](std::vector<int>& v, double edge, int lo, int hi) {
        if (std::isfinite(edge))
            v.push_back(int(std::clamp(edge, double(lo), double(hi))));
    };
    for (const Box& b : cells.edges()) {
        if (b.isEmpty())
            continue;
        at(xs, std::ceil(b.x0 - 0.5), l, r);
        at(xs, std::floor(b.x1 - 0.5) + 1, l, r);
        at(ys, std::ceil(b.y0 - 0.5), t, u);
        at(ys, std::floor(b.y1 - 0.5) + 1, t, u);
    }
    for (auto* v : {&xs, &ys}) {
        std::sort(v->begin(), v->end());
        v->erase(std::unique(v->begin(), v->end()), v->end());
    }
    // Each cell's text, by what the cell knows of each function.
    const int columns = int(xs.size()) - 1, rows = int(ys.size()) - 1;
    std::vector<int> kinds(size_t(columns * rows));
    QHash<QByteArray, int> bySignature;
    QStringList texts;
    std::vector<double> areas;
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < columns; ++i) {
            const Box c{xs[size_t(i)] + 0.5, ys[size_t(j)] + 0.5, xs[size_t(i) + 1] - 0.5, ys[size_t(j) + 1] - 0.5};
            if (cells.copied(c)) {
                kinds[size_t(j * columns + i)] = -1;
                continue;
            }
            const QByteArray key = cells.signature(c);
            auto found = bySignature.find(key);
            if (found == bySignature.end()) {
                const QString text = cells.source(c);
                int k = int(texts.indexOf(text));
                if (k < 0) {
                    k = int(texts.size());
                    texts.append(text);
                    areas.push_back(0);
                }
                found = bySignature.insert(key, k);
            }
            kinds[size_t(j * columns + i)] = found.value();
            areas[size_t(found.value())] += double(xs[size_t(i) + 1] - xs[size_t(i)]) * (ys[size_t(j) + 1] - ys[size_t(j)]);
        }
    // A program of its own for a large enough share of the pass (each
    // costs a compile on an empty shader cache).
    const double total = double(region.width()) * region.height();
    std::vector<GLuint> programs(texts.size(), general);
    for (int k = 0; k < int(texts.size()); ++k)
        if (areas[size_t(k)] >= partShare * total) {
            QString log;
            if (const GLuint p = gl.program(texts[k], &log))
                programs[size_t(k)] = p;
            else
                traceNote(QStringLiteral("fused part does not compile: ") + log.simplified());
        }
    std::vector<GLuint> cellPrograms(kinds.size());
    for (size_t c = 0; c < kinds.size(); ++c)
        cellPrograms[c] = kinds[c] < 0 ? kCopiedPiece : programs[size_t(kinds[c])];
    return mergeCellRuns(xs, ys, cellPrograms, region.topLeft());
}

std::vector<PassPiece> mergeCellRuns(const std::vector<int>& xs, const std::vector<int>& ys,
                                     const std::vector<GLuint>& programs, QPoint origin)
{
    const int columns = int(xs.size()) - 1, rows = int(ys.size()) - 1;
    if (columns < 1 || rows < 1 || programs.size() != size_t(columns * rows))
        return {};
    struct Open {
        int x0, x1, y0, y1;
        GLuint program;
    };
    std::vector<PassPiece> out;
    std::vector<Open> open, next;
    const auto close = [&](const Open& o) {
        out.push_back({o.program, QRect(o.x0 - origin.x(), o.y0 - origin.y(), o.x1 - o.x0, o.y1 - o.y0)});
    };
    for (int j = 0; j < rows; ++j) {
        next.clear();
        for (int i = 0; i < columns;) {
            const GLuint program = programs[size_t(j * columns + i)];
            int e = i + 1;
            while (e < columns && programs[size_t(j * columns + e)] == program)
                ++e;
            Open run{xs[size_t(i)], xs[size_t(e)], ys[size_t(j)], ys[size_t(j) + 1], program};
            // A run under one of the same columns and program extends it.
            for (auto it = open.begin(); it != open.end(); ++it)
                if (it->x0 == run.x0 && it->x1 == run.x1 && it->program == program) {
                    run.y0 = it->y0;
                    open.erase(it);
                    break;
                }
            next.push_back(run);
            i = e;
        }
        for (const Open& o : open)
            close(o);
        open.swap(next);
    }
    for (const Open& o : open)
        close(o);
    return out;
}

} // namespace Engine
