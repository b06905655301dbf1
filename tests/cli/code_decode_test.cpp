// Code objects from `add-code` to the marker: the real job records its
// command stream into a file, hp2xx plots it, and zbarimg or dmtxread read
// the code back. Those tools come with scripts/install-deps; a missing one
// fails the test rather than skipping the proof.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "support/cli_process.h"

namespace lumetch {
namespace {

namespace fs = std::filesystem;
using test::cli;
using test::CliRun;
using test::TempDir;

std::optional<fs::path> find_tool(const std::string& name) {
  const char* env = std::getenv("PATH");
  std::stringstream dirs(env != nullptr && *env != '\0' ? env : "/usr/bin:/bin");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    const fs::path p = fs::path(dir.empty() ? "." : dir) / name;
    if (::access(p.c_str(), X_OK) == 0) return p;
  }
  return std::nullopt;
}

struct ToolRun {
  int code = -1;
  std::string out;
  std::string err;
};

// Runs a tool in `dir`, its output in files there; bounded like the CLI runs.
ToolRun run_tool(const TempDir& dir, const std::string& name,
                 const std::vector<std::string>& args) {
  ToolRun r;
  const std::optional<fs::path> tool = find_tool(name);
  if (!tool) {
    r.err = name + " is not installed (scripts/install-deps installs it)";
    return r;
  }
  std::vector<char*> argv{const_cast<char*>(tool->c_str())};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const fs::path out = dir.file(name + ".out");
  const fs::path err = dir.file(name + ".err");
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (o < 0 || e < 0 || ::chdir(dir.path().c_str()) != 0) ::_exit(126);
    ::dup2(o, 1);
    ::dup2(e, 2);
    ::close(o);
    ::close(e);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  const auto deadline = std::chrono::steady_clock::now() + test::kCliBound;
  int status = 0;
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) ::kill(pid, SIGKILL);
    ::usleep(2000);
  }
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  r.out = dir.read(name + ".out");
  r.err = dir.read(name + ".err");
  return r;
}

// A one-bit picture, true for black.
struct Bitmap {
  int width = 0;
  int height = 0;
  std::vector<bool> black;
};

// hp2xx's PBM: "P4", width and height (comments allowed), then rows of bits
// padded to whole bytes.
std::optional<Bitmap> read_pbm(const std::string& bytes) {
  std::size_t at = 0;
  auto token = [&]() -> std::string {
    for (;;) {
      while (at < bytes.size() && std::isspace(static_cast<unsigned char>(bytes[at]))) ++at;
      if (at < bytes.size() && bytes[at] == '#') {
        while (at < bytes.size() && bytes[at] != '\n') ++at;
        continue;
      }
      break;
    }
    const std::size_t start = at;
    while (at < bytes.size() && !std::isspace(static_cast<unsigned char>(bytes[at]))) ++at;
    return bytes.substr(start, at - start);
  };
  if (token() != "P4") return std::nullopt;
  Bitmap b;
  try {
    b.width = std::stoi(token());
    b.height = std::stoi(token());
  } catch (...) {
    return std::nullopt;
  }
  ++at;  // the one blank before the bits
  const std::size_t row = (static_cast<std::size_t>(b.width) + 7) / 8;
  if (b.width <= 0 || b.height <= 0 || bytes.size() < at + row * b.height) return std::nullopt;
  b.black.resize(static_cast<std::size_t>(b.width) * b.height);
  for (int y = 0; y < b.height; ++y) {
    for (int x = 0; x < b.width; ++x) {
      const auto byte = static_cast<unsigned char>(bytes[at + y * row + x / 8]);
      b.black[static_cast<std::size_t>(y) * b.width + x] = ((byte >> (7 - x % 8)) & 1) != 0;
    }
  }
  return b;
}

