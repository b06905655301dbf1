#include "platform/progress.h"

namespace lumetch {

namespace {

void add_count(std::string& out, int64_t done, int64_t total, const char* what) {
  if (total <= 0) return;
  out += out.back() == ':' ? " " : ", ";
  out += std::to_string(done);
  out += '/';
  out += std::to_string(total);
  out += ' ';
  out += what;
}

}  // namespace

std::string progress_text(const JobProgress& p) {
  std::string out;
  switch (p.kind) {
    case JobProgress::Kind::Marking:
      out = "Marking:";
      break;
    case JobProgress::Kind::Drawing:
      out = "Drawing the scan:";
      break;
    case JobProgress::Kind::Converting:
      out = "Converting:";
      break;
    case JobProgress::Kind::Opening:
      out = "Opening:";
      break;
  }
  add_count(out, p.objects_done, p.objects_total, "objects");
  add_count(out, p.passes_done, p.passes_total, "passes");
  add_count(out, p.copies_done, p.copies_total, "copies");
  add_count(out, p.rows_done, p.rows_total, p.columns ? "columns" : "rows");
  add_count(out, p.bytes_done >> 20, p.bytes_total >> 20, "MB");
  return out;
}

void WorkPacer::restart() {
  steps_ = 0;
  stride_ = 1;
  now_ = Clock::now();
}

void WorkPacer::read_clock() {
  using namespace std::chrono_literals;
  steps_ = 0;
  const Clock::time_point t = Clock::now();
  const Clock::duration since = t - now_;
  now_ = t;
  if (since < 500us) {
    if (stride_ < kMaxStride) stride_ *= 2;
  } else if (since > 2ms && stride_ > 1) {
    stride_ /= 2;
  }
}

}  // namespace lumetch
