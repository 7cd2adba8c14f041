#include "app/captions/LayerMotion.h"

#include <algorithm>
#include <cmath>

namespace captions {
namespace {

using std::max;
using std::min;

RECT MakeRect(int64_t l, int64_t t, int64_t r, int64_t b)
{
    auto c = [](int64_t v) { return LONG(max<int64_t>(-0x40000000LL, min<int64_t>(v, 0x40000000LL))); };
    RECT rc = {c(l), c(t), c(r), c(b)};
    return rc;
}

void Linear(int motion, int64_t t, int64_t W, int64_t H, int64_t TW, int64_t TH, int64_t px, int64_t py, RECT& s,
            RECT& d)
{
    switch (motion) {
    case kMotionLeftToRight: { // right edge at t
        const int64_t sb = min(H, TH - py);
        s = MakeRect(max<int64_t>(0, W - t), 0, min(W, max<int64_t>(0, W + TW - t)), sb);
        d = MakeRect(min(max<int64_t>(0, t - W), TW), py, min(t, TW), py + sb);
        break;
    }
    case kMotionRightToLeft: { // left edge at TW - t
        const int64_t sb = min(H, TH - py);
        s = MakeRect(min(max<int64_t>(0, t - TW), W), 0, min(t, W), sb);
        d = MakeRect(max<int64_t>(0, TW - t), py, min(TW, max<int64_t>(0, W + TW - t)), py + sb);
        break;
    }
    case kMotionTopToBottom: // bottom edge at t
        s = MakeRect(0, max<int64_t>(0, H - t), min(W, TW - px), min(H, H + TH - t));
        d = MakeRect(px, max<int64_t>(0, t - H), min(px + W, TW), min(t, TH));
        break;
    default: // bottom to top: top edge at TH - t
        s = MakeRect(0, min(max<int64_t>(0, t - TH), H), min(W, TW - px), min(t, H));
        d = MakeRect(px, t < TH ? TH - t : 0, min(px + W, TW), min(TH + H - t, TH));
        break;
    }
}

bool Positive(const RECT& r) { return r.right > r.left && r.bottom > r.top; }

} // namespace

int64_t FractionToPixels(int size, float fraction)
{
    const double v = double(size) * double(fraction);
    return int64_t(std::trunc(v + (v >= 0 ? 1e-3 : -1e-3)));
}

PassPhase PlaceLayer(const LayerPlacement& p, int64_t elapsed, int targetWidth, int targetHeight, RECT& source,
                     RECT& target)
{
    SetRectEmpty(&source);
    SetRectEmpty(&target);
    // The start delay is judged by time, not distance: a layer with speed 0 still waits.
    if (elapsed < 0) return PassPhase::Waiting;
    const int64_t W = p.width, H = p.height, TW = targetWidth, TH = targetHeight;
    const int64_t px = FractionToPixels(targetWidth, p.x), py = FractionToPixels(targetHeight, p.y);

    if (p.motion == kMotionStatic || p.motion < 0 || p.motion > kMotionBottomTopBack) {
        if (p.stay > 0 && elapsed / 1000 >= p.stay) return PassPhase::Over;
        RECT s = MakeRect(max<int64_t>(0, -px), max<int64_t>(0, -py), min(W, TW - px), min(H, TH - py));
        RECT d = MakeRect(max<int64_t>(px, 0), max<int64_t>(py, 0), 0, 0);
        d.right = d.left + (s.right - s.left);
        d.bottom = d.top + (s.bottom - s.top);
        if (!Positive(s) || !Positive(d)) return PassPhase::Over;
        source = s;
        target = d;
        return PassPhase::Visible;
    }

    // A moving layer without speed never moves: it is not drawn and never ends (and the
    // turning-point times below would divide by zero).
    if (p.speed <= 0) return PassPhase::Waiting;
    int64_t travel = int64_t(p.speed) * elapsed / 1000;
    if (travel == 0) return PassPhase::Waiting;

    int linear = p.motion;
    if (p.motion >= kMotionLeftRightBack) {
        int64_t turn;
        switch (p.motion) {
        case kMotionLeftRightBack: turn = FractionToPixels(targetWidth, p.x); linear = kMotionLeftToRight; break;
        case kMotionRightLeftBack: turn = FractionToPixels(targetWidth, 1.0f - p.x); linear = kMotionRightToLeft; break;
        case kMotionTopBottomBack: turn = FractionToPixels(targetHeight, p.y); linear = kMotionTopToBottom; break;
        default: turn = FractionToPixels(targetHeight, 1.0f - p.y); linear = kMotionBottomToTop; break;
        }
        const int64_t arrive = turn * 1000 / p.speed;
        const int64_t leave = arrive + int64_t(p.stay) * 1000;
        if (elapsed > leave)
            travel = travel - int64_t(p.stay) * p.speed - (elapsed - leave) * p.speed * 2 / 1000;
        else if (elapsed > arrive)
            travel = turn;
    }
    RECT s, d;
    Linear(linear, travel, W, H, TW, TH, px, py, s, d);
    if (!Positive(s) || !Positive(d)) return PassPhase::Over;
    source = s;
    target = d;
    return PassPhase::Visible;
}

} // namespace captions