// The picture as a grey PGM inside a white border: hp2xx crops to what was
// drawn, and the readers want a quiet zone around the symbol. A negative
// code marks its light modules, so the plot is inverted first.
std::string framed_pgm(const Bitmap& b, bool invert) {
  const int border = std::max(40, std::max(b.width, b.height) / 4);
  const int w = b.width + 2 * border;
  const int h = b.height + 2 * border;
  std::string out = "P5\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
  out.append(static_cast<std::size_t>(w) * h, static_cast<char>(255));
  const std::size_t header = out.size() - static_cast<std::size_t>(w) * h;
  for (int y = 0; y < b.height; ++y) {
    for (int x = 0; x < b.width; ++x) {
      const bool black = b.black[static_cast<std::size_t>(y) * b.width + x] != invert;
      if (black) out[header + static_cast<std::size_t>(y + border) * w + x + border] = 0;
    }
  }
  return out;
}

// The readers a picture is given: zbarimg for QR and Code 128, dmtxread for
// Data Matrix (it spends seconds on a picture without one).
constexpr unsigned kZbar = 1, kDmtx = 2;

// What the readers found: zbarimg's "QR-Code:..." and "CODE-128:..." lines,
// dmtxread's symbols as "DataMatrix:...".
std::vector<std::string> decode(const TempDir& dir, const std::string& pgm, unsigned readers) {
  std::vector<std::string> found;
  if ((readers & kZbar) != 0) {
    const ToolRun zbar = run_tool(dir, "zbarimg", {"-q", "--nodbus", pgm});
    // 4: nothing found, which is an answer; anything else is a failure.
    EXPECT_TRUE(zbar.code == 0 || zbar.code == 4) << zbar.err;
    std::stringstream lines(zbar.out);
    for (std::string line; std::getline(lines, line);) found.push_back(line);
  }
  if ((readers & kDmtx) != 0) {
    const ToolRun dmtx = run_tool(dir, "dmtxread", {"-n", "-N", "1", pgm});
    EXPECT_TRUE(dmtx.code == 0 || dmtx.code == 1) << dmtx.err;
    std::stringstream symbols(dmtx.out);
    for (std::string line; dmtx.code == 0 && std::getline(symbols, line);) {
      found.push_back("DataMatrix:" + line);
    }
  }
  return found;
}

// Marks the layout through the file channel, plots the stream and decodes it.
std::vector<std::string> mark_and_read(const TempDir& dir, const std::string& layout,
                                       const std::string& job, bool negative, unsigned readers) {
  const CliRun marked = cli(dir, {"mark", layout, "--yes", "--port", "file:" + job + ".plt"});
  EXPECT_EQ(marked.code, 0) << marked.out << marked.err;
  EXPECT_NE(marked.out.find("— done"), std::string::npos) << marked.out;
  // True size at 600 dpi. hp2xx's thinnest pen is then about 0.2 mm wide,
  // a broad beam: every marked area grows by 0.1 mm a side, so modules are
  // kept at 0.4 mm and more.
  const ToolRun plot = run_tool(
      dir, "hp2xx", {"-q", "-m", "pbm", "-d", "600", "-t", "-f", job + ".pbm", job + ".plt"});
  EXPECT_EQ(plot.code, 0) << plot.err;
  const std::optional<Bitmap> bitmap = read_pbm(dir.read(job + ".pbm"));
  if (!bitmap) {
    ADD_FAILURE() << "hp2xx wrote no readable PBM for " << job << ": " << plot.err;
    return {};
  }
  dir.write(job + ".pgm", framed_pgm(*bitmap, negative));
  return decode(dir, job + ".pgm", readers);
}

struct DecodeCase {
  const char* label;
  const char* symbology;
  const char* data;
  const char* size;
  bool negative;
  std::vector<std::string> extra;
  const char* expected;
};

void check_decodes(const DecodeCase& c) {
  SCOPED_TRACE(c.label);
  TempDir dir;
  std::vector<std::string> args{"add-code", "c.mrk", "--symbology", c.symbology,
                                "--data",   c.data,  "--size",      c.size};
  if (c.negative) args.push_back("--negative");
  args.insert(args.end(), c.extra.begin(), c.extra.end());
  const CliRun added = cli(dir, args);
  ASSERT_EQ(added.code, 0) << added.err;
  const unsigned readers = std::string(c.symbology) == "datamatrix" ? kDmtx : kZbar;
  EXPECT_EQ(mark_and_read(dir, "c.mrk", "job", c.negative, readers),
            std::vector<std::string>{c.expected});
}

