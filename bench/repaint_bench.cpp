// Repainting the editing view: a layout of 500 objects (100 texts in the
// installed Latin and Japanese fonts, a few barcodes, the rest shapes; some
// in 3 × 3 arrays, some filled, some turned) painted into an offscreen image
// of 1280 × 1000 pixels at zoom index 9, the way a paint event does it.
// A 100000 x 100000 array is repainted, and opened from its layout file and
// painted, in the same image. Besides Google Benchmark's mean the program reports the median repaint
// (wall and thread CPU time). LUMETCH_REPAINT_IMAGE=<file.png> saves the
// picture that is measured.
// BM_RepaintBigLayout/1 repaints a big layout (a plot of four million moves,
// a 2000 × 2000 bitmap, 5000 texts and arrays) in the shown view through its
// kept picture; BM_RepaintBigLayout/0, in the same run, paints it afresh.
#include <benchmark/benchmark.h>

#include "qt_bench_main.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <cmath>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "commands/create_object.h"
#include "imports/bmp.h"
#include "imports/plt.h"
#include "geometry/glyph_cache.h"
#include "model/cketral_doc.h"
#include "model/edit.h"
#include "model/layout_file.h"
#include "platform/scripted_operator.h"
#include "platform/text_codec.h"
#include "view/main_view.h"
#include "view/pick.h"

