// The drop view: a dragged 20-megapixel photo to its preview ready (again,
// and as a first drag), on a 1440 x 900 and a 2560 x 1600 screen, the same
// photo opened or its bytes pasted to its wallpaper saved, a repaint with warm
// caches, and a slider move of a look's effect or frame to the drawn display
// repainted.
// Its own main: the view needs a widgets application and two offscreen screens.

#include "app/LookEditor.h"
#include "app/PhotoCache.h"
#include "app/PreviewFade.h"
#include "effects/LXEffect.h"
#include "app/SWDropView.h"
#include "app/WallpaperMaker.h"
#include "platform/desktop/Alert.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/image/EnginePasses.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QFile>
#include <QMimeData>
#include <QPropertyAnimation>
#include <QScreen>
#include <QTemporaryDir>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

// The photos' folder: SUNNYSIDE_PHOTOS, else the shared test data.
QString photo()
{
    return qEnvironmentVariable("SUNNYSIDE_PHOTOS", QStringLiteral("/work/shared/testdata/photos"))
         + QStringLiteral("/kleiber_6028x3391.jpg");
}

// The screens of bench/screens.json: 1440 x 900, 2560 x 1600, 1440 x 900 at ratio 2.
const char* const kScreens[] = {"small", "large", "retina"};

std::unique_ptr<SWDropView> viewOn(int index)
{
    auto view = std::make_unique<SWDropView>();
    view->resize(720, 560);
    view->winId();
    for (QScreen* screen : QGuiApplication::screens())
        if (screen->name() == QLatin1String(kScreens[index]))
            view->windowHandle()->setScreen(screen);
    view->awakeFromNib();
    view->show();
    view->renderPendingBitmaps();
    return view;
}

void dragOver(SWDropView& view)
{
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(photo())});
    QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&view, &enter);
    QCoreApplication::processEvents(); // the queued build
    view.previewFade().animation()->setCurrentTime(PreviewFade::kDurationMs);
    view.imageView->grab(); // the preview rendered
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(&view, &leave);
}

void DragToPreview(benchmark::State& state)
{
    const auto view = viewOn(int(state.range(0)));
    state.SetLabel(QStringLiteral("screen %1").arg(view->currentScreen().name).toStdString());
    for (auto _ : state)
        dragOver(*view);
    if (view->imageView->engineRenderCount() == 0 && view->imageView->image().isNull())
        state.SkipWithError("the preview was never rendered");
}
BENCHMARK(DragToPreview)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same with the kept previews forgotten: every drag a first one.
void FirstDragToPreview(benchmark::State& state)
{
    const auto view = viewOn(int(state.range(0)));
    for (auto _ : state) {
        PhotoCache::shared().clear();
        dragOver(*view);
    }
}
BENCHMARK(FirstDragToPreview)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Open: decoded, previewed, rendered at the screen's size and saved (the
// desktop picture cannot be set here; its alert is dropped).
void OpenToSaved(benchmark::State& state)
{
    const auto view = viewOn(int(state.range(0)));
    const Alert::ScopedPresenter quiet([](const QString&, const QString&) {});
    for (auto _ : state)
        view->applyImageAt(QUrl::fromLocalFile(photo()));
}
BENCHMARK(OpenToSaved)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Paste of the photo's JPEG bytes (as a browser's copied image) to its wallpaper saved.
void PasteToSaved(benchmark::State& state)
{
    const auto view = viewOn(int(state.range(0)));
    const Alert::ScopedPresenter quiet([](const QString&, const QString&) {});
    QFile file(photo());
    QMimeData data;
    if (file.open(QIODevice::ReadOnly))
        data.setData(QStringLiteral("image/jpeg"), file.readAll());
    for (auto _ : state)
        view->takeMimeData(&data);
}
BENCHMARK(PasteToSaved)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void WarmRepaint(benchmark::State& state)
{
    const auto view = viewOn(int(state.range(0)));
    dragOver(*view);
    view->grab();
    for (auto _ : state)
        benchmark::DoNotOptimize(view->grab());
}
BENCHMARK(WarmRepaint)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// A slider move in a look's settings panel to the drawn display's new
// bitmap: the photo opened once (kept reduced), then each move renders the
// preview-sized picture anew. Rows: the plain display made anew (the
// baseline), per-pixel effects, a blur, frames, a border. Counters: the
// passes and texels drawn per move.
const char* const kLookRows[][2] = {{"none", "plain"}, {"effect", "HueShift"}, {"effect", "BlackAndWhite"}, {"effect", "SoftBlur"},
                                    {"frame", "Frame"}, {"frame", "PictureFrame"}, {"frame", "Border"}};