TEST(CodeDecode, MarkedCodesReadBackAsTheirData) {
  const DecodeCase cases[] = {
      {"QR 12 mm", "qr", "Lumetch QR, 12 mm!", "12", false, {}, "QR-Code:Lumetch QR, 12 mm!"},
      {"QR 25 mm negative, ecc H",
       "qr",
       "https://example.org/lumetch?part=A-0042",
       "25",
       true,
       {"--ecc", "H"},
       "QR-Code:https://example.org/lumetch?part=A-0042"},
      {"QR 20 mm negative off centre",
       "qr",
       "NEG-QR-7",
       "20",
       true,
       {"--at", "-20,15"},
       "QR-Code:NEG-QR-7"},
      // Square unless a size is chosen, though an oblong symbol would hold it.
      {"Data Matrix 20 mm wide",
       "datamatrix",
       "LOT 2024-117",
       "20",
       false,
       {},
       "DataMatrix:LOT 2024-117"},
      {"Data Matrix 12 mm off centre",
       "datamatrix",
       "Lumetch Data Matrix 0123456789",
       "12",
       false,
       {"--at", "15,-10"},
       "DataMatrix:Lumetch Data Matrix 0123456789"},
      {"Code 128 30 mm", "code128", "Lumetch-128", "30", false, {}, "CODE-128:Lumetch-128"},
      {"Code 128 digits 45x10 mm negative",
       "code128",
       "0123456789012",
       "45x10",
       true,
       {},
       "CODE-128:0123456789012"},
  };
  for (const DecodeCase& c : cases) check_decodes(c);
}

// A Data Matrix's finder is a stack of dark modules: in the negative form a
// hatch line on an edge two stacked modules shared was once marked straight
// across them, and the symbol did not read.
TEST(CodeDecode, NegativeDataMatrixReadsBack) {
  check_decodes({"Data Matrix 18 mm negative",
                 "datamatrix",
                 "Lumetch Data Matrix 0123456789",
                 "18",
                 true,
                 {},
                 "DataMatrix:Lumetch Data Matrix 0123456789"});
}

// Serial numbers advance after each pass: three jobs of one pass mark three
// numbers, each readable. The controller dialect with a layer header
// ("IN;SP2;DA..;VS..;") is used: hp2xx passes over DA, so no filtering.
TEST(CodeDecode, SerialCodesReadAsTheNumberOfEachJob) {
  TempDir dir;
  dir.write("fix.txt", "stable speed:SP0;\nVarible speed:SP2;\n");
  for (const auto& [symbology, at] : {std::pair{"qr", "-12,0"}, {"datamatrix", "12,0"}}) {
    const CliRun added = cli(dir, {"add-code", "s.mrk", "--symbology", symbology, "--data", "0001",
                                   "--size", "14", "--at", at, "--serial"});
    ASSERT_EQ(added.code, 0) << added.err;
  }
  for (const std::string number : {"0001", "0002", "0003"}) {
    SCOPED_TRACE(number);
    const std::string job = "job" + number;
    EXPECT_EQ(mark_and_read(dir, "s.mrk", job, false, kZbar | kDmtx),
              (std::vector<std::string>{"QR-Code:" + number, "DataMatrix:" + number}));
    const std::string stream = dir.read(job + ".plt");
    EXPECT_TRUE(stream.starts_with("IN;SP2;DA")) << stream.substr(0, 40);
  }
  // The layout holds the next number for both codes.
  const CliRun listed = cli(dir, {"list", "s.mrk"});
  EXPECT_NE(listed.out.find("QR \"0004\" (serial)"), std::string::npos) << listed.out;
  EXPECT_NE(listed.out.find("Data Matrix \"0004\" (serial)"), std::string::npos) << listed.out;
}

