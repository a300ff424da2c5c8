#pragma once
// Makes the transport named on the command line:
//   "usb"          the meter over USB HID (the default)
//   "virtual"      the built-in virtual meter
//   "replay:FILE"  a recording of USB traffic played back as the meter
// With a record file, every operation is also written to that file.
#include <QString>
#include <memory>

class Clock;
class Transport;

std::unique_ptr<Transport> createTransport(const QString& meter, Clock& clock, QString* error,
                                           const QString& recordFile = QString());
