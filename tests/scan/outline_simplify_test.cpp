#include "scan/outline_simplify.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

#include "scan/trace_outlines.h"

namespace lumetch {
namespace {

using Path = std::vector<TracePixel>;

// The rule measured pixel by pixel: every pixel since the last vertex
// against the line from it to the newest pixel.
Path reference(const Path& trace) {
  Path kept;
  std::size_t anchor = 0;
  for (std::size_t k = 1; k < trace.size(); ++k) {
    for (std::size_t i = anchor + 1; i < k; ++i) {
      if (PointLineDistance(trace[anchor].x, trace[anchor].y, trace[k].x, trace[k].y, trace[i].x,
                            trace[i].y) > 0.8) {
        kept.push_back(trace[k - 1]);
        anchor = k - 1;
        break;
      }
    }
  }
  return kept;
}

// A digital straight line from (x0, y0) with `n` steps of slope dy/dx.
Path line(int32_t x0, int32_t y0, int32_t dx, int32_t dy, int32_t n) {
  Path p;
  const int32_t steps = std::max(std::abs(dx), std::abs(dy));
  for (int32_t i = 0; i <= n; ++i) {
    p.push_back({x0 + static_cast<int32_t>(std::lround(double(i) * dx / steps)),
                 y0 + static_cast<int32_t>(std::lround(double(i) * dy / steps))});
  }
  return p;
}

void expect_same(const Path& trace, const char* what) {
  Path kept;
  simplify_trace(trace, kept);
  EXPECT_EQ(kept, reference(trace)) << what << ", " << trace.size() << " pixels";
}

TEST(SimplifyTrace, LongRunsAgreeWithTheRuleMeasuredPixelByPixel) {
  // Straight lines at many slopes, out and back along themselves (a
  // one-pixel line traced with retries), and far from the origin.
  for (int32_t dy = -40; dy <= 40; dy += 3) {
    for (const int32_t offset : {0, 5'000'000, (1 << 24) - 100}) {
      Path p = line(offset, offset, 40, dy, 600);
      Path back(p.rbegin(), p.rend());
      p.insert(p.end(), back.begin() + 1, back.end());
      expect_same(p, "line out and back");
      expect_same(line(offset, 7, dy, 40, 600), "steep line");
    }
  }
  // Two pixels beside the vertex at right angles, then a diagonal: the
  // lines near both lie in two separate bands of directions.
  Path split{{0, 0}, {1, 0}, {0, 1}};
  for (int32_t i = 1; i < 400; ++i) split.push_back({i, i});
  expect_same(split, "split directions");
  Path split2{{0, 0}, {1, 0}, {0, 1}};
  for (int32_t i = 1; i < 400; ++i) split2.push_back({-i, i});
  expect_same(split2, "split directions, other band");
  // A pixel exactly 0.8 off a long chord (3-4-5): decided by the formula.
  Path tie{{0, 0}, {1, 0}};
  for (int32_t i = 1; i < 40; ++i) tie.push_back({3 * i, 4 * i});
  expect_same(tie, "tie");
}

TEST(SimplifyTrace, RandomWalksAgreeWithTheRuleMeasuredPixelByPixel) {
  static constexpr int32_t kDx[8] = {-1, -1, 0, 1, 1, 1, 0, -1};
  static constexpr int32_t kDy[8] = {0, 1, 1, 1, 0, -1, -1, -1};
  std::mt19937 rng(7);
  for (int walk = 0; walk < 300; ++walk) {
    // Mostly straight on, sometimes a turn, now and then back.
    const auto straightness = static_cast<uint32_t>(walk % 3 == 0 ? 4 : 60);
    Path p{{0, 0}};
    int d = static_cast<int>(rng() % 8);
    for (int i = 0; i < 1500; ++i) {
      const auto r = static_cast<uint32_t>(rng() % straightness);
      if (r == 0) d = (d + 1 + static_cast<int>(rng() % 2) * 6) % 8;
      if (r == 1 && rng() % 4 == 0) d = (d + 4) % 8;
      p.push_back({p.back().x + kDx[d], p.back().y + kDy[d]});
    }
    expect_same(p, "walk");
  }
}

TEST(PointLineDistance, VerticalAndSlopedLines) {
  struct Row {
    double x1, y1, x2, y2, px, py, expected;
  };
  for (const Row& r :
       {Row{3, 0, 3, 9, 7.5, 100, 4.5}, Row{3, 9, 3, 0, -1, 2, 4}, Row{0, 0, 4, 3, 0, 5, 4},
        Row{4, 3, 0, 0, 0, 5, 4}, Row{0, 2, 5, 2, 3, 7, 5}, Row{1, 1, 2, 2, 5, 5, 0}}) {
    EXPECT_NEAR(PointLineDistance(r.x1, r.y1, r.x2, r.y2, r.px, r.py), r.expected, 1e-12)
        << r.x1 << ',' << r.y1 << " - " << r.x2 << ',' << r.y2;
  }
}

}  // namespace
}  // namespace lumetch
