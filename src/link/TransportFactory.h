#pragma once
// Makes the transport named on the command line: "usb" (the meter over USB HID), "virtual"
// (the built-in virtual meter) or "replay:FILE" (a recording of USB traffic played back as the
// meter), optionally recorded to a file.
#include <QString>
#include <memory>

class Clock;
class Transport;

std::unique_ptr<Transport> createTransport(const QString& meter, Clock& clock, QString* error);

// Wraps a transport so that all its traffic is written to `path` (--record). Null, with
// *error set, when the file cannot be created.
std::unique_ptr<Transport> recordTransport(std::unique_ptr<Transport> inner, const QString& path,
                                           QString* error);

// Why the link is not working, when the transport knows more than "no meter": the meter's
// USB device may not be opened (names the udev rule), the USB link failed, the recording could
// not be written, or the program departed from the replayed recording. Empty otherwise.
QString transportProblem(const Transport& transport);
