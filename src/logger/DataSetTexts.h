#pragma once
// The texts of one row of the data sets list: columns 0 to 8 for data set k of the store.
#include "logger/DataSetStore.h"

#include <QString>
#include <array>

constexpr int DataSetTextColumns = 9;

// "01:30" for 90 s: minutes and seconds, each at least two digits.
QString intervalText(int seconds);
// Offsets as shown: the byte read as a signed 8-bit count of tenths, one decimal, in the
// system's decimal separator. The temperature offset is stored in tenths of degrees F and
// shown in the data set's own unit.
QString rhOffsetText(int storedByte);
QString temperatureOffsetText(int storedByte, bool fahrenheit);

// The list's column titles, "Set" to "T1 Offset".
constexpr std::array<const char*, DataSetTextColumns> DataSetHeaders = {
    "Set", "DATE", "TIME", "Rate", "Nums", "Unit", "ppm Offset", "RH Offset", "T1 Offset"};

std::array<QString, DataSetTextColumns> dataSetRowTexts(const DataSetStore& store, int k);
