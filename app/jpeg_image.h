#pragma once
// JPEG decoding with libjpeg itself (baseline and progressive), independent of Qt's
// image plugins, so the about box's picture shows wherever the program runs.
#include <QByteArray>
#include <QImage>
#include <QString>

namespace app {

// Decodes a JPEG held in memory to an RGB888 image. Grey, colour and CMYK pictures
// are accepted. Any decoding error gives a null image (the reason in *error when
// given); the program never aborts on bad data.
QImage decodeJpeg(const QByteArray& data, QString* error = nullptr);

// Reads a file or resource (":/about_meter.jpg") and decodes it.
QImage loadJpeg(const QString& path, QString* error = nullptr);

}  // namespace app
