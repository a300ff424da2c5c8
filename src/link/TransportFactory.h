#pragma once
// Makes the transport named on the command line: "usb" (the meter over USB HID) or
// "virtual" (the built-in virtual meter).
#include <QString>
#include <memory>

class Clock;
class Transport;

std::unique_ptr<Transport> createTransport(const QString& meter, Clock& clock, QString* error);