void SliderToRepaint(benchmark::State& state)
{
    const auto [kind, name] = kLookRows[state.range(0)];
    const auto view = viewOn(0);
    const Alert::ScopedPresenter quiet([](const QString&, const QString&) {});
    LookEditor editor;
    view->setLookEditor(&editor);
    view->applyImageAt(QUrl::fromLocalFile(photo()));
    Look look;
    const QVariantMap settings{{QStringLiteral("name"), QString::fromLatin1(name)}};
    if (QLatin1String(kind) == QLatin1String("effect"))
        look.effects << settings;
    else if (QLatin1String(kind) == QLatin1String("frame"))
        look.frame = settings;
    if (!editor.changeLook(look, QString())) {
        state.SkipWithError("the look cannot be made");
        return;
    }
    const std::shared_ptr<LXEffect> effect = !look.effects.isEmpty() ? editor.chain().effects().front() : editor.chain().frame();
    // The panel's first slider, moved between two points of its range.
    QString key;
    double low = 0, high = 1;
    for (const QString& row : effect ? effect->settingsKeys() : QStringList()) {
        const QVariantMap ui = effect->settingsUIDict().value(row).toMap();
        if (ui.value(QStringLiteral("type")).toInt() == LXEffect::Slider) {
            key = ui.value(QStringLiteral("inputName")).toString();
            low = ui.value(QStringLiteral("minValue"), 0).toDouble();
            high = ui.value(QStringLiteral("maxValue"), 1).toDouble();
            break;
        }
    }
    state.SetLabel((QString::fromLatin1(name) + QStringLiteral(" ") + key).toStdString());
    view->renderPendingBitmaps();
    QCoreApplication::processEvents(); // the opened photo's own preview, painted once
    int move = 0;
    const quint64 passes = Engine::GL::instance()->passCount(), texels = Engine::texelCount();
    for (auto _ : state) {
        if (!key.isEmpty())
            effect->setValue(low + (high - low) * (++move % 2 ? 0.4 : 0.6), key);
        else
            view->setLookEditor(&editor); // the display made anew all the same
        editor.noteEdit();
        QCoreApplication::processEvents(); // the queued comparison and the display's notice
        QCoreApplication::processEvents();
        view->renderPendingBitmaps();
        benchmark::DoNotOptimize(view->sampleBitmap());
    }
    // The work of one move, steadier than its time on a busy machine.
    const double n = double(std::max<benchmark::IterationCount>(state.iterations(), 1));
    state.counters["passes"] = double(Engine::GL::instance()->passCount() - passes) / n;
    state.counters["Mtexels"] = double(Engine::texelCount() - texels) / n / 1e6;
}
BENCHMARK(SliderToRepaint)->DenseRange(0, 6)->Unit(benchmark::kMillisecond)->UseRealTime();

// With SUNNYSIDE_GRABS=DIR: the view at ratio 1 and 2, with the sample and
// with a preview, as PNG files there, to look at.
void grabViews(const QString& folder)
{
    for (int screen : {0, 2}) {
        const auto view = viewOn(screen);
        qInfo("grab on %s at ratio %g", qPrintable(view->currentScreen().name), view->devicePixelRatioF());
        const QString name = QStringLiteral("%1/dropview-%2x").arg(folder).arg(view->devicePixelRatioF());
        view->grab().save(name + QStringLiteral("-sample.png"));
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(photo())});
        QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view.get(), &enter);
        QCoreApplication::processEvents();
        view->previewFade().animation()->setCurrentTime(PreviewFade::kDurationMs);
        view->renderPendingBitmaps();
        view->grab().save(name + QStringLiteral("-preview.png"));
        // The drag's preview against the wallpaper it stands for, scaled down to it.
        const QImage preview = view->imageView->image().toImage().convertToFormat(QImage::Format_RGB32);
        const QImage wallpaper = WallpaperMaker::renderPicture(view->processedImage())
                                     .scaled(preview.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                     .convertToFormat(QImage::Format_RGB32);
        preview.save(name + QStringLiteral("-drag.png"));
        wallpaper.save(name + QStringLiteral("-wallpaper.png"));
        double sum = 0;
        for (int y = 0; y < preview.height(); ++y)
            for (int x = 0; x < preview.width(); ++x) {
                const QRgb a = preview.pixel(x, y), b = wallpaper.pixel(x, y);
                sum += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
            }
        qInfo("drag preview %dx%d against the wallpaper scaled down: mean difference %.2f levels", preview.width(),
              preview.height(), sum / (3.0 * preview.width() * preview.height()));
    }
}

} // namespace

int main(int argc, char** argv)
{
    Log::setUp();
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toUtf8());
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" SUNNYSIDE_SOURCE_DIR "/bench/screens.json");
    QApplication app(argc, argv);
    UserDefaults::standardUserDefaults().registerDefaults({{"scaleUp", false}, {"showLogo", true}});
    if (const QString grabs = qEnvironmentVariable("SUNNYSIDE_GRABS"); !grabs.isEmpty())
        grabViews(grabs);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
