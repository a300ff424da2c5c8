// The list text reader over arbitrary bytes, fed whole and in uneven chunks; both must agree,
// and every kept field must lie within the line limit.
#include "files/TextTable.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const char sep = (data[0] & 1) ? ',' : '\t';
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

    TextTable whole;
    ListTextReader a(sep);
    a.feed(bytes, whole);
    a.finish(whole);

    TextTable pieces;
    ListTextReader b(sep);
    const size_t step = 1 + data[0] % 97;
    for (size_t i = 0; i < bytes.size(); i += step)
        b.feed(bytes.substr(i, step), pieces);
    b.finish(pieces);

    if (whole.rowCount() != pieces.rowCount()) std::abort();
    for (size_t r = 0; r < whole.rowCount(); ++r) {
        if (whole.fieldCount(r) != pieces.fieldCount(r)) std::abort();
        if (whole.fieldCount(r) > TextTable::MaxFields) std::abort();
        for (int c = 0; c < whole.fieldCount(r); ++c) {
            if (whole.field(r, c) != pieces.field(r, c)) std::abort();
            if (whole.field(r, c).size() > 179 * 4) std::abort();
        }
    }
    return 0;
}
