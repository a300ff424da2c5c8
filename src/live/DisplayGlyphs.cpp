#include "live/DisplayGlyphs.h"

#include <algorithm>

namespace {

constexpr Co2Glyphs Co2OverRange{GlyphBlank, GlyphBlank, GlyphBlank, 0, GlyphL};
constexpr Co2Glyphs Co2Dashes{GlyphDash, GlyphDash, GlyphDash, GlyphDash, GlyphDash};
constexpr FieldGlyphs FieldDashes{GlyphDash, GlyphDash, GlyphDash, GlyphDash};
constexpr FieldGlyphs RhOverRange{GlyphBlank, GlyphBlank, 0, GlyphL};

// "-OL" below range, "OL" above.
FieldGlyphs temperatureOutOfRange(const LiveReading& r) {
    return {GlyphBlank, (r.OverRangeFlags & UnderTemp) ? GlyphDash : GlyphBlank, 0, GlyphL};
}

// A count too large for the display has no digit for its first position: the field reads as
// having no value rather than showing a truncated number.
template <size_t N> std::array<int, N> orDashes(const std::array<int, N>& g) {
    const bool fits =
        std::all_of(g.begin(), g.end(), [](int i) { return i >= 0 && i < GlyphCount; });
    if (fits) return g;
    std::array<int, N> dashes;
    dashes.fill(GlyphDash);
    return dashes;
}

} // namespace

Co2Glyphs splitCo2(int32_t n) {
    Co2Glyphs g{n / 10000, (n % 10000) / 1000, (n % 1000) / 100, (n % 100) / 10, n % 10};
    for (int i = 0; i < 4 && g[i] == 0; ++i)
        g[i] = GlyphBlank;
    return orDashes(g);
}

FieldGlyphs splitField(int32_t n) {
    FieldGlyphs g{n / 1000, (n % 1000) / 100, (n % 100) / 10, n % 10};
    if (g[0] == 0) g[0] = GlyphBlank;
    return orDashes(g);
}

Co2Glyphs co2Glyphs(const LiveReading& r) {
    if (r.hold) return r.co2Held > 30000 ? Co2OverRange : splitCo2(r.co2Held);
    if (r.co2Dashes) return Co2Dashes;
    if (r.OverRangeFlags & OverCo2) return Co2OverRange;
    return splitCo2(r.co2Shown);
}

FieldGlyphs humidityGlyphs(const LiveReading& r) {
    if (r.hold) {
        if (r.humidityHeldNoValue) return FieldDashes;
        if (r.humidityHeld > 1000) return RhOverRange;
        return splitField(r.humidityHeld);
    }
    if (r.OverRangeFlags & NoRhReading) return FieldDashes;
    if (r.OverRangeFlags & OverRh) return RhOverRange;
    return splitField(r.humidityShown);
}

FieldGlyphs temperatureGlyphs(const LiveReading& r) {
    if (r.hold) {
        if (r.temperatureHeldNoValue) return FieldDashes;
        if (r.temperatureHeldForRangeTest > 2120 || r.temperatureHeldForRangeTest < 140)
            return temperatureOutOfRange(r);
        return splitField(r.temperatureHeld);
    }
    if (r.OverRangeFlags & NoTempReading) return FieldDashes;
    if (r.OverRangeFlags & (OverTemp | UnderTemp)) return temperatureOutOfRange(r);
    return splitField(r.temperatureShown);
}

std::array<int, 13> displayGlyphs(const LiveReading& r) {
    std::array<int, 13> all{};
    const Co2Glyphs c = co2Glyphs(r);
    const FieldGlyphs h = humidityGlyphs(r);
    const FieldGlyphs t = temperatureGlyphs(r);
    std::copy(c.begin(), c.end(), all.begin());
    std::copy(h.begin(), h.end(), all.begin() + 5);
    std::copy(t.begin(), t.end(), all.begin() + 9);
    return all;
}
