#include "platform/ui/Picture.h"
#include "tests/support/Files.h"
#include "tests/support/Images.h"
#include "tests/support/LogCapture.h"

#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(Picture, VectorArtworkRendersAtAnySize)
{
    QTemporaryDir dir;
    const Picture picture = Picture::fromFile(writeFile(dir.filePath("sun.svg"), R"(<svg xmlns="http://www.w3.org/2000/svg" width="10" height="10">)"
              R"(<rect x="0" y="0" width="5" height="10" fill="#0000ff"/></svg>)"));
    ASSERT_TRUE(picture.isVector());
    EXPECT_EQ(picture.size(), QSizeF(10, 10));
    const QImage big = picture.toImage(QSize(100, 100));
    EXPECT_EQ(big.size(), QSize(100, 100));
    EXPECT_EQ(big.pixelColor(20, 50), QColor(Qt::blue));
    EXPECT_EQ(big.pixelColor(80, 50).alpha(), 0);
}

TEST(Picture, DrawsASourcePartIntoATarget)
{
    QImage halves = filled(20, 10, Qt::red);
    QPainter(&halves).fillRect(10, 0, 10, 10, Qt::green);
    const Picture picture(halves);
    QImage canvas = filled(10, 10, Qt::black);
    QPainter painter(&canvas);
    picture.draw(painter, QRectF(0, 0, 10, 10), QRectF(10, 0, 10, 10));
    EXPECT_EQ(canvas.pixelColor(5, 5), QColor(Qt::green));
    picture.draw(painter, QRectF(0, 0, 10, 10), QRectF(0, 0, 10, 10), 0.5);
    painter.end();
    EXPECT_NEAR(canvas.pixelColor(5, 5).red(), 128, 2);
}

TEST(Picture, UnreadableFilesGiveNilWithAWarning)
{
    QTemporaryDir dir;
    const QString text = writeFile(dir.filePath("notes.jpg"), "this is not a picture");
    // A PNG header that claims 100000 x 100000 pixels: refused, not allocated.
    const QString huge = writeFile(dir.filePath("huge.png"),
                                   QByteArray::fromHex("89504e470d0a1a0a" "0000000d49484452000186a0000186a00806000000a8520bc8")
                                       + QByteArray(64, '\0'));

    for (const QString& path : {text, huge, dir.filePath("missing.png"), dir.filePath("bad.svg")}) {
        LogCapture log;
        EXPECT_TRUE(Picture::fromFile(path).isNull()) << path.toStdString();
        // Qt's image readers may add lines of their own; ours is the one "Warning: ".
        const QStringList ours = log.lines().filter(QRegularExpression("^(Warning|Error): "));
        ASSERT_EQ(ours.size(), 1);
        EXPECT_TRUE(ours[0].startsWith("Warning: cannot read the picture " + path));
    }
    EXPECT_TRUE(Picture(QImage()).isNull());
    EXPECT_TRUE(Picture().toImage().isNull());
}
