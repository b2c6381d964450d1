#include "effects/LXFilterGenerator.h"
#include "platform/image/CIBuiltinFilters.h"
#include "tests/support/LogCapture.h"
#include "tests/support/Pixels.h"

#include <gtest/gtest.h>

#include <functional>
#include <tuple>

// Moves its input right by inputAmount, so an output's extent tells which
// amounts reached it; counts the inputs written to it (its wiring).
class CountingFilter : public CIFilter {
    Q_OBJECT
    Q_PROPERTY(QVariant inputImage MEMBER inputImage)
    Q_PROPERTY(QVariant inputAmount MEMBER inputAmount)
public:
    Q_INVOKABLE explicit CountingFilter(QObject* parent = nullptr) : CIFilter(parent) {}
    QVariant inputImage, inputAmount = 0.0;
    int writes = 0;
    void setValue(const QVariant& value, const QString& key) override { ++writes, CIFilter::setValue(value, key); }
    CIImage outputImage() override
    {
        return imageValue(inputImage).imageByApplyingTransform(QTransform::fromTranslate(inputAmount.toDouble(), 0));
    }
};

namespace {

const CIImage kDot = CIImage::imageWithColor(CIColor(1, 0, 0)).imageByCroppingToRect(QRectF(0, 0, 1, 1));

// A -> B -> C exported as "outputImage", A -> D (a real colour inversion)
// exported as "side"; A's image and the amounts of A and B exported.
struct Graph {
    std::shared_ptr<CIFilter> a = std::make_shared<CountingFilter>(), b = std::make_shared<CountingFilter>(),
                              c = std::make_shared<CountingFilter>(), d = CIFilter::filterWithName("CIColorInvert");
    LXFilterGenerator generator;
    std::shared_ptr<LXGroupedFilter> group = generator.filter();
    Graph()
    {
        generator.connectObject(a, kCIOutputImageKey, b, kCIInputImageKey);
        generator.connectObject(b, kCIOutputImageKey, c, kCIInputImageKey);
        generator.connectObject(a, kCIOutputImageKey, d, kCIInputImageKey);
        for (auto [filter, key, name] : {std::tuple{a, "inputImage", ""}, {a, "inputAmount", "amountA"},
                                         {b, "inputAmount", "amountB"}, {c, "outputImage", ""}, {d, "outputImage", "side"}})
            generator.exportKey(key, filter, name);
    }
    int writes(const std::shared_ptr<CIFilter>& f) const
    {
        return static_cast<CountingFilter&>(*group->filters().value(LXGroupedFilter::keyForFilter(*f))).writes;
    }
    double x(const CIFilter& g, const char* output) const { return CIFilter::imageValue(g.valueForKey(output)).extent().x(); }
};

} // namespace

TEST(GroupedFilter, ExportsLogTheirConflictsAndReportNamesSorted)
{
    Graph g;
    struct Row { const char* name; std::function<void()> act; const char* line; } rows[] = {
        {"output exported twice keeps the first", [&] { g.group->exportKey(kCIOutputImageKey, g.b, "side"); },
         "Warning: LXGroupedFilter: Mapping already exists for key outputImage."},
        {"input name taken by an output", [&] { g.group->exportKey("inputAmount", g.b, "side"); },
         "Warning: LXGroupedFilter: Key side is already exported as an output key."},
        {"output name taken by an input", [&] { g.group->exportKey(kCIOutputImageKey, g.b, "amountA"); },
         "Warning: LXGroupedFilter: Key amountA is already exported as an input key."},
        {"neither", [&] { g.group->exportKey("inputNothing", g.b); },
         "Warning: LXGroupedFilter: Cannot export inputNothing as it is neither an input nor output key."},
        {"a cycle is refused", [&] { g.group->connectObject(g.c, kCIOutputImageKey, g.a, "inputAmount"); },
         "Warning: LXGroupedFilter: Connecting outputImage of CountingFilter to inputAmount of CountingFilter would "
         "close a cycle; not connected."},
    };
    for (const Row& row : rows) {
        LogCapture log;
        row.act();
        EXPECT_EQ(log.lines(), QStringList{row.line}) << row.name;
    }
    EXPECT_EQ(g.group->description(), "<- amountA amountB inputImage -> outputImage side ");
}

TEST(GroupedFilter, PullsRewireWhatChangedAndNothingGoesStale)
{
    Graph g;
    // The writes to A, B and C count what the group set and wired.
    struct Row { const char* name; std::function<void()> act; const char* read; double x; std::vector<int> writes; } rows[] = {
        {"first read wires its branch", [&] { g.group->setValue(boxed(kDot), "inputImage"); }, "outputImage", 0, {1, 1, 1}},
        {"a read without change wires nothing", [] {}, "outputImage", 0, {1, 1, 1}},
        {"a change of B rewires C only", [&] { g.group->setValue(2.0, "amountB"); }, "outputImage", 2, {1, 2, 2}},
        {"a change of A rewires B and C", [&] { g.group->setValue(1.0, "amountA"); }, "outputImage", 3, {2, 3, 3}},
        {"two outputs over one upstream filter", [] {}, "side", 1, {2, 3, 3}},
        {"a constant connection marks its target", [&] { g.group->connectObject(5.0, g.b, "inputAmount"); }, "outputImage",
         6, {2, 4, 4}},
        {"a copy keeps constants and shares nothing", [&] {
             const auto copy = g.group->copy();
             EXPECT_EQ(g.x(*copy, "outputImage"), 6);
             copy->setValue(7.0, "amountB");
             EXPECT_EQ(g.x(*copy, "outputImage"), 8);
         }, "outputImage", 6, {2, 4, 4}},
    };
    for (const Row& row : rows) {
        row.act();
        EXPECT_EQ(g.x(*g.group, row.read), row.x) << row.name;
        EXPECT_EQ(std::vector<int>({g.writes(g.a), g.writes(g.b), g.writes(g.c)}), row.writes) << row.name;
    }
    // The real inversion's pixels: red became cyan, one to the right.
    EXPECT_THAT(Rendered(g.group->valueForKey("side").value<CIImage>(), QRect(1, 0, 1, 1)).at(1, 0),
                PixelNear(Pixel{0, 1, 1, 1}, 1e-6f));
}

#include "GroupedFilterTest.moc"
