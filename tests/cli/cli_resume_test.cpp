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

// The data source from the command line, and a job that takes its rows.
TEST(CliData, SetsAndPrintsTheSourceAndJobsTakeTheRowsInTurn) {
  test::TempDir dir;
  dir.write("lots.csv", "lot,qty\nA1,1\nB2,2\n");
  test::CliRun added =
      test::cli(dir, {"add-code", "a.mrk", "--symbology", "qr", "--data", "{csv:lot}"});
  ASSERT_EQ(added.code, 0) << added.err;
  // The code's data becomes a template through the layout's variable line.
  std::string layout = dir.read("a.mrk");
  dir.write("a.mrk", layout + "0,variable,2\n");
  const struct {
    std::vector<std::string> args;
    int code;
    const char* says;
  } steps[] = {
      {{}, 0, "data file: none\nnext row: 1\nshift table: none\n"},
      {{"--csv", "lots.csv", "--shifts", "06:00=A;18:00=B"}, 0,
       "data file: lots.csv (2 rows; columns: lot, qty)\nnext row: 1\n"},
      {{"--next-row", "3"}, 0, "next row: 3 (all rows used)"},
      {{"--next-row", "4"}, 1, "row 4 is not one of them"},
      {{"--next-row", "0"}, 2, "from 1"},
      {{"--csv", "x.csv", "--no-csv"}, 2, "not both"},
      {{"--next-row", "1"}, 0, "next row: 1\n"},
  };
  for (const auto& st : steps) {
    std::vector<std::string> args = {"data", "a.mrk"};
    args.insert(args.end(), st.args.begin(), st.args.end());
    const test::CliRun r = test::cli(dir, args);
    EXPECT_EQ(r.code, st.code) << r.err;
    EXPECT_NE((r.out + r.err).find(st.says), std::string::npos) << r.out << r.err;
  }
  EXPECT_TRUE(dir.read("a.mrk").starts_with("0,data,0,lots.csv\n0,shifts,06:00=A;18:00=B\n"));
  // Two rows, two jobs; the third is stopped before it marks anything.
  for (const char* row : {"2", "3"}) {
    const test::CliRun job = test::cli(dir, {"mark", "a.mrk", "--yes", "--port", "null"});
    EXPECT_EQ(job.code, 0) << job.err;
    EXPECT_NE(test::cli(dir, {"data", "a.mrk"}).out.find(std::string("next row: ") + row),
              std::string::npos);
  }
  const test::CliRun third = test::cli(dir, {"mark", "a.mrk", "--yes", "--port", "null"});
  EXPECT_EQ(third.code, 1);
  EXPECT_NE(third.err.find("The data file has no more rows (2 rows used)."), std::string::npos)
      << third.err;
}

}  // namespace
}  // namespace lumetch

