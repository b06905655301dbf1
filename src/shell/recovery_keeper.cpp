#include "shell/recovery_keeper.h"

#include <system_error>
#include <utility>

#include "commands/recovery.h"

namespace lumetch {

RecoveryKeeper::RecoveryKeeper(CketralDoc& doc, std::function<void(const QString&)> status,
                               QObject* parent)
    : QObject(parent), doc_(doc), status_(std::move(status)) {
  bool ok = false;
  const int test_interval = qEnvironmentVariableIntValue("LUMETCH_RECOVERY_INTERVAL_MS", &ok);
  timer_.setInterval(ok && test_interval > 0 ? test_interval : kIntervalMs);
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, [this] { write_copy(); });
}

RecoveryKeeper::~RecoveryKeeper() {
  timer_.stop();
  wait_for_writer();
}

void RecoveryKeeper::changed() {
  if (!doc_.history.modified()) {
    timer_.stop();
    remove_copies();
    return;
  }
  // A copy restored into the document is its copy from now on.
  hold(recovery_file(doc_.work_dir, doc_.layout_path));
  if (!timer_.isActive()) timer_.start();
}

void RecoveryKeeper::discard() {
  timer_.stop();
  remove_copies();
}

void RecoveryKeeper::write_copy() {
  if (!doc_.history.modified()) return;
  // A job changes serial numbers as it goes; a write still going holds the
  // last copy. Both wait for the next round.
  if (doc_.engraving != 0 || writing_) {
    timer_.start();
    return;
  }
  const std::filesystem::path file = recovery_file(doc_.work_dir, doc_.layout_path);
  auto text = std::make_shared<const std::string>(recovery_text(doc_));
  // Only the selection changed, or the changes were undone: nothing to write.
  if (file == last_file_ && *text == last_text_) return;
  if (!hold(file)) {
    say_once("Another window of the program keeps the recovery copy " +
             QString::fromStdString(file.string()) +
             ": this one keeps none of its own until that window is closed.");
    timer_.start();
    return;
  }
  wait_for_writer();
  writing_ = true;
  const unsigned generation = generation_;
  writer_ = std::thread([this, generation, file, text] {
    std::string reason;
    const bool ok = write_recovery_copy(file, *text, &reason);
    const QString why = QString::fromStdString(reason);
    QMetaObject::invokeMethod(
        this, [this, generation, file, text, ok, why] { written(generation, file, text, ok, why); },
        Qt::QueuedConnection);
  });
}

void RecoveryKeeper::written(unsigned generation, const std::filesystem::path& file,
                             const std::shared_ptr<const std::string>& text, bool ok,
                             const QString& reason) {
  if (generation != generation_) return;
  writing_ = false;
  if (ok) {
    // A copy under the document's earlier name is superseded.
    if (!last_file_.empty() && last_file_ != file) {
      std::error_code ec;
      std::filesystem::remove(last_file_, ec);
      owned_.erase(last_file_);
    }
    last_file_ = file;
    last_text_ = *text;
    failure_said_ = false;
    return;
  }
  say_once("The recovery copy " + QString::fromStdString(file.string()) +
           " could not be written: " + reason + ". It is tried again later.");
  timer_.start();
}

void RecoveryKeeper::say_once(const QString& text) {
  if (!failure_said_ && status_) status_(text);
  failure_said_ = true;
}

bool RecoveryKeeper::hold(const std::filesystem::path& file) {
  if (owned_.count(file) != 0) return true;
  JobLock lock;
  if (!lock_copy(lock, file)) return false;
  owned_.emplace(file, std::move(lock));
  return true;
}

void RecoveryKeeper::wait_for_writer() {
  if (writer_.joinable()) writer_.join();
  writing_ = false;
}

void RecoveryKeeper::remove_copies() {
  wait_for_writer();
  ++generation_;
  for (const auto& [file, lock] : owned_) {
    std::error_code ec;
    std::filesystem::remove(file, ec);
  }
  owned_.clear();  // the locks go after their copies
  last_file_.clear();
  last_text_.clear();
}

}  // namespace lumetch
