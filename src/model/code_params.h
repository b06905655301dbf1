#pragma once

#include <cstdint>
#include <string>

namespace lumetch {

// Longest code data in bytes (QR's byte mode holds at most 2953).
inline constexpr std::size_t kCodeDataMax = 3000;

// Symbologies as stored in records.
inline constexpr int32_t kCodeQr = 0;
inline constexpr int32_t kCodeDataMatrix = 1;
inline constexpr int32_t kCodeCode128 = 2;

// A 2D or linear code drawn from the encoder's symbol.
struct CodeParams {
  double size_x = 20.0;  // the symbol's box, quiet zone included
  double size_y = 20.0;
  int32_t symbology = kCodeQr;
  int32_t ecc = 0;         // QR error correction 1..4 (L, M, Q, H); 0 the encoder's choice
  int32_t code_size = 0;   // QR version, Data Matrix size; 0 the smallest that fits
  int32_t quiet_zone = 1;  // 1: the symbology's quiet zone is part of the box
  int32_t gs1 = 0;         // 1: data in GS1 form ("[01]...")
  int32_t display_type = 0;  // 0 dark modules marked, 1 negative (light modules marked)
  std::string data = "LUMETCH";
  int32_t variable = 0;  // 1: a serial number; 2: data fields filled at each pass
  bool operator==(const CodeParams&) const = default;
};

}  // namespace lumetch
