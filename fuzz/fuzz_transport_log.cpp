// Recordings of USB traffic come from users: every line must parse or be refused, never crash.
#include "link/TransportLog.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        std::string error;
        if (const auto op = parseTransportOp(line, &error)) {
            // What parses must format back into a line that parses to the same thing.
            const auto again = parseTransportOp(op->line(), &error);
            if (!again || again->line() != op->line()) __builtin_trap();
        }
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return 0;
}
