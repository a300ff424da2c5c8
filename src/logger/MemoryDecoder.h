#pragma once
// The decoder of the meter's logger memory: header, then a chain of data set records of timed
// CO2 / %RH / temperature samples. Pure: it reads the image and writes only the store.
#include "logger/DataSetStore.h"

#include <QDateTime>
#include <cstdint>
#include <span>

// Results of DecodeMemory.
enum DecodeResult {
    DecodeOk = 0,
    DecodeTooManySets = 2, // the image claims more than MaxDataSets
    DecodeNoData = 6,      // the meter holds no data set
};

constexpr int MaxDataSets = 4000;
constexpr int FirstRecordOffset = 0xB00;
constexpr float Co2OverRange = 90000.0f;

// Decodes a memory image into the store. On DecodeOk the store is replaced as a whole; on any
// other result it is left exactly as it was. `now` is the local date and time whose fields
// stand in for date bytes that are not two decimal digits.
//
// Never reads outside `image`: a record whose samples run past the end of the image is cut
// short at its last whole sample (its sample count says so), and records whose header lies
// past the end are dropped.
int DecodeMemory(std::span<const uint8_t> image, DataSetStore& store, const QDateTime& now);
