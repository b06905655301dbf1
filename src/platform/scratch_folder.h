#pragma once

#include <filesystem>

namespace lumetch {

// A private folder "lumetch-XXXXXX" in the system's temporary directory for
// the files objects need while a command runs (glyph outlines, plot strokes),
// so that nothing is written beside the caller's files. It holds its owner's
// pid in "owner.pid": a later run removes the folders of processes that no
// longer exist (killed, crashed) before it makes its own. The folder goes
// with the object, and with the program when a signal ends it.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // Empty when the folder could not be made.
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Removes the scratch folders in `tmp` that belong to this user and whose
// owner no longer runs; folders without an owner file are left alone (one
// may be in the making). Returns how many were removed.
int remove_stale_scratch_folders(const std::filesystem::path& tmp);

// For a signal handler that ends the program: removes the live scratch
// folder, using only calls that are safe in a handler.
void remove_scratch_folder_in_signal();

}  // namespace lumetch
