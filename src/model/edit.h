#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/creation_defaults.h"
#include "model/mark_object.h"
#include "model/mark_settings.h"
#include "model/selection.h"
#include "model/variable_data.h"
#include "platform/font_engine.h"

namespace lumetch {

class CketralDoc;

// Every change of the document is an edit: the records of the objects it
// touches before and after, the ring's order when objects come or go, and the
// creation defaults, outline font and settings when the same command changes
// them. Edits are made with a Commit and kept by the EditHistory for undo.

// One object's part of an edit.
struct ObjectChange {
  ObjectId id = kNoObject;
  std::optional<MarkObject> before;  // absent: the edit adds the object
  std::optional<MarkObject> after;   // absent: the edit removes it
};

template <class T>
struct ValueChange {
  T before;
  T after;
};

struct Edit {
  std::string name;       // what the edit menu shows: "Undo " + name
  std::string merge_key;  // consecutive edits with the same non-empty key are one step
  std::vector<ObjectChange> objects;
  bool structural = false;  // objects came or went: the orders below are set
  std::vector<ObjectId> order_before;
  std::vector<ObjectId> order_after;
  std::optional<ValueChange<CreationDefaults>> defaults;
  std::optional<ValueChange<FontDescription>> outline_font;
  std::optional<ValueChange<MarkSettings>> settings;
  std::optional<ValueChange<VariableData>> variable_data;
  ValueChange<Selection> selection;
  std::size_t bytes = 0;  // estimated memory, for the history's bound
};

// What an applied edit changed: the view repaints these objects, the panel
// refreshes the fields named.
struct ChangeNotice {
  struct Fields {
    ObjectId id = kNoObject;
    std::vector<std::string_view> names;
  };
  std::vector<ObjectId> added;
  std::vector<ObjectId> removed;
  std::vector<Fields> modified;
  bool order = false;
  bool defaults = false;
  bool outline_font = false;
  bool settings = false;
  bool variable_data = false;
  bool selection = false;

  // The fields changed of an object, null when it was not modified.
  const Fields* fields_of(ObjectId id) const;
  bool objects_changed() const { return !added.empty() || !removed.empty() || !modified.empty(); }
};

// The names of the header and block fields in which two records differ
// ("params" for what the field tables do not hold: line lengths, character
// records, loaded data). NaN equals NaN here: a field that was not touched is
// never reported.
std::vector<std::string_view> changed_fields(const MarkObject& a, const MarkObject& b);

// The undo stack. Bounded by steps and by memory; the oldest steps go first.
class EditHistory {
 public:
  static constexpr std::size_t kMaxSteps = 500;
  static constexpr std::size_t kMaxBytes = std::size_t{256} << 20;

  bool can_undo() const { return done_ > 0; }
  bool can_redo() const { return done_ < steps_.size(); }
  // Names of the steps undo and redo would take; empty when there is none.
  std::string undo_name() const { return can_undo() ? steps_[done_ - 1].name : std::string(); }
  std::string redo_name() const { return can_redo() ? steps_[done_].name : std::string(); }
  std::size_t size() const { return steps_.size(); }
  std::size_t bytes() const { return bytes_; }

  // The document differs from what was last saved or opened.
  bool modified() const { return !clean_ || *clean_ != done_; }
  void mark_clean() { clean_ = done_; }
  // The document holds changes that no file has, whatever is undone, until
  // the next save (objects added to a layout by Open, a restored copy).
  void mark_unsaved() { clean_.reset(); }
  // Forgets every step; the document counts as unmodified (New, Open).
  void clear();

  // Records an edit that has been applied. Steps that were undone are
  // dropped. It merges into the last step when both have the same non-empty
  // merge key and the document was not saved in between.
  void record(Edit edit);

  // The step to revert or reapply, moving the cursor; null when none.
  const Edit* step_back();
  const Edit* step_forward();

  // Marking advances serial numbers outside the history. Every step takes
  // the advanced text of `live` (and the line-text default), so that no undo
  // or redo brings back a number that has been marked; the document counts
  // as modified from then on, as the saved layout holds the old number.
  void keep_serial(const MarkObject& live, const CreationDefaults& defaults);
  // The same for the data row pointer a job moved on: no step brings back a
  // row that has been marked.
  void keep_data_row(int32_t next_row);

  void set_limits(std::size_t max_steps, std::size_t max_bytes);

 private:
  void trim();

  std::deque<Edit> steps_;
  std::size_t done_ = 0;                  // steps applied; the next undo takes steps_[done_ - 1]
  std::optional<std::size_t> clean_ = 0;  // done_ when the file was saved; none when lost
  std::size_t bytes_ = 0;
  std::size_t max_steps_ = kMaxSteps;
  std::size_t max_bytes_ = kMaxBytes;
};

// Makes one edit, changing the document as it goes (so that what a command
// reads back is what it wrote): modify() keeps a copy of a record before the
// caller changes it, add() and remove() link and unlink at once. The
// selection, creation defaults, outline font and settings are compared at
// push() with what they were when the commit began. A commit not pushed is
// reverted when it goes.
class Commit {
 public:
  explicit Commit(CketralDoc& doc);
  ~Commit();
  Commit(const Commit&) = delete;
  Commit& operator=(const Commit&) = delete;

  CketralDoc& doc() { return doc_; }

  // Call before changing an object's fields; returns the object.
  MarkObject& modify(MarkObject& obj);
  // Links a new record as the newest object. It gets an id, and a name by
  // the naming rule unless it has one. Null when the ring refuses it.
  MarkObject* add(std::unique_ptr<MarkObject> record);
  // Unlinks an object; the step keeps its record (and files) for undo.
  void remove(MarkObject& obj);

  // Records the changes as one step and tells the observer; returns what
  // changed. A commit that changed only the selection is told, not recorded.
  ChangeNotice push(std::string name, std::string merge_key = {});
  // Puts the document back as it was when the commit began.
  void revert();

 private:
  struct Staged {
    ObjectId id = kNoObject;
    std::optional<MarkObject> before;
    bool removed = false;
  };
  Staged& staged(ObjectId id);

  CketralDoc& doc_;
  std::vector<Staged> staged_;
  std::unordered_map<ObjectId, std::size_t> index_;
  bool structural_ = false;
  std::vector<ObjectId> order_before_;
  CreationDefaults defaults_before_;
  FontDescription font_before_;
  MarkSettings settings_before_;
  VariableData variable_data_before_;
  Selection selection_before_;
  bool finished_ = false;
};

// Applies one side of an edit to the document (after: forward) and returns
// what changed; the observer is not told.
ChangeNotice apply_edit(CketralDoc& doc, const Edit& edit, bool forward);

// Undo and redo of the document's history, the observer told. Nullopt when
// there is nothing to undo or redo. Glyph files of the texts changed are the
// caller's to rewrite (the model does not outline text).
std::optional<ChangeNotice> undo(CketralDoc& doc);
std::optional<ChangeNotice> redo(CketralDoc& doc);

}  // namespace lumetch
