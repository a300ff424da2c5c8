#pragma once
// The pictures of "plot": a chart drawn as its graph window draws it, into the bytes of a PNG,
// PDF or SVG file, so the caller can put them in place whole or send them to stdout.
#include <QByteArray>
#include <QString>
#include <optional>

class QCustomPlot;

namespace cli {

enum class PictureFormat { Png, Pdf, Svg };
// "png", "pdf", "svg" (any case), or a file name's extension.
std::optional<PictureFormat> pictureFormat(const QString& nameOrExtension);

// Empty when the picture could not be made.
QByteArray drawPicture(QCustomPlot& plot, PictureFormat format, int width, int height);

} // namespace cli
