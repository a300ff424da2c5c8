// The list text reader over arbitrary bytes, fed whole and in uneven chunks; both must agree,
// and every row must keep within the field count and the line limit, and be valid UTF-8.
#include "files/ListTextReader.h"

#include <QStringDecoder>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {
using Rows = std::vector<std::vector<std::string>>;

RowSink collect(Rows& rows) {
    return [&rows](std::span<const std::string_view> fields) {
        if (fields.size() > ListTextReader::MaxFields) std::abort();
        size_t bytes = 0;
        for (auto f : fields)
            bytes += f.size();
        if (bytes > 179 * 4) std::abort();
        for (auto f : fields) {
            QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
            (void)QString(utf8(QByteArrayView(f.data(), qsizetype(f.size()))));
            if (utf8.hasError()) std::abort();
        }
        rows.emplace_back(fields.begin(), fields.end());
    };
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const char sep = (data[0] & 1) ? ',' : '\t';
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

    Rows whole, pieces;
    ListTextReader a(sep, collect(whole));
    a.feed(bytes);
    a.finish();

    ListTextReader b(sep, collect(pieces));
    const size_t step = 1 + data[0] % 97;
    for (size_t i = 0; i < bytes.size(); i += step)
        b.feed(bytes.substr(i, step));
    b.finish();

    if (whole != pieces) std::abort();
    return 0;
}
