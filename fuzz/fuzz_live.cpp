// Any bytes as a live reply: decoding and glyph choice stay in range.
#include "live/DisplayGlyphs.h"
#include "live/LiveReading.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Two replies in a row, so the fields kept from the previous reply are exercised too.
    uint8_t reply[LiveReplySize * 2] = {};
    std::memcpy(reply, data, size < sizeof reply ? size : sizeof reply);
    LiveReading r;
    for (size_t at : {size_t(0), LiveReplySize}) {
        reply[at] = 0x02;
        reply[at + 63] = 0x03;
        if (!decodeLiveReply(std::span<const uint8_t>(reply + at, LiveReplySize), r)) abort();
        for (int g : displayGlyphs(r))
            if (g < 0 || g >= GlyphCount) abort();
    }
    decodeLiveReply(std::span<const uint8_t>(data, size), r);
    return 0;
}
