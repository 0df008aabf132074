// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstdint>
#include <optional>

#include <QPainter>

namespace screens {

// The painter composition that applies the ternary raster operation `rop` (the operation's
// index byte: 0xCC source copy, 0x66 source invert, 0x88 source and, 0xEE source paint, 0x33
// inverted source, 0x00 black, 0xFF white, 0x55 inverted destination ...) with the pattern
// taken as white, so that each bit of the result is bit (4 | S << 1 | D) of `rop`. Qt's raster
// engine combines the 32-bit pixels bit by bit (alpha kept opaque), which makes the result
// exact. Empty for the operations that leave the destination as it is.
std::optional<QPainter::CompositionMode> RasterOpComposition(std::uint8_t rop);

// The same operation done on one RGB value, for checking and for callers that hold pixels.
std::uint32_t ApplyRasterOp(std::uint8_t rop, std::uint32_t source, std::uint32_t destination);

} // namespace screens
