#pragma once
// Which digit glyph each display position of the front panel shows for a live reading.
// Glyph index n is the picture LCDn: 0-9 digits, 10 blank, 17 dash, 18 the letter L.
#include "live/LiveReading.h"

#include <array>

constexpr int GlyphBlank = 10;
constexpr int GlyphDash = 17;
constexpr int GlyphL = 18;
constexpr int GlyphCount = 25;

using Co2Glyphs = std::array<int, 5>;
using FieldGlyphs = std::array<int, 4>; // %RH or temperature

// Five CO2 positions, leading zeros blank, the last digit always shown.
Co2Glyphs splitCo2(int32_t n);
// Four positions of a count in tenths; only the first position is ever blank.
FieldGlyphs splitField(int32_t n);

Co2Glyphs co2Glyphs(const LiveReading& r);
FieldGlyphs humidityGlyphs(const LiveReading& r);
FieldGlyphs temperatureGlyphs(const LiveReading& r);

// All 13 positions in panel order: 5 CO2, 4 %RH, 4 temperature.
std::array<int, 13> displayGlyphs(const LiveReading& r);

// A glyph index that is safe to look up among the 25 pictures.
constexpr int safeGlyph(int index) {
    return index >= 0 && index < GlyphCount ? index : GlyphBlank;
}
