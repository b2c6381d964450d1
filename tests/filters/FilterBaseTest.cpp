#include "filters/LXArtisticExtend.h"
#include "filters/LXFilterConstructor.h"
#include "platform/image/CIGeometry.h"
#include "tests/support/Files.h"
#include "tests/support/LogCapture.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

// Filters whose kernel texts the tests write.
class LXOneKernelTest : public LXFilter {
    Q_OBJECT
public:
    Q_INVOKABLE explicit LXOneKernelTest(QObject* parent = nullptr) : LXFilter(parent) {}
};
class LXThreeKernelsTest : public LXFilter {
    Q_OBJECT
public:
    Q_INVOKABLE explicit LXThreeKernelsTest(QObject* parent = nullptr) : LXFilter(parent) {}
};
class LXLateKernelTest : public LXFilter {
    Q_OBJECT
public:
    Q_INVOKABLE explicit LXLateKernelTest(QObject* parent = nullptr) : LXFilter(parent) {}
};

namespace {

QByteArray routine(const char* name)
{
    return QByteArray("kernel vec4 ") + name + "(sampler s) { return sample(s, samplerCoord(s)); }\n";
}

class KernelFiles : public ::testing::Test {
protected:
    void put(const QString& className, const QByteArray& text)
    {
        writeFile(dir.filePath(className + ".cikernel"), text);
        LXFilter::setBundleForClass(className, dir.path());
    }
    QTemporaryDir dir;
};

} // namespace

TEST_F(KernelFiles, OneRoutineIsTheKernelWhateverNameIsAskedFor)
{
    put("LXOneKernelTest", routine("only"));
    LXOneKernelTest filter;
    LogCapture log;
    const CIKernelPtr kernel = filter.kernel();
    ASSERT_TRUE(kernel);
    EXPECT_EQ(kernel->name(), "only");
    EXPECT_TRUE(log.lines().isEmpty());
    EXPECT_EQ(filter.kernelWithName("other"), kernel);
    EXPECT_EQ(log.lines(), QStringList{"Warning: requesting named Kernel 'other' even thought 'LXOneKernelTest' has only one Kernel"});
    // Compiled once per class: a second instance shares the routine.
    EXPECT_EQ(LXOneKernelTest().kernel(), kernel);
}

TEST_F(KernelFiles, SeveralRoutinesAreFoundByName)
{
    put("LXThreeKernelsTest", routine("red") + routine("green") + routine("blue")
                                  + "kernel vec4 broken(sampler s) { return nonsense(s); }\n");
    LXThreeKernelsTest filter;
    LogCapture log;
    EXPECT_EQ(filter.kernelWithName("green")->name(), "green");
    EXPECT_EQ(filter.kernelWithName("blue")->name(), "blue");
    EXPECT_TRUE(log.lines().filter("Warning").isEmpty());
    // The routine that does not compile was reported and left out.
    EXPECT_EQ(LXFilter::kernelsOfClass("LXThreeKernelsTest").size(), 3);
    log.clear();
    EXPECT_FALSE(filter.kernelWithName("nope"));
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines()[0].startsWith("Warning: Filter 'LXThreeKernelsTest' has no Kernel named 'nope':\n"));
    EXPECT_TRUE(log.lines()[0].contains("green"));
    log.clear();
    const CIKernelPtr any = filter.kernel();
    ASSERT_TRUE(any);
    EXPECT_TRUE(QStringList({"red", "green", "blue"}).contains(any->name()));
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines()[0].startsWith("Warning: requesting single Kernel, even though the filter "
                                          "'LXThreeKernelsTest has multiple kernel in a Dictionary ("));
}

TEST_F(KernelFiles, AClassWithoutKernelTextLooksAgainEachTime)
{
    LXFilter::setBundleForClass("LXLateKernelTest", dir.path());
    LXLateKernelTest first;
    LogCapture log;
    EXPECT_FALSE(first.kernel());
    EXPECT_TRUE(log.lines().isEmpty());
    put("LXLateKernelTest", routine("late"));
    EXPECT_TRUE(LXLateKernelTest().kernel());
}

TEST(FilterBase, RectanglesInArrayFormKeepInfinityAndLargeOrigins)
{
    struct Row { const char* name; QRectF rect; QVariantList array; } rows[] = {
        {"origin truncated, size as float", QRectF(10.7, -3.2, 100.5, 50.25), {10, -3, 100.5f, 50.25f}},
        {"beyond int", QRectF(3e9, 0.5, 10, 10), {3e9, 0, 10.0f, 10.0f}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(LXFilter::arrayForRect(row.rect), row.array) << row.name;
    // A clamp's extent: converting it to int would be undefined.
    const QVariantList array = LXFilter::arrayForRect(CIGeometry::infiniteRect());
    EXPECT_TRUE(CIGeometry::isInfinite(QRectF(array[0].toDouble(), array[1].toDouble(), array[2].toDouble(), array[3].toDouble())));
    EXPECT_EQ(LXFilter::vectorForRect(QRectF(10.7, -3.2, 100.5, 50.25)), CIVector(10.7, -3.2, 100.5, 50.25));
}

TEST(FilterBase, CopiesCarryTheRegisteredKeys)
{
    LXArtisticExtend extend;
    extend.rotate = true;
    extend.motionBlur = false;
    const auto twin = extend.copy();
    ASSERT_TRUE(twin);
    EXPECT_EQ(twin->valueForKey("rotate"), QVariant(true));
    EXPECT_EQ(twin->valueForKey("motionBlur"), QVariant(false));
    EXPECT_EQ(twin->metaObject(), extend.metaObject());
}

TEST(FilterConstructor, CreatesFiltersByClassAndListName)
{
    LXFilterConstructor::registerFilterInDescription(
        {{"CIPlugInFilterList", QVariantMap{{"ArtisticExtension", QVariantMap{{"CIFilterClass", "LXArtisticExtend"}}}}}});
    const auto byList = CIFilter::filterWithName("ArtisticExtension");
    const auto byClass = CIFilter::filterWithName("LXArtisticExtend");
    EXPECT_TRUE(dynamic_cast<LXArtisticExtend*>(byList.get()));
    EXPECT_TRUE(dynamic_cast<LXArtisticExtend*>(byClass.get()));
}

#include "FilterBaseTest.moc"
