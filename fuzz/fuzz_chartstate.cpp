// Feeds arbitrary bytes to the chart state block decoder: it must refuse or accept without
// crashing, a refusal must say why, and whatever it accepts must encode to a block that is
// accepted again.
#include "graph/chart/ChartState.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QString error;
    const auto state = chart::decodeChartState({data, size}, &error);
    if (state) {
        const QByteArray again = chart::encodeChartState(*state);
        const auto* bytes = reinterpret_cast<const uint8_t*>(again.constData());
        if (!chart::decodeChartState({bytes, size_t(again.size())}, nullptr)) std::abort();
    } else if (error.isEmpty()) {
        std::abort();
    }
    return 0;
}
