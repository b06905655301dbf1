// The libFuzzer target of one entry, chosen when compiled (LUMETCH_FUZZ_ENTRY).
#include "entries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  return lumetch::fuzz::LUMETCH_FUZZ_ENTRY(data, size);
}
