// Quorva run-time. Licensed under the MIT licence.
#include "screens/RasterOp.h"

namespace screens {

std::optional<QPainter::CompositionMode> RasterOpComposition(std::uint8_t rop)
{
    // With the pattern white only the upper half of the index counts: bit (S << 1 | D) of it.
    switch ((rop >> 4) & 0x0F) {
    case 0x0: return QPainter::RasterOp_ClearDestination;
    case 0x1: return QPainter::RasterOp_NotSourceAndNotDestination;
    case 0x2: return QPainter::RasterOp_NotSourceAndDestination;
    case 0x3: return QPainter::RasterOp_NotSource;
    case 0x4: return QPainter::RasterOp_SourceAndNotDestination;
    case 0x5: return QPainter::RasterOp_NotDestination;
    case 0x6: return QPainter::RasterOp_SourceXorDestination;
    case 0x7: return QPainter::RasterOp_NotSourceOrNotDestination;
    case 0x8: return QPainter::RasterOp_SourceAndDestination;
    case 0x9: return QPainter::RasterOp_NotSourceXorDestination;
    case 0xA: return std::nullopt;
    case 0xB: return QPainter::RasterOp_NotSourceOrDestination;
    case 0xC: return QPainter::CompositionMode_Source;
    case 0xD: return QPainter::RasterOp_SourceOrNotDestination;
    case 0xE: return QPainter::RasterOp_SourceOrDestination;
    default: return QPainter::RasterOp_SetDestination;
    }
}

std::uint32_t ApplyRasterOp(std::uint8_t rop, std::uint32_t source, std::uint32_t destination)
{
    std::uint32_t result = 0;
    for (int bit = 0; bit < 24; ++bit) {
        const unsigned s = (source >> bit) & 1U;
        const unsigned d = (destination >> bit) & 1U;
        const unsigned index = 4U | s << 1 | d;
        result |= static_cast<std::uint32_t>((rop >> index) & 1U) << bit;
    }
    return result;
}

} // namespace screens
