#include "ui/windows/LXChildSupportWindow.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

TEST(ChildSupportWindow, ClampsItsFrameIntoTheWindowTopLeftFirst)
{
    const QSizeF area(400, 300);
    struct Row { const char* name; QRectF frame; QPointF origin; };
    const Row rows[] = {
        {"inside: kept", {10, 20, 100, 50}, {10, 20}},
        {"hanging above the top: top edge at 0", {10, 276, 100, 50}, {10, 250}},
        {"past the right edge: moved left", {350, 20, 100, 50}, {300, 20}},
        {"below the bottom: moved up", {-20, -30, 100, 50}, {0, 0}},
        {"wider and taller than the window: top left wins", {-5, -5, 500, 400}, {0, -100}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(LXChildSupportWindow::clampedFrame(row.frame, area).topLeft(), row.origin) << row.name;
}

TEST(ChildSupportWindow, FollowsItsWindowAndGoesWithIt)
{
    auto* window = new QWidget;
    window->resize(400, 300);
    auto* inner = new QWidget(window);
    QPointer<LXChildSupportWindow> overlay = new LXChildSupportWindow;
    overlay->resize(100, 50);
    // Hangs 10 above the top, its right edge at 3/4 of the width: clamped to the top.
    overlay->setPositioner([](const QSizeF& area, const QSizeF& size) {
        return QRectF(area.width() * 0.75 - size.width(), area.height() - size.height() + 10, size.width(), size.height());
    });
    overlay->attachToWindow(inner); // its top-level window
    window->show();
    overlay->showAsKey();
    EXPECT_EQ(overlay->parentWidget(), window);
    EXPECT_EQ(overlay->geometry(), QRect(200, 0, 100, 50));
    EXPECT_EQ(window->children().last(), overlay.data()); // raised
    EXPECT_FALSE(overlay->isWindow());

    window->resize(800, 300);
    EXPECT_EQ(overlay->pos(), QPoint(500, 0));

    QSignalSpy closing(overlay.data(), &LXChildSupportWindow::parentWillClose);
    window->close();
    EXPECT_EQ(closing.count(), 1);
    delete window;
    EXPECT_TRUE(overlay.isNull());
}

TEST(ChildSupportWindow, KeyStatusEscapeAndReturn)
{
    enum class Act { FocusOutside, PressOnPlainWidget, OtherWindowActive, Escape, ReturnOnOther, FocusWhileShowing };
    struct Row { const char* name; Act act; int resigned, cancelled, defaultClicks; };
    const Row rows[] = {
        {"focus moves to the window's field", Act::FocusOutside, 1, 0, 0},
        {"press on a widget that takes no focus", Act::PressOnPlainWidget, 1, 0, 0},
        {"its window deactivates", Act::OtherWindowActive, 1, 0, 0},
        {"escape cancels and stays key", Act::Escape, 0, 1, 0},
        {"return on the other button clicks only the default one", Act::ReturnOnOther, 0, 0, 1},
        {"focus moved while showing is ignored", Act::FocusWhileShowing, 0, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QWidget window;
        window.resize(400, 300);
        auto* field = new QPushButton("Field", &window);
        auto* plain = new QLabel("Plain", &window);
        plain->setGeometry(0, 250, 100, 40);
        auto* overlay = new LXChildSupportWindow;
        auto* content = new QWidget;
        auto* other = new QPushButton("Other", content);
        auto* approve = new QPushButton("Approve", content);
        approve->setDefault(true);
        auto* box = new QVBoxLayout(content);
        box->addWidget(other);
        box->addWidget(approve);
        overlay->setContent(content);
        overlay->attachToWindow(&window);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        QSignalSpy resigned(overlay, &LXChildSupportWindow::resignedKey);
        QSignalSpy cancelled(overlay, &LXChildSupportWindow::cancelled);
        QSignalSpy clicks(approve, &QPushButton::clicked);
        QSignalSpy otherClicks(other, &QPushButton::clicked);
        // The platform's focus juggling while a window shows: in and straight out again.
        QMetaObject::Connection juggle;
        if (row.act == Act::FocusWhileShowing)
            juggle = QObject::connect(qApp, &QApplication::focusChanged, approve, [&](QWidget*, QWidget* now) {
                if (now == approve)
                    field->setFocus();
            });
        overlay->showAsKey();
        QObject::disconnect(juggle);
        EXPECT_TRUE(overlay->isKey());
        if (row.act != Act::FocusWhileShowing) {
            EXPECT_EQ(QApplication::focusWidget(), approve);
        }

        QWidget otherWindow;
        switch (row.act) {
        case Act::FocusOutside: field->setFocus(); break;
        case Act::PressOnPlainWidget: QTest::mouseClick(plain, Qt::LeftButton); break;
        case Act::OtherWindowActive:
            otherWindow.show();
            otherWindow.activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&otherWindow));
            break;
        case Act::Escape: QTest::keyClick(approve, Qt::Key_Escape); break;
        case Act::ReturnOnOther:
            other->setFocus();
            QTest::keyClick(other, Qt::Key_Return);
            break;
        case Act::FocusWhileShowing: break;
        }
        EXPECT_EQ(resigned.count(), row.resigned);
        EXPECT_EQ(overlay->isKey(), row.resigned == 0);
        EXPECT_EQ(cancelled.count(), row.cancelled);
        EXPECT_EQ(clicks.count(), row.defaultClicks);
        EXPECT_EQ(otherClicks.count(), 0);
    }
}
