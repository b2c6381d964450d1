#include "filters/LXArtisticExtend.h"
#include "filters/LXFilterConstructor.h"
#include "platform/image/CIGeometry.h"
#include "tests/support/LogCapture.h"

#include <QFile>
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
        QFile f(dir.filePath(className + ".cikernel"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        f.close();
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
    {
        LogCapture log;
        EXPECT_EQ(filter.kernelWithName("green")->name(), "green");
        EXPECT_EQ(filter.kernelWithName("blue")->name(), "blue");
        EXPECT_TRUE(log.lines().filter("Warning").isEmpty());
        // The routine that does not compile was reported and left out.
        EXPECT_EQ(LXFilter::kernelsOfClass("LXThreeKernelsTest").size(), 3);
    }
    {
        LogCapture log;
        EXPECT_FALSE(filter.kernelWithName("nope"));
        ASSERT_EQ(log.lines().size(), 1);
        EXPECT_TRUE(log.lines()[0].startsWith("Warning: Filter 'LXThreeKernelsTest' has no Kernel named 'nope':\n"));
        EXPECT_TRUE(log.lines()[0].contains("green"));
    }
    {
        LogCapture log;
        const CIKernelPtr any = filter.kernel();
        ASSERT_TRUE(any);
        EXPECT_TRUE(QStringList({"red", "green", "blue"}).contains(any->name()));
        ASSERT_EQ(log.lines().size(), 1);
        EXPECT_TRUE(log.lines()[0].startsWith("Warning: requesting single Kernel, even though the filter "
                                              "'LXThreeKernelsTest has multiple kernel in a Dictionary ("));
    }
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

TEST(FilterBase, RectangleForms)
{
    const QVariantList array = LXFilter::arrayForRect(QRectF(10.7, -3.2, 100.5, 50.25));
    ASSERT_EQ(array.size(), 4);
    EXPECT_EQ(array[0], QVariant(10));
    EXPECT_EQ(array[1], QVariant(-3));
    EXPECT_EQ(array[2], QVariant(100.5f));
    EXPECT_EQ(array[3], QVariant(50.25f));
    const CIVector v = LXFilter::vectorForRect(QRectF(10.7, -3.2, 100.5, 50.25));
    EXPECT_EQ(v.X(), 10.7);
    EXPECT_EQ(v.W(), 50.25);
}

TEST(FilterBase, KeysCopiesAndRegistrationThroughTheBase)
{
    LXArtisticExtend extend;
    EXPECT_EQ(extend.outputKeys(), QStringList{"outputImage"});
    extend.rotate = true;
    extend.motionBlur = false;
    const auto twin = extend.copy();
    ASSERT_TRUE(twin);
    EXPECT_EQ(twin->valueForKey("rotate"), QVariant(true));
    EXPECT_EQ(twin->valueForKey("motionBlur"), QVariant(false));
    EXPECT_EQ(twin->metaObject(), extend.metaObject());

    LogCapture log;
    LXFilter::registerForCopying(LXFilter::staticMetaObject, {"x"});
    LXFilter::registerInputKeys(LXFilter::staticMetaObject, {"y"});
    EXPECT_EQ(log.lines(), QStringList(2, "Warning: cannot determing class, please use [self registerForCopying:]"));
    EXPECT_EQ(LXFilter::copyKeysForClass("LXFilter"), QStringList{"x"});
}

TEST(FilterConstructor, CreatesFiltersByClassAndListName)
{
    LXFilterConstructor::registerFilterInDescription(
        {{"CIPlugInFilterList", QVariantMap{{"ArtisticExtension", QVariantMap{{"CIFilterClass", "LXArtisticExtend"}}}}}});
    const auto byList = CIFilter::filterWithName("ArtisticExtension");
    const auto byClass = CIFilter::filterWithName("LXArtisticExtend");
    ASSERT_TRUE(byList);
    ASSERT_TRUE(byClass);
    EXPECT_TRUE(dynamic_cast<LXArtisticExtend*>(byList.get()));
    EXPECT_TRUE(dynamic_cast<LXArtisticExtend*>(byClass.get()));
    EXPECT_FALSE(CIFilter::filterWithName("NoSuchFilter"));
    EXPECT_EQ(LXFilterConstructor::sharedFilterConstructor().descriptionForClassName("LXArtisticExtend").value("CIFilterClass"),
              QVariant("LXArtisticExtend"));
}

TEST(FilterBase, InfiniteRectanglesStayInfiniteInArrayForm)
{
    // A clamp's extent: converting it to int would be undefined.
    const QRectF infinite = CIGeometry::infiniteRect();
    const QVariantList array = LXFilter::arrayForRect(infinite);
    ASSERT_EQ(array.size(), 4);
    const QRectF back(array[0].toDouble(), array[1].toDouble(), array[2].toDouble(), array[3].toDouble());
    EXPECT_TRUE(CIGeometry::isInfinite(back));
    EXPECT_EQ(LXFilter::arrayForRect(QRectF(3e9, 0.5, 10, 10))[0].toDouble(), 3e9);
}

#include "FilterBaseTest.moc"
