// Draws the about box's picture, a hand-held LT-40 teslameter with its probe, and
// writes it as a progressive JFIF file of 85 x 245 pixels.
//
//   make-about-picture <output.jpg>

#include <QColor>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <array>
#include <cstdio>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

namespace {

constexpr int kWidth = 85;
constexpr int kHeight = 245;

// Segments a..g of a seven-segment digit.
constexpr std::array<unsigned char, 10> kSegments{0x3F, 0x06, 0x5B, 0x4F, 0x66,
                                                  0x6D, 0x7D, 0x07, 0x7F, 0x6F};

void drawDigit(QPainter& p, int x, int y, int digit, const QColor& ink) {
  const int w = 8, h = 16, t = 2;
  const QRect seg[7] = {
      {x + t, y, w - 2 * t, t},                  // a
      {x + w - t, y + t, t, h / 2 - t},          // b
      {x + w - t, y + h / 2 + 1, t, h / 2 - t},  // c
      {x + t, y + h - t + 1, w - 2 * t, t},      // d
      {x, y + h / 2 + 1, t, h / 2 - t},          // e
      {x, y + t, t, h / 2 - t},                  // f
      {x + t, y + h / 2 - 1 + 1, w - 2 * t, t},  // g
  };
  for (int s = 0; s < 7; ++s) {
    if (kSegments[digit] & (1 << s)) p.fillRect(seg[s], ink);
  }
}

QImage drawMeter() {
  QImage img(kWidth, kHeight, QImage::Format_RGB888);
  img.fill(Qt::white);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);

  // Probe: a thin Hall-sensor rod above a dark handle.
  QLinearGradient rod(56, 0, 64, 0);
  rod.setColorAt(0, QColor(150, 150, 155));
  rod.setColorAt(0.5, QColor(235, 235, 240));
  rod.setColorAt(1, QColor(120, 120, 125));
  p.setPen(Qt::NoPen);
  p.setBrush(rod);
  p.drawRoundedRect(QRectF(57, 3, 6, 42), 2, 2);
  p.setBrush(QColor(200, 40, 30));  // the sensor's marked tip
  p.drawRect(QRectF(57, 3, 6, 4));
  QLinearGradient handle(52, 0, 68, 0);
  handle.setColorAt(0, QColor(30, 30, 35));
  handle.setColorAt(0.5, QColor(80, 80, 90));
  handle.setColorAt(1, QColor(25, 25, 30));
  p.setBrush(handle);
  p.drawRoundedRect(QRectF(53, 44, 14, 34), 4, 4);

  // Cable from the handle down to the meter's socket.
  QPainterPath cable(QPointF(60, 78));
  cable.cubicTo(QPointF(62, 95), QPointF(18, 70), QPointF(24, 100));
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(20, 20, 20), 3, Qt::SolidLine, Qt::RoundCap));
  p.drawPath(cable);

  // Meter body.
  QLinearGradient body(6, 0, 79, 0);
  body.setColorAt(0, QColor(28, 52, 88));
  body.setColorAt(0.45, QColor(60, 95, 145));
  body.setColorAt(1, QColor(22, 42, 72));
  p.setPen(QPen(QColor(10, 20, 35), 1.5));
  p.setBrush(body);
  p.drawRoundedRect(QRectF(6, 100, 73, 141), 10, 10);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(20, 20, 20));
  p.drawRect(QRectF(19, 96, 10, 6));  // socket

  // Display with a reading.
  p.setBrush(QColor(15, 25, 40));
  p.drawRoundedRect(QRectF(12, 109, 61, 38), 3, 3);
  p.setBrush(QColor(172, 196, 150));
  p.drawRect(QRectF(15, 112, 55, 32));
  const QColor ink(30, 40, 30);
  drawDigit(p, 19, 117, 1, ink);
  drawDigit(p, 30, 117, 2, ink);
  p.fillRect(QRect(40, 132, 2, 2), ink);  // decimal point
  drawDigit(p, 44, 117, 5, ink);
  drawDigit(p, 55, 117, 7, ink);
  p.fillRect(QRect(18, 137, 10, 2), ink);  // unit bar "mT"

  // Keypad.
  const std::array<QColor, 3> keyColours{QColor(210, 210, 215), QColor(210, 210, 215),
                                         QColor(240, 170, 40)};
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col) {
      p.setBrush(row == 2 && col == 1 ? keyColours[2] : keyColours[0]);
      p.drawRoundedRect(QRectF(15 + col * 20, 158 + row * 17, 15, 10), 3, 3);
    }
  }
  p.setBrush(QColor(205, 30, 30));  // power key
  p.drawEllipse(QRectF(36, 212, 13, 13));
  p.setBrush(QColor(240, 170, 40));  // maker's stripe
  p.drawRect(QRectF(14, 230, 57, 3));
  p.end();
  return img;
}

bool writeProgressiveJpeg(const QImage& img, const char* path) {
  std::FILE* out = std::fopen(path, "wb");
  if (!out) return false;
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);  // a compression error ends this tool
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, out);
  cinfo.image_width = static_cast<JDIMENSION>(img.width());
  cinfo.image_height = static_cast<JDIMENSION>(img.height());
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);  // YCbCr with a JFIF header
  jpeg_set_quality(&cinfo, 92, TRUE);
  jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    auto* row = const_cast<JSAMPROW>(img.constScanLine(static_cast<int>(cinfo.next_scanline)));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return std::fclose(out) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output.jpg>\n", argv[0]);
    return 2;
  }
  if (!writeProgressiveJpeg(drawMeter(), argv[1])) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
