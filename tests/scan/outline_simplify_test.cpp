#include "scan/outline_simplify.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "scan/trace_outlines.h"

namespace lumetch {
namespace {

using Path = std::vector<TracePixel>;

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

// Every path must keep the vertices the rule gives when each pixel since the
// last vertex is measured against the line from it to the newest pixel.
void expect_rule(const Path& trace, const char* what) {
  Path expected;
  for (std::size_t k = 1, anchor = 0; k < trace.size(); ++k) {
    for (std::size_t i = anchor + 1; i < k; ++i) {
      const TracePixel a = trace[anchor], n = trace[k], p = trace[i];
      if (PointLineDistance(a.x, a.y, n.x, n.y, p.x, p.y) > 0.8) {
        expected.push_back(trace[k - 1]);
        anchor = k - 1;
        break;
      }
    }
  }
  Path kept;
  simplify_trace(trace, kept);
  EXPECT_EQ(kept, expected) << what << ", " << trace.size() << " pixels";
}

TEST(SimplifyTrace, KeepsTheVerticesOfThePixelByPixelRule) {
  // Long digital lines at many slopes, out and back along themselves (a
  // one-pixel line traced with retries), also far from the origin.
  for (int32_t dy = -40; dy <= 40; dy += 7) {
    for (const int32_t at : {0, 5'000'000, (1 << 24) - 100}) {
      Path p;
      for (int32_t i = 0; i <= 400; ++i) p.push_back({at + i, at + (i * dy + 20) / 40});
      for (int32_t i = 399; i >= 0; --i) p.push_back(p[static_cast<std::size_t>(i)]);
      expect_rule(p, "line out and back");
      for (auto& q : p) q = {q.y, q.x};
      expect_rule(p, "steep line");
    }
  }
  // Two pixels beside the vertex at right angles split the near lines into
  // two bands; then a diagonal in either band.
  for (const int32_t sx : {1, -1}) {
    Path p{{0, 0}, {1, 0}, {0, 1}};
    for (int32_t i = 1; i < 300; ++i) p.push_back({sx * i, i});
    expect_rule(p, "split bands");
  }
  // A pixel exactly 0.8 off a long 3-4-5 chord.
  Path tie{{0, 0}, {1, 0}};
  for (int32_t i = 1; i < 40; ++i) tie.push_back({3 * i, 4 * i});
  expect_rule(tie, "tie");
  // Random walks, mostly straight on or turning often, now and then back.
  static constexpr int32_t kDx[8] = {-1, -1, 0, 1, 1, 1, 0, -1};
  static constexpr int32_t kDy[8] = {0, 1, 1, 1, 0, -1, -1, -1};
  std::mt19937 rng(7);
  for (int walk = 0; walk < 200; ++walk) {
    const uint32_t straight = walk % 3 == 0 ? 4 : 60;
    Path p{{0, 0}};
    uint32_t d = rng() % 8;
    for (int i = 0; i < 1000; ++i) {
      const auto r = static_cast<uint32_t>(rng() % straight);
      if (r == 0) d = (d + 1 + (rng() % 2) * 6) % 8;
      if (r == 1 && rng() % 4 == 0) d = (d + 4) % 8;
      p.push_back({p.back().x + kDx[d], p.back().y + kDy[d]});
    }
    expect_rule(p, "walk");
  }
}

}  // namespace
}  // namespace lumetch