namespace lumetch {
namespace {

namespace fs = std::filesystem;

constexpr int kImageWidth = 1280;
constexpr int kImageHeight = 1000;
constexpr int32_t kZoomIndex = 9;
constexpr int kObjects = 500;
constexpr int kLineTexts = 60;
constexpr int kArcTexts = 40;
constexpr int kBarcodes = 6;

std::string cp932(const char* utf8) {
  return utf8_to_cp932(utf8).bytes;
}

std::string number(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.3f", v);
  return buf;
}

// The layout and its view. Glyph files go to a directory of their own,
// removed at the end.
class RepaintScene {
 public:
  RepaintScene() {
    dir_ = fs::temp_directory_path() / ("lumetch-repaint-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    doc_.work_dir = dir_;
    doc_.view.zoom_index = kZoomIndex;
    doc_.settings.view_zoom_num = kZoomIndex;
    build();
    view_ = std::make_unique<Cmainview>(doc_);
  }
  ~RepaintScene() {
    view_.reset();
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  // The field's centre in the middle of the image, at the screen's 96 dpi.
  ViewMapping mapping() const {
    const double scale = 96.0 / 2540.0;
    const auto sx = static_cast<int32_t>(doc_.view.origin_x - (kImageWidth / 2) / scale);
    const auto sy = static_cast<int32_t>(doc_.view.origin_y - (kImageHeight / 2) / scale);
    return {scale, sx, sy};
  }

  // `painter_lines`: a clip on the painter makes the canvas leave every line
  // to QPainter, for comparison with its own pixel route.
  void paint(QImage& img, bool painter_lines = false) {
    img.fill(Qt::white);
    QPainter p(&img);
    if (painter_lines) p.setClipRect(img.rect());
    view_->OnDraw(p, mapping());
  }

  CketralDoc& doc() { return doc_; }
  Cmainview& view() { return *view_; }
  int texts() const { return texts_; }
  int arrays() const { return arrays_; }
  int objects() const { return objects_; }

 private:
  MarkObject* create(int32_t type) {
    MarkObject* obj = CreateObject(doc_, type, op_);
    if (obj != nullptr) ++objects_;
    return obj;
  }

  // Places an object somewhere on the 100 mm field; every tenth one becomes
  // a 3 × 3 array.
  void place(MarkObject& obj, int index) {
    std::uniform_real_distribution<double> at(-42.0, 42.0);
    obj.cent_x = at(rng_);
    obj.cent_y = at(rng_);
    obj.layer = index % 7;
    if (index % 10 == 3) {
      obj.rows = 3;
      obj.columns = 3;
      obj.row_gap = 0.5;
      obj.column_gap = 0.5;
      ++arrays_;
    }
    if (index % 13 == 5) obj.angle = 30.0;
    doc_.update_screen_rect(obj);
  }

  void line_text(int i) {
    static const char* kTexts[] = {
        "Lot 2026-12 A",  "製造番号",        "MADE IN JAPAN\r\nNo. 0001",
        "日本語テキスト", "Serial 00012345", "株式会社ルメッチ\r\n本社工場",
        "QC PASSED",      "ABC-123-XYZ"};
    const std::string text = cp932(kTexts[i % 8]);
    CreationDefaults::LineText& d = doc_.defaults.line_text;
    d.text = text;
    const bool japanese = static_cast<unsigned char>(text[0]) >= 0x80;
    d.face_name = std::string(japanese ? "IPAGothic" : "Liberation Sans");
    d.size_x = number(2.5 + (i % 4) * 0.5);
    d.size_y = number(3.0 + (i % 3) * 0.5);
    d.width = number(japanese ? 14.0 : 22.0);
    d.height = number(text.find('\r') != std::string::npos ? 7.0 : 3.5);
    d.vertical = i % 15 == 7 ? 1 : 0;
    d.align = i % 4;
    // A few filled texts; two with a stroke width get screen hatching.
    d.style.output_mode = i % 12 == 0 ? 2 : 0;
    d.line_width_x = number(i % 30 == 0 ? 0.1 : 0.0);
    d.line_width_y = d.line_width_x;
    if (MarkObject* obj = create(LINE_TEXT)) {
      place(*obj, i);
      ++texts_;
    }
  }

  void arc_text(int i) {
    static const char* kTexts[] = {"LUMETCH 2026", "品質管理", "PRECISION LASER", "検査済"};
    const std::string text = cp932(kTexts[i % 4]);
    CreationDefaults::ArcText& d = doc_.defaults.arc_text;
    d.text = text;
    const bool japanese = static_cast<unsigned char>(text[0]) >= 0x80;
    d.face_name = std::string(japanese ? "IPAGothic" : "Liberation Sans");
    d.size_x = number(2.5);
    d.size_y = number(3.0);
    d.radius_x = number(8.0 + (i % 5));
    d.radius_y = number(8.0 + (i % 3));
    d.span = number(120.0 + (i % 4) * 40.0);
    d.downward = i % 3 == 2 ? 1 : 0;
    d.style.output_mode = i % 10 == 0 ? 2 : 0;
    if (MarkObject* obj = create(ARC_TEXT)) {
      place(*obj, i);
      ++texts_;
    }
  }

  void shape(int i) {
    static const int32_t kTypes[] = {LINE, RECTANGLE, CIRCLE, TRIANGLE, RHOMBIC, POLYGON};
    const int32_t type = kTypes[i % 6];
    const std::string size = number(3.0 + (i % 7));
    const OutputStyle style{i % 9 == 4 ? 2 : 0, 0.05, i % 2};
    CreationDefaults& d = doc_.defaults;
    d.line = {size, "0.3", "0", style};
    d.rectangle = {size, number(2.0 + (i % 5)), "0.5", "1", i % 3, style};
    d.ellipse = {size, number(2.0 + (i % 4)), "0.5", style};
    d.triangle = {size, size, "0.5", i % 2, style};
    d.rhombic = {size, size, "0.5", style};
    d.polygon = {size, "0.5", std::to_string(5 + i % 4), style};
    if (MarkObject* obj = create(type)) place(*obj, i);
  }

  void build() {
    int index = 0;
    for (int i = 0; i < kLineTexts; ++i) line_text(index++);
    for (int i = 0; i < kArcTexts; ++i) arc_text(index++);
    for (int i = 0; i < kBarcodes; ++i) {
      doc_.defaults.barcode.text = "LMT" + std::to_string(100000 + i);
      doc_.defaults.barcode.width = number(30.0);
      doc_.defaults.barcode.height = number(8.0);
      if (MarkObject* obj = create(BARCODE)) place(*obj, index);
      ++index;
    }
    while (index < kObjects) shape(index++);
  }

  fs::path dir_;
  CketralDoc doc_;
  ScriptedOperator op_;
  std::mt19937 rng_{20261207};
  std::unique_ptr<Cmainview> view_;
  int texts_ = 0;
  int arrays_ = 0;
  int objects_ = 0;
};

double median(std::vector<double> v) {
  if (v.empty()) return 0.0;
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double thread_cpu_ms() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// `cold` empties the glyph cache before every repaint: every text reads and
// parses its file again, as the generators did without the cache.
void repaint(benchmark::State& state, bool cold, bool painter_lines = false) {
  RepaintScene scene;
  if (scene.objects() != kObjects || scene.texts() != kLineTexts + kArcTexts) {
    state.SkipWithError("layout incomplete");
    return;
  }
  QImage img(kImageWidth, kImageHeight, QImage::Format_RGB32);
  scene.paint(img);  // warm-up: fonts, caches, first-touch of the image
  if (const char* out = std::getenv("LUMETCH_REPAINT_IMAGE")) img.save(out);
  std::vector<double> wall;
  std::vector<double> cpu;
  for (auto _ : state) {
    if (cold) glyph_cache().clear();
    const double c0 = thread_cpu_ms();
    const auto t0 = std::chrono::steady_clock::now();
    scene.paint(img, painter_lines);
    const auto t1 = std::chrono::steady_clock::now();
    cpu.push_back(thread_cpu_ms() - c0);
    wall.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    benchmark::DoNotOptimize(img.constBits());
  }
  // The CPU time of the painting thread is what a busy machine does not
  // inflate; the wall time is what the operator waits.
  state.counters["median_ms"] = median(wall);
  state.counters["median_cpu_ms"] = median(cpu);
  state.counters["objects"] = scene.objects();
  state.counters["texts"] = scene.texts();
  state.counters["arrays_3x3"] = scene.arrays();
}

void BM_RepaintView500(benchmark::State& state) {
  repaint(state, false);
}

void BM_RepaintView500ColdGlyphCache(benchmark::State& state) {
  repaint(state, true);
}

// The same picture with every line drawn by QPainter.
void BM_RepaintView500PainterLines(benchmark::State& state) {
  repaint(state, false, true);
}

// One mouse step of a drag of 20 selected objects in the shown view of the
// same layout: the move event and the paint it asks for.
void BM_DragStep500(benchmark::State& state) {
  RepaintScene scene;
  Cmainview& view = scene.view();
  CketralDoc& doc = scene.doc();
  view.resize(kImageWidth, kImageHeight);
  view.show();
  QApplication::processEvents();
  QWidget* port = view.viewport();
  const double scale = view.pixels_per_unit();
  view.horizontalScrollBar()->setValue(
      static_cast<int>(doc.view.origin_x - port->width() / 2 / scale));
  view.verticalScrollBar()->setValue(
      static_cast<int>(doc.view.origin_y - port->height() / 2 / scale));
  Selection sel;
  for (const MarkObject& obj : doc.ring.oldest_first()) {
    if (sel.size() < 20) sel.add(obj.id);
  }
  apply_selection(doc, sel);
  view.update_frame();
  QApplication::processEvents();

  const auto& fr = doc.view.selection.frame;
  const ViewMapping m = view.mapping();
  const QPointF press(m.px((fr[0] + fr[2]) / 2), m.py((fr[1] + fr[3]) / 2));
  const auto send = [&](QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
    QMouseEvent e(type, at, port->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(port, &e);
  };
  send(QEvent::MouseButtonPress, press, Qt::LeftButton);
  QApplication::processEvents();  // the picture under the marks is kept here
  const FrameRect start = fr;
  bool followed = false;
  std::vector<double> wall;
  std::vector<double> cpu;
  int step = 0;
  for (auto _ : state) {
    // Back and forth over 40 pixels, so the frame stays in sight.
    const int dx = 1 + ((step / 39) % 2 == 0 ? step % 39 : 39 - step % 39);
    ++step;
    const double c0 = thread_cpu_ms();
    const auto t0 = std::chrono::steady_clock::now();
    send(QEvent::MouseMove, press + QPointF(dx, dx / 2), Qt::LeftButton);
    QApplication::processEvents();
    const auto t1 = std::chrono::steady_clock::now();
    cpu.push_back(thread_cpu_ms() - c0);
    wall.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    followed = followed || fr != start;
  }
  send(QEvent::MouseButtonRelease, press, Qt::NoButton);
  state.counters["median_ms"] = median(wall);
  state.counters["median_cpu_ms"] = median(cpu);
  state.counters["selected"] = static_cast<double>(doc.selection.size());
  // A drag that never reached the frame would measure nothing.
  if (!followed) state.SkipWithError("the frame did not follow the mouse");
}

// One repaint of a layout holding a 100000 × 100000 array of 0.2 mm squares
// 0.2 mm apart (ten thousand million copies, 40 m across): only the copies
// in sight are drawn.
// A 100000 x 100000 array of 0.2 mm squares at 0.4 mm pitch fills the view:
// the copies in sight are computed from the array arithmetic, and where
// thousands are in sight a block of them is drawn once and repeated.
std::unique_ptr<MarkObject> huge_array() {
  auto o = std::make_unique<MarkObject>();
  o->type = RECTANGLE;
  o->width = o->height = 0.2;
  o->params = RectangleParams{0.2, 0.2, 0.0, 0.0, 0};
  o->rows = o->columns = 100000;
  o->row_gap = o->column_gap = 0.2;
  return o;
}

// Paints doc's view into img the way a paint event does; wall milliseconds.
double paint_once(Cmainview& view, const CketralDoc& doc, QImage& img) {
  const double scale = 96.0 / 2540.0;
  const ViewMapping m{scale, static_cast<int32_t>(doc.view.origin_x - (kImageWidth / 2) / scale),
                      static_cast<int32_t>(doc.view.origin_y - (kImageHeight / 2) / scale)};
  img.fill(Qt::white);
  const auto t0 = std::chrono::steady_clock::now();
  {
    QPainter p(&img);
    view.OnDraw(p, m);
  }
  benchmark::DoNotOptimize(img.constBits());
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

void BM_RepaintHugeArray(benchmark::State& state) {
  CketralDoc doc;
  doc.view.zoom_index = kZoomIndex;
  {
    Commit c(doc);
    MarkObject* added = c.add(huge_array());
    doc.update_screen_rect(*added);
    c.push("Create");
  }
  Cmainview view(doc);
  QImage img(kImageWidth, kImageHeight, QImage::Format_RGB32);
  std::vector<double> wall;
  for (auto _ : state) wall.push_back(paint_once(view, doc, img));
  state.counters["median_ms"] = median(wall);
}

// Opening a layout file holding the huge array, then its first paint.
void BM_OpenAndPaintHugeArray(benchmark::State& state) {
  const fs::path dir = fs::temp_directory_path() / ("lumetch-huge-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const fs::path file = dir / "huge.mrk";
  {
    CketralDoc src;
    src.ring.add(huge_array());
    if (!save_layout(src, file, true, false)) {
      state.SkipWithError("cannot write the layout");
      return;
    }
  }
  QImage img(kImageWidth, kImageHeight, QImage::Format_RGB32);
  std::vector<double> wall;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    CketralDoc doc;
    doc.work_dir = dir;
    doc.view.zoom_index = kZoomIndex;
    if (open_layout(doc, file).objects_read != 1) {
      state.SkipWithError("the layout did not open");
      break;
    }
    Cmainview view(doc);
    paint_once(view, doc, img);
    wall.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
  }
  fs::remove_all(dir);
  state.counters["median_ms"] = median(wall);
}

// A plot of `moves` pen-down moves over four pens: polylines of 20 short
// steps wandering over the plot, as traced drawings are.
fs::path big_plot(const fs::path& dir, int moves) {
  const fs::path path = dir / "big.plt";
  std::ofstream out(path, std::ios::binary);
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> coord(0, 40000);
  std::uniform_int_distribution<int> step(-300, 300);
  std::string text = "IN;";
  char buf[48];
  for (int done = 0; done < moves;) {
    text += "SP" + std::to_string(rng() % 4 + 1) + ";";
    int x = coord(rng);
    int y = coord(rng);
    text.append(buf, static_cast<std::size_t>(std::snprintf(buf, sizeof buf, "PU%d,%d;", x, y)));
    for (int i = 0; i < 20 && done < moves; ++i, ++done) {
      x = std::clamp(x + step(rng), 0, 40000);
      y = std::clamp(y + step(rng), 0, 40000);
      text.append(buf,
                  static_cast<std::size_t>(std::snprintf(buf, sizeof buf, "PD%d,%d;\n", x, y)));
    }
    if (text.size() > (1u << 20)) {
      out << text;
      text.clear();
    }
  }
  out << text;
  return path;
}

// A one-bit 2000 × 2000 image: a ring with a checker of 20-pixel squares inside.
fs::path big_bitmap(const fs::path& dir) {
  const fs::path path = dir / "big.bmp";
  const int w = 2000;
  const int h = 2000;
  const int stride = (w + 31) / 32 * 4;
  std::string bits(static_cast<std::size_t>(stride * h), '\xFF');
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const double r = std::hypot(x - 1000.0, y - 1000.0);
      const bool mark = (r > 800 && r < 950) || (r < 700 && ((x / 20 + y / 20) % 2 == 0));
      if (mark) {
        bits[static_cast<std::size_t>(y * stride + x / 8)] &= static_cast<char>(~(0x80 >> (x % 8)));
      }
    }
  }
  const auto put32 = [](std::string& str, uint32_t v) {
    for (int i = 0; i < 4; ++i) str += static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  std::string file = "BM";
  put32(file, static_cast<uint32_t>(62 + bits.size()));
  put32(file, 0);
  put32(file, 62);
  put32(file, 40);
  put32(file, w);
  put32(file, h);
  file += std::string("\x01\x00\x01\x00", 4);
  for (int i = 0; i < 6; ++i) put32(file, 0);
  put32(file, 0);         // palette: black
  put32(file, 0xFFFFFF);  // white
  file += bits;
  std::ofstream(path, std::ios::binary) << file;
  return path;
}

constexpr int kPlotMoves = 4'000'000;
constexpr int kBigTexts = 2000;
constexpr int kBigShapes = 3000;

// The big layout, made once for the run: building it (glyph files, the plot's
// stroke files) takes longer than all that is measured.
class BigLayout {
 public:
  BigLayout() {
    dir_ = fs::temp_directory_path() / ("lumetch-big-layout-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    doc_.work_dir = dir_;
    doc_.view.zoom_index = kZoomIndex;
    doc_.settings.view_zoom_num = kZoomIndex;
    ok_ = add_plot() && add_bitmap();
    std::mt19937 rng(5000);
    std::uniform_real_distribution<double> at(-48.0, 48.0);
    static const char* kTexts[] = {"Lot 2026-12 A", "Serial 00012345", "QC PASSED", "ABC-123"};
    for (int i = 0; ok_ && i < kBigTexts + kBigShapes; ++i) {
      CreationDefaults& d = doc_.defaults;
      MarkObject* obj = nullptr;
      if (i < kBigTexts) {
        d.line_text.text = kTexts[i % 4];
        d.line_text.face_name = "Liberation Sans";
        d.line_text.size_x = number(1.5);
        d.line_text.size_y = number(2.0);
        d.line_text.width = number(14.0);
        d.line_text.height = number(2.5);
        obj = CreateObject(doc_, LINE_TEXT, op_);
      } else {
        const OutputStyle style{0, 0.05, i % 2};
        d.rectangle = {"2", "1.5", "0.5", "1", i % 3, style};
        d.ellipse = {"2", "1.5", "0.5", style};
        obj = CreateObject(doc_, i % 2 == 0 ? RECTANGLE : CIRCLE, op_);
      }
      if (obj == nullptr) {
        ok_ = false;
        break;
      }
      obj->cent_x = at(rng);
      obj->cent_y = at(rng);
      obj->layer = i % 7;
      if (i % 3 == 0) {
        obj->rows = obj->columns = 3;
        obj->row_gap = obj->column_gap = 0.5;
      }
      doc_.update_screen_rect(*obj);
    }
    doc_.history.clear();
  }
  ~BigLayout() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  BigLayout(const BigLayout&) = delete;
  BigLayout& operator=(const BigLayout&) = delete;

  static BigLayout& get() {
    static BigLayout layout;
    return layout;
  }

  bool ok() const { return ok_; }
  CketralDoc& doc() { return doc_; }
  // The view of a layout holding only the plot, for its first paint.
  const fs::path& dir() const { return dir_; }
  const PltBlock& plot() const { return plot_; }

 private:
  bool add_plot() {
    const fs::path file = big_plot(dir_, kPlotMoves);
    const PltParse parse = ParsePlt(file, (dir_ / "pen").string());
    if (parse.result != PltParse::kRead) return false;
    const std::optional<PltBlock> block = plt_block_from(parse, file.string(), 0);
    if (!block) return false;
    plot_ = *block;
    auto o = std::make_unique<MarkObject>();
    o->type = PLT;
    o->cent_x = -5.0;
    o->cent_y = 3.0;
    o->width = o->height = 80.0;
    o->params = *block;
    doc_.update_screen_rect(*doc_.ring.add(std::move(o)));
    return true;
  }
  bool add_bitmap() {
    const fs::path image = big_bitmap(dir_);
    BmpLoad load = LoadBmp(image, 40, &op_);
    if (load.result != BmpLoad::kLoaded) return false;
    auto o = std::make_unique<MarkObject>();
    o->type = BMP;
    o->cent_x = 20.0;
    o->cent_y = -20.0;
    o->width = o->height = 50.0;
    o->fill_pitch = 0.05;
    BmpBlock b;
    b.source_path = image.string();
    b.width_px = load.width_px;
    b.height_px = load.height_px;
    b.bits_offset = load.bits_offset;
    b.image_width = b.image_height = 50.0;
    b.dib = SharedBytes(std::move(load.dib));
    o->params = std::move(b);
    doc_.update_screen_rect(*doc_.ring.add(std::move(o)));
    return true;
  }

  fs::path dir_;
  CketralDoc doc_;
  ScriptedOperator op_;
  PltBlock plot_;
  bool ok_ = false;
};

// Wall milliseconds of `step` and the paint event it asks for.
double timed_repaint(Cmainview& view, const std::function<void()>& step) {
  const auto t0 = std::chrono::steady_clock::now();
  step();
  view.viewport()->repaint();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

// Tells the view what each edit changed, as the main window does.
struct ForwardNotices : DocObserver {
  Cmainview* view = nullptr;
  void document_changed(const ChangeNotice& n) override { view->document_changed(n); }
  void invalidate_all() override { view->scene_changed(); }
};

// A pane smaller than the scroll area at 96 dpi, so that it scrolls.
constexpr int kPaneWidth = 800;
constexpr int kPaneHeight = 600;

// range(0): 1 through the kept picture, 0 painted afresh (the reference).
void BM_RepaintBigLayout(benchmark::State& state) {
  BigLayout& layout = BigLayout::get();
  if (!layout.ok()) {
    state.SkipWithError("the big layout could not be made");
    return;
  }
  const bool cached = state.range(0) != 0;
  CketralDoc& doc = layout.doc();
  doc.view.zoom_index = kZoomIndex;
  apply_selection(doc, Selection{});
  Cmainview view(doc);
  ForwardNotices forward;
  forward.view = &view;
  doc.observer = &forward;
  view.set_scene_cache(cached);
  view.resize(kPaneWidth, kPaneHeight);
  view.show();
  QApplication::processEvents();
  QScrollBar* h = view.horizontalScrollBar();
  QScrollBar* v = view.verticalScrollBar();
  const double scale = view.pixels_per_unit();
  const auto centre = [&] {
    h->setValue(static_cast<int>(doc.view.origin_x - view.viewport()->width() / 2 / scale));
    v->setValue(static_cast<int>(doc.view.origin_y - view.viewport()->height() / 2 / scale));
  };
  centre();
  view.viewport()->repaint();
  // The first paint: nothing kept.
  const double first = timed_repaint(view, [&] { view.scene_changed(); });

  // The first paint of the plot alone, in a view of its own.
  double first_plot = 0.0;
  {
    CketralDoc plot_doc;
    plot_doc.work_dir = layout.dir();
    plot_doc.view.zoom_index = kZoomIndex;
    auto o = std::make_unique<MarkObject>(*doc.ring.oldest_first().begin());
    plot_doc.update_screen_rect(*plot_doc.ring.add(std::move(o)));
    Cmainview plot_view(plot_doc);
    plot_view.set_scene_cache(cached);
    plot_view.resize(kPaneWidth, kPaneHeight);
    plot_view.show();
    QApplication::processEvents();
    first_plot = timed_repaint(plot_view, [&] { plot_view.scene_changed(); });
  }

  // Objects to select: two arrays near the plot.
  std::vector<ObjectId> picks;
  for (const MarkObject& o : doc.ring.oldest_first()) {
    if (o.rows == 3 && picks.size() < 2) picks.push_back(o.id);
  }
  int n = 0;
  std::vector<double> scroll;
  std::vector<double> zoom;
  std::vector<double> select;
  for (auto _ : state) {
    // Back and forth, so the view stays over the plot.
    const int dir = (n / 8) % 2 == 0 ? 1 : -1;
    scroll.push_back(timed_repaint(view, [&] { h->setValue(h->value() + dir * Cmainview::kLineStep); }));
    zoom.push_back(timed_repaint(view, [&] {
      if (n % 2 == 0) {
        view.zoom_in();
      } else {
        view.zoom_out();
      }
    }));
    select.push_back(timed_repaint(view, [&] {
      Selection sel;
      sel.add(picks[static_cast<std::size_t>(n % 2)]);
      apply_selection(doc, sel);
      view.update_frame();
    }));
    ++n;
  }
  if (n % 2 == 1) view.zoom_out();

  // Scrolling at every zoom: the worst of the medians.
  double worst_scroll = 0.0;
  int worst_zoom = 0;
  const int steps = cached ? 12 : 3;
  while (view.zoom_out()) {
  }
  for (int z = 0;; ++z) {
    centre();
    view.viewport()->repaint();  // the first paint at this zoom
    std::vector<double> t;
    for (int i = 0; i < steps; ++i) {
      const int dir = (i / 3) % 2 == 0 ? 1 : -1;
      t.push_back(timed_repaint(view, [&] { v->setValue(v->value() + dir * Cmainview::kLineStep); }));
    }
    if (median(t) > worst_scroll) {
      worst_scroll = median(t);
      worst_zoom = z;
    }
    if (!view.zoom_in()) break;
  }
  doc.view.zoom_index = kZoomIndex;
  apply_selection(doc, Selection{});
  doc.observer = nullptr;

  state.counters["first_paint_ms"] = first;
  state.counters["first_plot_paint_ms"] = first_plot;
  state.counters["scroll_ms"] = median(scroll);
  state.counters["zoom_step_ms"] = median(zoom);
  state.counters["select_ms"] = median(select);
  state.counters["worst_zoom_scroll_ms"] = worst_scroll;
  state.counters["worst_zoom_index"] = worst_zoom;
  state.counters["cache_mb"] = static_cast<double>(view.scene_cache().bytes()) / (1 << 20);
}

BENCHMARK(BM_RepaintView500)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_RepaintView500ColdGlyphCache)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_RepaintView500PainterLines)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_DragStep500)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_RepaintHugeArray)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_OpenAndPaintHugeArray)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_RepaintBigLayout)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
}  // namespace lumetch

int main(int argc, char** argv) { return run_qt_benchmarks(argc, argv); }
