// The graph box both windows use: drawing and mouse positions in the box's
// user units, whatever the pixel size.
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "platform/graph_box_base.h"

namespace quble {
namespace {

TEST(GraphBoxBase, UserScaleMapsDrawingAndMouseBothWays) {
    // The simulator's box: 663 units across 720 pixels, height in proportion.
    GraphBoxBase box(nullptr, QSize(720, 400), {663.0, true});
    box.show();
    EXPECT_DOUBLE_EQ(box.ScaleWidth(), 663.0);
    EXPECT_DOUBLE_EQ(box.ScaleHeight(), 663.0 * 400 / 720);
    EXPECT_EQ(box.ToPixels(663.0, box.ScaleHeight()), QPoint(720, 400));

    // A filled box over the right half of the units fills the right half of
    // the pixels.
    box.Draw([](DrawingSurface& dc) {
        EXPECT_DOUBLE_EQ(dc.ScaleWidth(), 663.0);
        dc.Clear(0x00FFFFFF);
        dc.Box(331.5, 0, 663, dc.ScaleHeight(), 0x000000FF, true);
    });
    EXPECT_EQ(box.picture().pixel(700, 200) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(box.picture().pixel(300, 200) & 0xFFFFFF, 0xFFFFFFu);
    box.ClearPicture(0x00FF0000);
    EXPECT_EQ(box.picture().pixel(10, 10) & 0xFFFFFF, 0x0000FFu);

    QSignalSpy down(&box, &GraphBoxBase::mouseDown);
    QSignalSpy dbl(&box, &GraphBoxBase::doubleClicked);
    int moves = 0;
    box.onMouseMove = [&moves] { ++moves; };
    QTest::mousePress(&box, Qt::RightButton, Qt::ShiftModifier, QPoint(360, 200));
    ASSERT_EQ(down.count(), 1);
    EXPECT_EQ(down[0][0].toInt(), 2);
    EXPECT_EQ(down[0][1].toInt(), 1);
    EXPECT_NEAR(down[0][2].toDouble(), 331.5, 1e-9);
    EXPECT_NEAR(box.lastY(), box.ScaleHeight() / 2, 1e-9);
    QTest::mouseMove(&box, QPoint(72, 40));
    EXPECT_GE(moves, 1);
    EXPECT_NEAR(box.lastX(), 66.3, 1e-9);
    QTest::mouseDClick(&box, Qt::LeftButton, {}, QPoint(720, 0));
    EXPECT_EQ(dbl.count(), 1);
    EXPECT_NEAR(box.lastX(), 663.0, 1e-9);
}

TEST(GraphBoxBase, WithoutAScaleTheUnitsArePixels) {
    GraphBoxBase box(nullptr, QSize(720, 400), {});
    EXPECT_DOUBLE_EQ(box.ScaleWidth(), 720.0);
    EXPECT_DOUBLE_EQ(box.ScaleHeight(), 400.0);
    EXPECT_EQ(box.ToPixels(123, 45), QPoint(123, 45));
}

}  // namespace
}  // namespace quble
