#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/InterfaceFile.h"
#include "platform/ui/ShadowText.h"
#include "platform/ui/TargetAction.h"
#include "platform/ui/WindowEvents.h"
#include "tests/support/Files.h"
#include "tests/support/LogCapture.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

// Registered classes and an owner with outlets and actions, as the toolkit's are.
class Gauge : public QLabel {
    Q_OBJECT
    Q_PROPERTY(int level MEMBER level)
public:
    explicit Gauge(QWidget* parent) : QLabel(parent) {}
    int level = 0;
    Q_INVOKABLE void awakeFromNib() { setText(QStringLiteral("awake at %1").arg(level)); }
};

class Linker : public QObject {
    Q_OBJECT
    Q_PROPERTY(QLabel* label MEMBER label)
    Q_PROPERTY(QString mode MEMBER mode)
public:
    explicit Linker(QObject* parent = nullptr) : QObject(parent) {}
    QLabel* label = nullptr;
    QString mode;
};

class Owner : public QObject {
    Q_OBJECT
    Q_PROPERTY(Gauge* gauge MEMBER gauge)
    Q_PROPERTY(QPushButton* okButton MEMBER okButton)
public:
    Gauge* gauge = nullptr;
    QPushButton* okButton = nullptr;
    QStringList calls;
public slots:
    void confirm(QObject* sender) { calls << "confirm from " + sender->objectName(); }
    void awakeFromNib() { calls << "awake, gauge says " + (gauge ? gauge->text() : "nothing"); }
};

TEST(InterfaceFile, MakesRegisteredClassesConnectsOutletsAndActionsThenAwakes)
{
    InterfaceFile::registerClass<Gauge>("Gauge");
    InterfaceFile::registerClass("Linker", [](QWidget*) -> QObject* { return new Linker; });
    QTemporaryDir dir;
    const QString path = writeInterfaceFile(dir.filePath("Panel.ui"), R"(
      <widget class="QWidget" name="panel"><layout class="QVBoxLayout" name="box">
        <item><widget class="Gauge" name="gauge"><property name="level"><number>7</number></property></widget></item>
        <item><widget class="QPushButton" name="okButton"><property name="text"><string>OK</string></property>
          <property name="action" stdset="0"><string>confirm</string></property></widget></item>
        <item><widget class="Linker" name="linker"><property name="mode" stdset="0"><string>fast</string></property>
          <property name="outlet.label" stdset="0"><string>gauge</string></property></widget></item>
        <item><widget class="QFancyDial" name="dial"/></item>
      </layout></widget>)");
    Owner owner;
    LogCapture log;
    const InterfaceFile::Result loaded = InterfaceFile::loadFile(path, &owner);
    ASSERT_NE(loaded.root, nullptr);
    std::unique_ptr<QWidget> root(loaded.root);
    EXPECT_EQ(log.lines(), QStringList{"Warning: interface file Panel.ui names the unknown class QFancyDial; "
                                       "a plain widget stands in"});
    ASSERT_NE(owner.gauge, nullptr);
    EXPECT_EQ(owner.gauge->text(), "awake at 7");
    EXPECT_EQ(owner.calls, QStringList{"awake, gauge says awake at 7"}); // the owner awakes last
    auto* linker = root->findChild<Linker*>("linker");
    ASSERT_NE(linker, nullptr);
    EXPECT_EQ(linker->mode, "fast");
    EXPECT_EQ(linker->label, owner.gauge);
    root->show();
    QTest::mouseClick(owner.okButton, Qt::LeftButton);
    EXPECT_EQ(owner.calls.last(), "confirm from okButton");
    EXPECT_TRUE(TargetAction(&owner, "confirm").respondsToAction());
    EXPECT_FALSE(TargetAction(&owner, "reject").send());
}

TEST(InterfaceFile, MissingFilesAreQuietAndBrokenOnesWarn)
{
    QTemporaryDir dir;
    LogCapture log;
    EXPECT_EQ(InterfaceFile::loadFile(dir.filePath("None.ui"), nullptr).root, nullptr);
    EXPECT_TRUE(log.lines().isEmpty());
    const QString broken = writeInterfaceFile(dir.filePath("Broken.ui"), "<widget class=");
    EXPECT_EQ(InterfaceFile::loadFile(broken, nullptr).root, nullptr);
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines().first().startsWith("Warning: interface file " + broken + " cannot be read"));
}

TEST(WindowEvents, AForcedClosePassesARefusingDelegateAndIsAnnounced)
{
    QWidget window;
    window.show();
    int announced = 0;
    NotificationCenter::defaultCenter().addObserver(&announced, kWindowWillCloseNotification, &window,
                                                    [&](const Notification&) { ++announced; });
    setWindowShouldClose(&window, [](QWidget*) { return false; });
    forceCloseWindow(&window);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(announced, 1);
    NotificationCenter::defaultCenter().removeObserver(&announced);
}

TEST(ShadowText, TheShadowFallsDownAndRightOfTheText)
{
    QImage canvas(60, 40, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        QFont font = painter.font();
        font.setPixelSize(30);
        painter.setFont(font);
        painter.setPen(Qt::white); // only the shadow shows on white
        drawTextWithShadow(painter, QRectF(0, 0, 60, 40), Qt::AlignCenter, "I",
                           Shadow{Qt::black, QSizeF(12, -8), 0});
    }
    QPoint first(-1, -1); // the leftmost dark pixel, the topmost in its column
    for (int x = 0; x < canvas.width() && first.x() < 0; ++x)
        for (int y = 0; y < canvas.height() && first.x() < 0; ++y)
            if (qGray(canvas.pixel(x, y)) < 128)
                first = QPoint(x, y);
    EXPECT_GT(first.x(), 30); // right of the centred "I"
    EXPECT_GT(first.y(), 8); // lower than the text's top
}

#include "InterfaceFileTest.moc"