TEST(AddCode, BuildsTheObjectFromTheDefaultsAndTheOptions) {
  const struct {
    const char* label;
    std::vector<std::string> options;
    const char* listed;  // the object's line of `list`, from its name on
  } cases[] = {
      {"QR with the defaults' box",
       {"--symbology", "qr", "--data", "A"},
       "code1  code  centre 0.000, 0.000 mm  size 20.000 x 20.000 mm  layer 0  QR \"A\""},
      {"Code 128 a quarter as high as the defaults' width",
       {"--symbology", "Code128", "--data", "B"},
       "code1  code  centre 0.000, 0.000 mm  size 20.000 x 5.000 mm  layer 0  Code 128 \"B\""},
      {"Data Matrix square, as high as its symbol",
       {"--symbology", "datamatrix", "--data", "LOT 2024-117", "--size", "17"},
       "size 17.000 x 17.000 mm"},
      {"Code 128 MM wide",
       {"--symbology", "code128", "--data", "B", "--size", "32"},
       "size 32.000 x 8.000 mm"},
      {"Code 128 WxH",
       {"--symbology", "code128", "--data", "B", "--size", "40x12.5"},
       "size 40.000 x 12.500 mm"},
      {"negative Data Matrix placed",
       {"--symbology", "datamatrix", "--data", "C", "--size", "8", "--at", "-10.5,3", "--negative"},
       "centre -10.500, 3.000 mm  size 8.000 x 8.000 mm  layer 0  Data Matrix negative \"C\""},
      {"serial", {"--symbology", "qr", "--data", "007", "--serial"}, "QR \"007\" (serial)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    TempDir dir;
    std::vector<std::string> args{"add-code", "new.mrk"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const CliRun added = cli(dir, args);
    EXPECT_EQ(added.code, 0) << added.err;
    EXPECT_NE(added.out.find("added to new.mrk, now 1 objects"), std::string::npos) << added.out;
    const CliRun listed = cli(dir, {"list", "new.mrk"});
    EXPECT_NE(listed.out.find(c.listed), std::string::npos) << listed.out;
  }
}

TEST(AddCode, OptionsReachTheStoredBlock) {
  TempDir dir;
  dir.write("two.mrk", test::kSquareLayout);
  const CliRun qr =
      cli(dir, {"add-code", "two.mrk", "--symbology", "qr", "--data", "Q", "--ecc", "q"});
  EXPECT_EQ(qr.code, 0) << qr.err;
  const CliRun gs1 = cli(dir, {"add-code", "two.mrk", "--symbology", "datamatrix", "--data",
                               "[01]09501101530003", "--gs1"});
  EXPECT_EQ(gs1.code, 0) << gs1.err;
  EXPECT_NE(gs1.out.find("now 3 objects"), std::string::npos) << gs1.out;
  const CliRun listed = cli(dir, {"list", "two.mrk", "--fields"});
  EXPECT_NE(listed.out.find("1  rect"), std::string::npos) << listed.out;  // kept, first
  EXPECT_NE(listed.out.find("symbology 0 ecc 3 "), std::string::npos) << listed.out;
  EXPECT_NE(listed.out.find("symbology 1 ecc 0 code_size 0 quiet_zone 1 gs1 1"), std::string::npos)
      << listed.out;
}

// Nothing is made or changed when the request or its data is refused.
TEST(AddCode, RefusalsLeaveTheLayoutAsItWas) {
  const std::string big(3001, '7');
  const std::string dm_too_long(1600, '\xff');  // bytes beyond Data Matrix's 1556
  const struct {
    const char* label;
    std::vector<std::string> options;
    int code;
    const char* said;
  } cases[] = {
      {"no symbology", {"--data", "A"}, 2, "give --symbology"},
      {"unknown symbology",
       {"--symbology", "pdf417", "--data", "A"},
       2,
       "unknown symbology pdf417"},
      {"no data", {"--symbology", "qr"}, 2, "give the code's data"},
      {"empty data", {"--symbology", "qr", "--data", ""}, 2, "give the code's data"},
      {"data over the limit", {"--symbology", "qr", "--data", big}, 2, "3001 bytes long"},
      {"size zero", {"--symbology", "qr", "--data", "A", "--size", "0"}, 2, "--size 0 is not"},
      {"size negative", {"--symbology", "qr", "--data", "A", "--size", "-3"}, 2, "--size -3"},
      {"size not a number", {"--symbology", "qr", "--data", "A", "--size", "5mm"}, 2, "--size 5mm"},
      {"size not finite", {"--symbology", "qr", "--data", "A", "--size", "inf"}, 2, "--size inf"},
      {"stretched 2D code", {"--symbology", "qr", "--data", "A", "--size", "20x5"}, 2, "square"},
      {"centre unreadable", {"--symbology", "qr", "--data", "A", "--at", "3"}, 2, "--at 3"},
      {"centre far away", {"--symbology", "qr", "--data", "A", "--at", "5000,0"}, 2, "--at 5000,0"},
      {"ecc unknown", {"--symbology", "qr", "--data", "A", "--ecc", "X"}, 2, "not L, M, Q or H"},
      {"ecc on Data Matrix",
       {"--symbology", "datamatrix", "--data", "A", "--ecc", "H"},
       2,
       "QR codes only"},
      {"GS1 on QR",
       {"--symbology", "qr", "--data", "[01]1", "--gs1"},
       2,
       "Data Matrix and Code 128"},
      {"serial of text", {"--symbology", "qr", "--data", "A12", "--serial"}, 2, "digits only"},
      // The encoder's own refusals, with its reason.
      {"too much for Data Matrix",
       {"--symbology", "datamatrix", "--data", dm_too_long},
       1,
       "cannot be encoded as Data Matrix: Error"},
      {"too much for QR at level H",
       {"--symbology", "qr", "--data", std::string(1500, 'b'), "--ecc", "H"},
       1,
       "cannot be encoded as QR: Error"},
      {"GS1 data without an AI",
       {"--symbology", "code128", "--data", "12345", "--gs1"},
       1,
       "cannot be encoded as Code 128: Error"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    TempDir dir;
    dir.write("kept.mrk", test::kSquareLayout);
    for (const char* layout : {"kept.mrk", "missing.mrk"}) {
      std::vector<std::string> args{"add-code", layout};
      args.insert(args.end(), c.options.begin(), c.options.end());
      const CliRun r = cli(dir, args);
      EXPECT_EQ(r.code, c.code) << r.err;
      EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
      EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(dir.read("kept.mrk"), test::kSquareLayout);
    EXPECT_FALSE(fs::exists(dir.file("missing.mrk")));
  }
}

TEST(AddCode, ALayoutWithDamagedLinesIsNotChanged) {
  TempDir dir;
  const std::string damaged = "garbage line\n" + test::kSquareLayout;
  dir.write("d.mrk", damaged);
  const CliRun r = cli(dir, {"add-code", "d.mrk", "--symbology", "qr", "--data", "A"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("1 damaged line(s); not changed"), std::string::npos) << r.err;
  EXPECT_EQ(dir.read("d.mrk"), damaged);
}

// Marking would save the next serial number and drop the damaged lines with
// it; a serial code counts as a serial number like a text does.
TEST(AddCode, ASerialCodeInADamagedLayoutIsNotMarked) {
  TempDir dir;
  ASSERT_EQ(cli(dir, {"add-code", "s.mrk", "--symbology", "qr", "--data", "1", "--serial"}).code,
            0);
  const std::string damaged = "garbage line\n" + dir.read("s.mrk");
  dir.write("s.mrk", damaged);
  const CliRun r = cli(dir, {"mark", "s.mrk", "--yes", "--port", "file:job.plt"});
  EXPECT_EQ(r.code, 4) << r.out << r.err;
  EXPECT_NE(r.err.find("has damaged lines (line 1)"), std::string::npos) << r.err;
  EXPECT_EQ(dir.read("s.mrk"), damaged);
  EXPECT_FALSE(fs::exists(dir.file("job.plt")));
}

}  // namespace
}  // namespace lumetch
