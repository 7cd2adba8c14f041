// Where an overlay layer shows at chosen times of its pass, for every motion, on a 720 x 576
// target with a 100 x 50 layer.
#include "app/captions/LayerMotion.h"

#include <gtest/gtest.h>

using namespace captions;

namespace {

constexpr int TW = 720, TH = 576;

LayerPlacement Layer(int motion, float x, float y, int speed, int stay)
{
    LayerPlacement p;
    p.motion = motion;
    p.x = x;
    p.y = y;
    p.speed = speed;
    p.stay = stay;
    p.width = 100;
    p.height = 50;
    return p;
}

struct Case {
    const char* name;
    LayerPlacement layer;
    int64_t elapsed;
    PassPhase phase;
    RECT source, target;
};

::testing::AssertionResult SameRect(const RECT& a, const RECT& b)
{
    if (EqualRect(&a, &b)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << a.left << "," << a.top << "," << a.right << "," << a.bottom
                                         << ") != (" << b.left << "," << b.top << "," << b.right << "," << b.bottom << ")";
}

} // namespace

TEST(LayerMotion, RectanglesAtChosenTimesForEveryMotion)
{
    const PassPhase V = PassPhase::Visible, O = PassPhase::Over, W = PassPhase::Waiting;
    const RECT none = {0, 0, 0, 0};
    const int64_t kSevenHours = 7LL * 3600 * 1000, kSixtyDays = 60LL * 24 * 3600 * 1000;
    const Case cases[] = {
        // static: px 72, py 115 (576 x 0.2 = 115.2)
        {"static", Layer(0, 0.1f, 0.2f, 100, 3), 0, V, {0, 0, 100, 50}, {72, 115, 172, 165}},
        {"static, last moment of its stay", Layer(0, 0.1f, 0.2f, 100, 3), 2999, V, {0, 0, 100, 50}, {72, 115, 172, 165}},
        {"static, stay over", Layer(0, 0.1f, 0.2f, 100, 3), 3000, O, none, none},
        {"static, start delay running", Layer(0, 0.1f, 0.2f, 100, 3), -1, W, none, none},
        {"static, speed 0 still waits its delay", Layer(0, 0.1f, 0.2f, 0, 3), -500, W, none, none},
        {"static, left of the target", Layer(0, -0.05f, 0.2f, 100, 0), 0, V, {36, 0, 100, 50}, {0, 115, 64, 165}},
        {"static, cut at the right", Layer(0, 0.9f, 0.2f, 100, 0), 0, V, {0, 0, 72, 50}, {648, 115, 720, 165}},
        {"static, no stay, 60 days on", Layer(0, 0.1f, 0.2f, 100, 0), kSixtyDays, V, {0, 0, 100, 50}, {72, 115, 172, 165}},
        // 1 left to right, 100 px/s: the right edge at travel
        {"1 entering", Layer(1, 0, 0.2f, 100, 0), 500, V, {50, 0, 100, 50}, {0, 115, 50, 165}},
        {"1 inside", Layer(1, 0, 0.2f, 100, 0), 4000, V, {0, 0, 100, 50}, {300, 115, 400, 165}},
        {"1 leaving", Layer(1, 0, 0.2f, 100, 0), 7800, V, {0, 0, 40, 50}, {680, 115, 720, 165}},
        {"1 gone", Layer(1, 0, 0.2f, 100, 0), 8200, O, none, none},
        {"1 not moved yet", Layer(1, 0, 0.2f, 100, 0), 5, W, none, none},
        {"1 gone after 7 hours", Layer(1, 0, 0.2f, 100, 0), kSevenHours, O, none, none},
        // 2 right to left: the left edge at 720 - travel
        {"2 entering", Layer(2, 0, 0.2f, 100, 0), 500, V, {0, 0, 50, 50}, {670, 115, 720, 165}},
        {"2 leaving", Layer(2, 0, 0.2f, 100, 0), 7800, V, {60, 0, 100, 50}, {0, 115, 40, 165}},
        // 3 top to bottom: the bottom edge at travel; px 72
        {"3 entering", Layer(3, 0.1f, 0, 100, 0), 300, V, {0, 20, 100, 50}, {72, 0, 172, 30}},
        {"3 leaving", Layer(3, 0.1f, 0, 100, 0), 6000, V, {0, 0, 100, 26}, {72, 550, 172, 576}},
        // 4 bottom to top: the top edge at 576 - travel
        {"4 entering", Layer(4, 0.1f, 0, 100, 0), 300, V, {0, 0, 100, 30}, {72, 546, 172, 576}},
        {"4 leaving", Layer(4, 0.1f, 0, 100, 0), 6000, V, {0, 24, 100, 50}, {72, 0, 172, 26}},
        // 5 left to right and back, turning with its right edge at 360, staying 2 s
        {"5 going", Layer(5, 0.5f, 0.2f, 100, 2), 1000, V, {0, 0, 100, 50}, {0, 115, 100, 165}},
        {"5 waiting at the turn", Layer(5, 0.5f, 0.2f, 100, 2), 4000, V, {0, 0, 100, 50}, {260, 115, 360, 165}},
        {"5 returning", Layer(5, 0.5f, 0.2f, 100, 2), 6600, V, {0, 0, 100, 50}, {160, 115, 260, 165}},
        {"5 nearly back", Layer(5, 0.5f, 0.2f, 100, 2), 9100, V, {90, 0, 100, 50}, {0, 115, 10, 165}},
        {"5 back out", Layer(5, 0.5f, 0.2f, 100, 2), 9200, O, none, none},
        {"5 with speed 0", Layer(5, 0.5f, 0.2f, 0, 2), 4000, W, none, none},
        // 6 right to left and back: turns with its left edge at 720 - 540
        {"6 waiting at the turn", Layer(6, 0.25f, 0.2f, 100, 1), 6000, V, {0, 0, 100, 50}, {180, 115, 280, 165}},
        {"6 with speed 0", Layer(6, 0.25f, 0.2f, 0, 1), 6000, W, none, none},
        // 7 top to bottom and back: bottom edge waits at 288
        {"7 waiting at the turn", Layer(7, 0.1f, 0.5f, 100, 1), 3000, V, {0, 0, 100, 50}, {72, 238, 172, 288}},
        {"7 with speed 0", Layer(7, 0.1f, 0.5f, 0, 1), 3000, W, none, none},
        // 8 bottom to top and back: top edge waits at 576 - 432
        {"8 waiting at the turn", Layer(8, 0.1f, 0.25f, 100, 1), 5000, V, {0, 0, 100, 50}, {72, 144, 172, 194}},
        {"8 with speed 0", Layer(8, 0.1f, 0.25f, 0, 1), 5000, W, none, none},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RECT s, t;
        EXPECT_EQ(int(PlaceLayer(c.layer, c.elapsed, TW, TH, s, t)), int(c.phase));
        EXPECT_TRUE(SameRect(s, c.source));
        EXPECT_TRUE(SameRect(t, c.target));
    }
}

TEST(LayerMotion, FractionsMadeFromPixelSizesLandOnTheirPixel)
{
    // A layer anchored at the right edge sits at 1 - width / 720; every width lands exactly.
    for (int w = 1; w < TW; ++w) EXPECT_EQ(FractionToPixels(TW, 1.0f - float(w) / float(TW)), TW - w) << w;
    EXPECT_EQ(FractionToPixels(576, 0.2f), 115);
    EXPECT_EQ(FractionToPixels(720, -0.05f), -36);
}
