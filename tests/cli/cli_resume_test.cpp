// A job stopped by a signal while the marker took nothing, resumed from the
// command line: together the two streams mark what one whole job marks.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "marker/marker_sim.h"
#include "support/cli_process.h"
#include "support/fifo_port.h"

namespace lumetch {
namespace {

namespace fs = std::filesystem;
using Cli = test::CliProcess;
using Segment = std::tuple<int32_t, int32_t, int32_t, int32_t>;

std::vector<Segment> marked(const std::string& stream) {
  MarkerSim sim;
  sim.receive(stream);
  std::vector<Segment> out;
  for (const MarkerSim::Stroke& s : sim.strokes()) {
    for (std::size_t i = 1; i < s.points.size(); ++i) {
      out.emplace_back(s.points[i - 1].x, s.points[i - 1].y, s.points[i].x, s.points[i].y);
    }
  }
  return out;
}

// 150 × 150 squares, hatched.
const std::string kSquares =
    "2,150,150,  0.100,  0.100,  0.000,  0.000,  0.200,  0.200,  0.000,0,2,  0.050,0,0,0,0,"
    "  0.200,  0.200,  0.000,0,0.00\n";

TEST(CliResume, AStoppedJobGoesOnWhereItStoppedOnceAndOnlyForTheSameLayout) {
  test::TempDir dir;
  dir.write("a.mrk", kSquares);
  const test::CliRun whole = test::cli(dir, {"mark", "a.mrk", "--yes", "--port", "file:whole"});
  ASSERT_EQ(whole.code, 0) << whole.err;
  EXPECT_FALSE(fs::exists(dir.file("a.mrk.resume")));

  std::string first;
  {
    test::FifoPort port(dir.file("port"));
    Cli run(dir, {"mark", "a.mrk", "--yes", "--port", "port"});
    ASSERT_TRUE(port.fill_up());
    run.signal(SIGINT);
    ASSERT_TRUE(run.handled(SIGINT));
    // The marker takes what was queued, then the job's raised pen.
    port.drain_until_end(run);
    EXPECT_EQ(run.wait(), 1) << run.err();
    first = port.got();
    EXPECT_NE(run.out().find("mark --resume a.mrk"), std::string::npos) << run.out();
  }
  ASSERT_TRUE(fs::exists(dir.file("a.mrk.resume")));

  // A changed layout would mark other strokes: refused, nothing sent.
  dir.write("a.mrk", kSquares + kSquares);
  test::CliRun refused = test::cli(dir, {"mark", "--resume", "a.mrk", "--yes", "--port", "file:x"});
  EXPECT_EQ(refused.code, 4);
  EXPECT_NE(refused.err.find("changed since the job stopped"), std::string::npos) << refused.err;
  EXPECT_FALSE(fs::exists(dir.file("x")));
  dir.write("a.mrk", kSquares);

  const test::CliRun rest =
      test::cli(dir, {"mark", "--resume", "a.mrk", "--yes", "--port", "file:rest"});
  ASSERT_EQ(rest.code, 0) << rest.err;
  EXPECT_FALSE(fs::exists(dir.file("a.mrk.resume")));
  const std::vector<Segment> all = marked(dir.read("whole"));
  ASSERT_GT(all.size(), 10000u);
  const std::vector<Segment> parts = marked(first + dir.read("rest"));
  EXPECT_EQ(parts, all);

  // Done: there is nothing left to resume.
  refused = test::cli(dir, {"mark", "--resume", "a.mrk", "--yes", "--port", "file:y"});
  EXPECT_EQ(refused.code, 4);
  EXPECT_NE(refused.err.find("no stopped job"), std::string::npos) << refused.err;
}

}  // namespace
}  // namespace lumetch
