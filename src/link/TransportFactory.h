#pragma once
// Makes the transport named on the command line:
//   "usb"          the meter over USB HID (the default)
//   "virtual"      the built-in virtual meter
//   "replay:FILE"  a recording of USB traffic played back as the meter
// With a record file, every operation is also written to that file.
#include "link/RecordingTransport.h" // RecordSaving

#include <QString>
#include <memory>

class Clock;
class Transport;

std::unique_ptr<Transport> createTransport(const QString& meter, Clock& clock, QString* error,
                                           const QString& recordFile = QString(),
                                           RecordSaving saving = RecordSaving::AsItGoes);

// Ends the recording of a transport made with a record file (see RecordingTransport::finish);
// true for one without. False: *why tells what went wrong with the recording.
bool finishRecording(Transport& transport, QString* why);

// Why the link is not working, when the transport knows more than "no meter": the meter's
// USB device may not be opened (names the udev rule), the USB link failed, the recording could
// not be written, or the program departed from the replayed recording. Empty otherwise.
QString transportProblem(const Transport& transport);
