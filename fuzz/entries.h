#pragma once

// One entry per reader of outside data: each takes a file's bytes, reads them
// as the program would and draws or writes back what was read, all in memory.
// The same bodies run under libFuzzer (fuzz/main.cpp) and in the replay test
// of the corpora and the regression inputs (tests/fuzz). An entry aborts,
// naming the broken rule, when a round trip does not hold; the sanitizers
// catch the rest.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace lumetch::fuzz {

using Entry = int (*)(const uint8_t* data, std::size_t size);

int fuzz_layout(const uint8_t* data, std::size_t size);    // layout and clipboard files
int fuzz_record(const uint8_t* data, std::size_t size);    // one record line and its char lines
int fuzz_settings(const uint8_t* data, std::size_t size);  // "$.1"
int fuzz_screen(const uint8_t* data, std::size_t size);    // "screen.$"
int fuzz_defaults(const uint8_t* data, std::size_t size);  // "default.$"
int fuzz_fix(const uint8_t* data, std::size_t size);       // "fix.txt"
int fuzz_port(const uint8_t* data, std::size_t size);      // "port.txt"
int fuzz_title(const uint8_t* data, std::size_t size);     // "title.txt"
int fuzz_glyph(const uint8_t* data, std::size_t size);     // glyph files, drawn as texts
int fuzz_plt(const uint8_t* data, std::size_t size);       // plots, strokes, preview
int fuzz_bmp(const uint8_t* data, std::size_t size);       // bitmaps: load, preview, draw
int fuzz_vct(const uint8_t* data, std::size_t size);       // outlines: header, preview, draw
int fuzz_data(const uint8_t* data, std::size_t size);      // CSV data files and field templates

struct Target {
  std::string_view name;  // of the fuzzer, its corpus and dictionary
  Entry entry;
};

// Every target, by name.
std::span<const Target> targets();

}  // namespace lumetch::fuzz
