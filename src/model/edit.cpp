#include "model/edit.h"

#include <cmath>
#include <cstring>
#include <type_traits>
#include <utility>
#include <variant>

#include "model/cketral_doc.h"
#include "model/field_table.h"

namespace lumetch {

namespace {

bool same(double a, double b) {
  return a == b || (std::isnan(a) && std::isnan(b));
}

std::size_t text_bytes(const std::string& s) {
  return s.capacity() > 15 ? s.capacity() : 0;
}

std::size_t record_bytes(const MarkObject& o) {
  std::size_t n = sizeof(MarkObject) + text_bytes(o.name);
  std::visit(
      [&](const auto& p) {
        using Block = std::decay_t<decltype(p)>;
        if constexpr (std::is_same_v<Block, LineTextParams> ||
                      std::is_same_v<Block, ArcTextParams>) {
          n += text_bytes(p.text) + text_bytes(p.face_name) + text_bytes(p.glyph_file) +
               p.chars.capacity() * sizeof(CharRecord);
        }
        if constexpr (std::is_same_v<Block, LineTextParams>) {
          n += p.line_lengths.capacity() * sizeof(int32_t);
        }
        if constexpr (std::is_same_v<Block, BarcodeParams>) n += text_bytes(p.text);
        if constexpr (std::is_same_v<Block, CodeParams>) n += text_bytes(p.data);
        if constexpr (std::is_same_v<Block, PltBlock>) {
          n += text_bytes(p.source_path);
          for (const std::string& f : p.pen_file) n += text_bytes(f);
        }
        // A bitmap's pixels are shared between the copies, not counted per copy.
        if constexpr (std::is_same_v<Block, BmpBlock> || std::is_same_v<Block, VctBlock>) {
          n += text_bytes(p.source_path);
        }
      },
      o.params);
  return n;
}

std::size_t edit_bytes(const Edit& e) {
  std::size_t n = sizeof(Edit) + e.name.size() + e.merge_key.size();
  for (const ObjectChange& c : e.objects) {
    n += sizeof(ObjectChange);
    if (c.before) n += record_bytes(*c.before);
    if (c.after) n += record_bytes(*c.after);
  }
  n += (e.order_before.capacity() + e.order_after.capacity()) * sizeof(ObjectId);
  n += (e.selection.before.size() + e.selection.after.size()) * sizeof(ObjectId);
  if (e.defaults) n += 2 * sizeof(CreationDefaults);
  return n;
}

// The serial fields of `live` given to a kept record of the same object.
void take_serial(MarkObject& kept, const MarkObject& live) {
  if (auto* p = kept.block<LineTextParams>()) {
    if (const auto* q = live.block<LineTextParams>()) {
      p->text = q->text;
      p->line_count = q->line_count;
      p->line_lengths = q->line_lengths;
      p->chars.resize(q->chars.size());
    }
  }
  if (auto* p = kept.block<BarcodeParams>()) {
    if (const auto* q = live.block<BarcodeParams>()) p->text = q->text;
  }
  if (auto* p = kept.block<CodeParams>()) {
    if (const auto* q = live.block<CodeParams>()) p->data = q->data;
  }
}

void take_serial(CreationDefaults& kept, const CreationDefaults& live) {
  kept.line_text.text = live.line_text.text;
  kept.line_text.line_count = live.line_text.line_count;
  kept.line_text.line_lengths = live.line_text.line_lengths;
}

ChangeNotice describe(const Edit& e) {
  ChangeNotice n;
  for (const ObjectChange& c : e.objects) {
    if (!c.before && c.after) n.added.push_back(c.id);
    if (c.before && !c.after) n.removed.push_back(c.id);
    if (c.before && c.after) n.modified.push_back({c.id, changed_fields(*c.before, *c.after)});
  }
  n.order = e.structural;
  n.defaults = e.defaults.has_value();
  n.outline_font = e.outline_font.has_value();
  n.settings = e.settings.has_value();
  n.variable_data = e.variable_data.has_value();
  n.selection = !(e.selection.before == e.selection.after);
  return n;
}

template <class T>
void merge_value(std::optional<ValueChange<T>>& into, const std::optional<ValueChange<T>>& next) {
  if (!next) return;
  if (into) {
    into->after = next->after;
  } else {
    into = next;
  }
}

}  // namespace

const ChangeNotice::Fields* ChangeNotice::fields_of(ObjectId id) const {
  for (const Fields& f : modified) {
    if (f.id == id) return &f;
  }
  return nullptr;
}

std::vector<std::string_view> changed_fields(const MarkObject& a, const MarkObject& b) {
  std::vector<std::string_view> names;
  if (a.type != b.type) names.push_back("type");
  for (const FieldDef<MarkObject>& f : header_fields()) {
    const bool same_value = std::visit(
        [&](auto member) {
          const auto& x = a.*member;
          const auto& y = b.*member;
          if constexpr (std::is_same_v<std::decay_t<decltype(x)>, double>) {
            return same(x, y);
          } else {
            return x == y;
          }
        },
        f.member);
    if (!same_value) names.push_back(f.name);
  }
  if (a.name != b.name) names.push_back("name");
  changed_block_fields(a.params, b.params, names);
  return names;
}

// History.

void EditHistory::clear() {
  steps_.clear();
  done_ = 0;
  clean_ = 0;
  bytes_ = 0;
}

void EditHistory::record(Edit edit) {
  while (steps_.size() > done_) {
    bytes_ -= steps_.back().bytes;
    steps_.pop_back();
  }
  if (clean_ && *clean_ > done_) clean_.reset();  // the saved state was undone and left
  const bool saved_here = clean_ && *clean_ == done_;
  if (!edit.merge_key.empty() && done_ > 0 && !saved_here &&
      steps_.back().merge_key == edit.merge_key) {
    Edit& top = steps_.back();
    for (ObjectChange& c : edit.objects) {
      ObjectChange* same_object = nullptr;
      for (ObjectChange& t : top.objects) {
        if (t.id == c.id) same_object = &t;
      }
      if (same_object != nullptr) {
        same_object->after = std::move(c.after);
      } else {
        top.objects.push_back(std::move(c));
      }
    }
    if (edit.structural) {
      if (!top.structural) top.order_before = std::move(edit.order_before);
      top.structural = true;
      top.order_after = std::move(edit.order_after);
    }
    merge_value(top.defaults, edit.defaults);
    merge_value(top.outline_font, edit.outline_font);
    merge_value(top.settings, edit.settings);
    merge_value(top.variable_data, edit.variable_data);
    top.selection.after = std::move(edit.selection.after);
    bytes_ -= top.bytes;
    top.bytes = edit_bytes(top);
    bytes_ += top.bytes;
    return;
  }
  edit.bytes = edit_bytes(edit);
  bytes_ += edit.bytes;
  steps_.push_back(std::move(edit));
  ++done_;
  trim();
}

void EditHistory::trim() {
  while (done_ > 1 && (steps_.size() > max_steps_ || bytes_ > max_bytes_)) {
    bytes_ -= steps_.front().bytes;
    steps_.pop_front();
    --done_;
    if (clean_) {
      if (*clean_ == 0) {
        clean_.reset();
      } else {
        --*clean_;
      }
    }
  }
}

const Edit* EditHistory::step_back() {
  if (!can_undo()) return nullptr;
  return &steps_[--done_];
}

const Edit* EditHistory::step_forward() {
  if (!can_redo()) return nullptr;
  return &steps_[done_++];
}

void EditHistory::keep_data_row(int32_t next_row) {
  clean_.reset();
  for (Edit& e : steps_) {
    if (!e.variable_data) continue;
    e.variable_data->before.next_row = next_row;
    e.variable_data->after.next_row = next_row;
  }
}

void EditHistory::keep_serial(const MarkObject& live, const CreationDefaults& defaults) {
  // The saved layout still holds the number just marked: it must be saved again.
  clean_.reset();
  for (Edit& e : steps_) {
    for (ObjectChange& c : e.objects) {
      if (c.id != live.id) continue;
      if (c.before) take_serial(*c.before, live);
      if (c.after) take_serial(*c.after, live);
    }
    if (e.defaults) {
      take_serial(e.defaults->before, defaults);
      take_serial(e.defaults->after, defaults);
    }
  }
}

void EditHistory::set_limits(std::size_t max_steps, std::size_t max_bytes) {
  max_steps_ = max_steps < 1 ? 1 : max_steps;
  max_bytes_ = max_bytes;
  trim();
}

// Commit.

Commit::Commit(CketralDoc& doc)
    : doc_(doc),
      defaults_before_(doc.defaults),
      font_before_(doc.outline_font),
      settings_before_(doc.settings),
      variable_data_before_(doc.variable_data),
      selection_before_(doc.selection) {}

Commit::~Commit() {
  if (!finished_) revert();
}

Commit::Staged& Commit::staged(ObjectId id) {
  const auto it = index_.find(id);
  if (it != index_.end()) return staged_[it->second];
  index_.emplace(id, staged_.size());
  staged_.push_back({id, std::nullopt, false});
  return staged_.back();
}

MarkObject& Commit::modify(MarkObject& obj) {
  if (index_.find(obj.id) == index_.end()) staged(obj.id).before = detached_copy(obj);
  return obj;
}

MarkObject* Commit::add(std::unique_ptr<MarkObject> record) {
  if (record == nullptr) return nullptr;
  if (!structural_) order_before_ = doc_.ring.order();
  if (record->name.empty()) {
    record->name = next_object_name(doc_.object_list, object_prefix(record->type));
  }
  MarkObject* obj = doc_.ring.add(std::move(record));
  if (obj == nullptr) return nullptr;
  structural_ = true;
  staged(obj->id);  // no record before: added
  return obj;
}

void Commit::remove(MarkObject& obj) {
  if (!structural_) order_before_ = doc_.ring.order();
  structural_ = true;
  modify(obj);
  Staged& s = staged(obj.id);
  s.removed = true;
  doc_.selection.remove(obj.id);
  doc_.ring.unlink(&obj);  // freed; the copy kept in `before` holds its files
}

ChangeNotice Commit::push(std::string name, std::string merge_key) {
  finished_ = true;
  Edit e;
  e.name = std::move(name);
  e.merge_key = std::move(merge_key);
  for (Staged& s : staged_) {
    const MarkObject* live = s.removed ? nullptr : doc_.ring.find(s.id);
    std::optional<MarkObject> after;
    if (live != nullptr) after = detached_copy(*live);
    if (!s.before && !after) continue;  // added and removed again
    if (s.before && after && changed_fields(*s.before, *after).empty()) continue;
    e.objects.push_back({s.id, std::move(s.before), std::move(after)});
  }
  if (structural_) {
    e.order_after = doc_.ring.order();
    e.structural = e.order_after != order_before_;
    if (e.structural) e.order_before = std::move(order_before_);
  }
  if (!(doc_.defaults == defaults_before_)) e.defaults = {defaults_before_, doc_.defaults};
  if (!(doc_.outline_font == font_before_)) e.outline_font = {font_before_, doc_.outline_font};
  if (!(doc_.settings == settings_before_)) e.settings = {settings_before_, doc_.settings};
  if (!(doc_.variable_data == variable_data_before_)) {
    e.variable_data = {variable_data_before_, doc_.variable_data};
  }
  e.selection = {selection_before_, doc_.selection};

  const ChangeNotice notice = describe(e);
  const bool recorded =
      !e.objects.empty() || e.structural || e.defaults || e.outline_font || e.settings ||
      e.variable_data;
  if (recorded) doc_.history.record(std::move(e));
  if (recorded || notice.selection) doc_.notify(notice);
  return notice;
}

void Commit::revert() {
  finished_ = true;
  for (auto it = staged_.rbegin(); it != staged_.rend(); ++it) {
    MarkObject* live = doc_.ring.find(it->id);
    if (!it->before) {
      if (live != nullptr) doc_.ring.unlink(live);
    } else if (live == nullptr) {
      doc_.ring.add(std::make_unique<MarkObject>(detached_copy(*it->before)));
    } else {
      assign_fields(*live, *it->before);
    }
  }
  if (structural_) doc_.ring.reorder(order_before_);
  doc_.defaults = defaults_before_;
  doc_.outline_font = font_before_;
  doc_.settings = settings_before_;
  doc_.variable_data = variable_data_before_;
  doc_.selection = selection_before_;
}

// Applying.

ChangeNotice apply_edit(CketralDoc& doc, const Edit& edit, bool forward) {
  ChangeNotice n;
  for (const ObjectChange& c : edit.objects) {
    const std::optional<MarkObject>& to = forward ? c.after : c.before;
    MarkObject* live = doc.ring.find(c.id);
    if (!to) {
      if (live != nullptr) {
        doc.ring.unlink(live);
        n.removed.push_back(c.id);
      }
    } else if (live == nullptr) {
      if (MarkObject* back = doc.ring.add(std::make_unique<MarkObject>(detached_copy(*to)))) {
        doc.update_screen_rect(*back);
        n.added.push_back(c.id);
      }
    } else {
      std::vector<std::string_view> names = changed_fields(*live, *to);
      assign_fields(*live, *to);
      doc.update_screen_rect(*live);
      if (!names.empty()) n.modified.push_back({c.id, std::move(names)});
    }
  }
  if (edit.structural) {
    doc.ring.reorder(forward ? edit.order_after : edit.order_before);
    n.order = true;
  }
  if (edit.defaults) {
    doc.defaults = forward ? edit.defaults->after : edit.defaults->before;
    n.defaults = true;
  }
  if (edit.outline_font) {
    doc.outline_font = forward ? edit.outline_font->after : edit.outline_font->before;
    n.outline_font = true;
  }
  if (edit.variable_data) {
    doc.variable_data = forward ? edit.variable_data->after : edit.variable_data->before;
    n.variable_data = true;
  }
  if (edit.settings) {
    doc.settings = forward ? edit.settings->after : edit.settings->before;
    n.settings = true;
  }
  const Selection& selection = forward ? edit.selection.after : edit.selection.before;
  n.selection = !(doc.selection == selection);
  doc.selection = selection;
  return n;
}

namespace {

std::optional<ChangeNotice> step(CketralDoc& doc, bool forward) {
  const Edit* e = forward ? doc.history.step_forward() : doc.history.step_back();
  if (e == nullptr) return std::nullopt;
  ChangeNotice n = apply_edit(doc, *e, forward);
  doc.notify(n);
  return n;
}

}  // namespace

std::optional<ChangeNotice> undo(CketralDoc& doc) {
  return step(doc, false);
}

std::optional<ChangeNotice> redo(CketralDoc& doc) {
  return step(doc, true);
}

}  // namespace lumetch
