#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "model/cketral_doc.h"
#include "platform/job_lock.h"

namespace lumetch {

// Keeps the recovery copy of the document's layout in the working directory
// while it has changes that are not saved: written at most once an interval,
// and only after a change (the first change after the last copy arms the
// timer); the layout is serialised on the window's thread and the bytes are
// written on another, so an edit never waits for the disk. The copies go
// once nothing is unsaved (a save, New, undo back to the saved state) or the
// window closes. A copy that cannot be written is said once in the status
// bar and tried again an interval later; editing goes on. Each copy is
// locked while it is kept, so that a second window in the same folder
// neither offers nor overwrites it.
class RecoveryKeeper : public QObject {
  Q_OBJECT

 public:
  static constexpr int kIntervalMs = 30'000;

  // The interval is kIntervalMs unless the environment variable
  // LUMETCH_RECOVERY_INTERVAL_MS (meant for tests) sets another.
  RecoveryKeeper(CketralDoc& doc, std::function<void(const QString&)> status,
                 QObject* parent = nullptr);
  // Waits for a copy being written; the copies stay.
  ~RecoveryKeeper() override;
  RecoveryKeeper(const RecoveryKeeper&) = delete;
  RecoveryKeeper& operator=(const RecoveryKeeper&) = delete;

  // The document changed (an edit, undo, save, open).
  void changed();
  // The layout is closed, saved or not: its copies go.
  void discard();

  int interval_ms() const { return timer_.interval(); }
  bool armed() const { return timer_.isActive(); }

 private:
  void write_copy();
  void written(unsigned generation, const std::filesystem::path& file,
               const std::shared_ptr<const std::string>& text, bool ok, const QString& reason);
  void wait_for_writer();
  void remove_copies();
  // Takes the lock of a copy; false when another window holds it.
  bool hold(const std::filesystem::path& file);
  void say_once(const QString& text);

  CketralDoc& doc_;
  std::function<void(const QString&)> status_;
  QTimer timer_;
  std::thread writer_;
  bool writing_ = false;
  // A write started before the copies were removed must not count.
  unsigned generation_ = 0;
  // Copies of this run's layout on disk (or that may be), with their locks:
  // written here, or restored into the document.
  std::map<std::filesystem::path, JobLock> owned_;
  std::filesystem::path last_file_;
  std::string last_text_;  // what last_file_ holds
  bool failure_said_ = false;
};

}  // namespace lumetch
