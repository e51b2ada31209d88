#include "shell/geometry.h"

#include <gtest/gtest.h>

namespace {

// Rectangles as (left, top, right, bottom) with right and bottom exclusive.
struct Edges {
    int left, top, right, bottom;
};

QRect FromEdges(Edges e)
{
    return QRect(e.left, e.top, e.right - e.left, e.bottom - e.top);
}

Edges ToEdges(const QRect &r)
{
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

bool operator==(Edges a, Edges b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::ostream &operator<<(std::ostream &os, Edges e)
{
    return os << '(' << e.left << ", " << e.top << ", " << e.right << ", " << e.bottom << ')';
}

}  // namespace

TEST(FitRect, KeepsProportionsAndCentres)
{
    struct Case { int width, height; Edges area, expected; } cases[] = {
        {720, 576, {0, 0, 320, 240}, {10, 0, 310, 240}},      // 5:4 in 4:3: bars left and right
        {1024, 576, {0, 0, 320, 240}, {0, 30, 320, 210}},     // 16:9 in 4:3: bars above and below
        {320, 240, {0, 0, 320, 240}, {0, 0, 320, 240}},       // same proportions: the whole area
        {720, 576, {100, 50, 1380, 1074}, {100, 50, 1380, 1074}},
        {720, 480, {0, 0, 1920, 1080}, {150, 0, 1770, 1080}}, // 1080 * 720 / 480 = 1620
        {720, 576, {0, 0, 101, 100}, {0, 10, 101, 90}},       // 101 * 576 / 720 = 80.8 truncates
        {3, 2, {0, 0, 100, 100}, {0, 17, 100, 83}},           // 66.6 truncates, then (100 - 66) / 2
        {720, 576, {7, 9, 7, 9}, {7, 9, 7, 9}},               // empty area stays put
        {0, 576, {0, 0, 320, 240}, {0, 0, 0, 0}},
        {720, 0, {20, 30, 320, 240}, {20, 30, 20, 30}},
        {-720, 576, {20, 30, 320, 240}, {20, 30, 20, 30}},
        // Screen-sized products pass 2^31 and must not wrap.
        {100000, 100000, {0, 0, 40000, 30000}, {5000, 0, 35000, 30000}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ToEdges(FitRect(c.width, c.height, FromEdges(c.area))), c.expected)
            << c.width << 'x' << c.height << " in " << c.area;
}

TEST(CenterControl, KeepsSizeAndTruncatesTowardZero)
{
    struct Case { Edges control, area, expected; } cases[] = {
        {{0, 0, 100, 50}, {0, 0, 300, 200}, {100, 75, 200, 125}},
        {{500, 500, 600, 550}, {10, 20, 311, 221}, {110, 95, 210, 145}},  // odd spare pixel: 201 / 2 = 100
        {{0, 0, 301, 201}, {0, 0, 300, 200}, {0, 0, 301, 201}},           // larger: -1 / 2 truncates to 0
        {{0, 0, 303, 203}, {0, 0, 300, 200}, {-1, -1, 302, 202}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ToEdges(CenterControl(FromEdges(c.control), FromEdges(c.area))), c.expected)
            << c.control << " in " << c.area;
}
