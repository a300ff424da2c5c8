// The information reply from the wire and the texts typed into the setup dialog.
#include "setup/MeterInfo.h"
#include "setup/SetupFrames.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    if (const auto info = decodeMeterInfo(bytes)) {
        const MeterInfoTexts t = meterInfoTexts(*info, QLatin1Char(','));
        if (t.meterTime.size() != 21) __builtin_trap();
    }
    serialText(std::span<const char>(reinterpret_cast<const char*>(data), size));

    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype half = text.size() / 2;
    checkInterval(text.left(half), text.mid(half));
    checkRhOffset(text, QLatin1Char(','));
    checkTempOffset(text, size % 2 == 0);
    checkCo2Offset(text);
    checkAltitude(text);
    const AlarmCheck a = checkAlarm(text.left(half), text.mid(half));
    if (a.ok() && a.value->low > a.value->high) __builtin_trap();
    return 0;
}
