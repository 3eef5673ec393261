// The JPEG decoder: the shipped progressive picture, baseline and grey pictures made
// here with libjpeg, and bad data that must give a null image, never an abort.
#include <gtest/gtest.h>

#include <QColor>
#include <QFile>
#include <QImage>
#include <cstdio>
#include <cstdlib>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include "app/about_win.h"
#include "app/jpeg_image.h"

namespace {

QByteArray shippedPicture() {
  app::initShellResources();
  QFile f(":/about_meter.jpg");
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Baseline (sequential) JPEG of `img` in RGB or one grey component.
QByteArray compressBaseline(const QImage& img, bool grey) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  const QImage src = img.convertToFormat(grey ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
  cinfo.image_width = static_cast<JDIMENSION>(src.width());
  cinfo.image_height = static_cast<JDIMENSION>(src.height());
  cinfo.input_components = grey ? 1 : 3;
  cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 95, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    auto* row = const_cast<JSAMPROW>(src.constScanLine(static_cast<int>(cinfo.next_scanline)));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  QByteArray out(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(size));
  std::free(buffer);
  return out;
}

QImage testCard() {
  QImage img(40, 24, QImage::Format_RGB888);
  img.fill(Qt::white);
  for (int y = 0; y < 24; ++y) {
    for (int x = 0; x < 20; ++x) img.setPixelColor(x, y, QColor(220, 30, 30));
  }
  return img;
}

TEST(JpegImage, ShippedPictureIsAProgressiveColourJfifOf85By245) {
  const QByteArray bytes = shippedPicture();
  ASSERT_FALSE(bytes.isEmpty());
  EXPECT_TRUE(bytes.startsWith("\xFF\xD8")) << "JPEG start of image";
  EXPECT_EQ(bytes.mid(6, 5), QByteArray("JFIF\0", 5));
  EXPECT_TRUE(bytes.contains("\xFF\xC2")) << "progressive start-of-frame (SOF2)";
  EXPECT_FALSE(bytes.contains("\xFF\xC0")) << "no baseline frame";

  QString error;
  const QImage img = app::decodeJpeg(bytes, &error);
  ASSERT_FALSE(img.isNull()) << error.toStdString();
  EXPECT_EQ(img.size(), QSize(85, 245));
  EXPECT_EQ(img.format(), QImage::Format_RGB888);
  int colourful = 0;
  for (int y = 0; y < img.height(); ++y) {
    for (int x = 0; x < img.width(); ++x) colourful += img.pixelColor(x, y).hsvSaturation() > 120;
  }
  EXPECT_GT(colourful, 500) << "a colour picture, not grey";
  EXPECT_EQ(img.pixelColor(1, 1), QColor(Qt::white)) << "white background, like the panel";
}

TEST(JpegImage, BaselineColourAndGreyPicturesDecodeToRgb) {
  const QImage card = testCard();
  for (bool grey : {false, true}) {
    SCOPED_TRACE(grey ? "grey" : "colour");
    const QImage img = app::decodeJpeg(compressBaseline(card, grey));
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.size(), card.size());
    EXPECT_EQ(img.format(), QImage::Format_RGB888);
    const QColor left = img.pixelColor(5, 12), right = img.pixelColor(35, 12);
    EXPECT_GT(right.lightness(), 240);
    if (grey) {
      EXPECT_EQ(left.red(), left.green());
      EXPECT_EQ(left.green(), left.blue());
    } else {
      EXPECT_NEAR(left.red(), 220, 12);
      EXPECT_NEAR(left.green(), 30, 12);
    }
  }
}

TEST(JpegImage, BadDataGivesANullImageWithAReason) {
  const QByteArray good = compressBaseline(testCard(), false);
  // A header that claims 65000 x 65000 pixels: refused before any allocation.
  QByteArray huge = good;
  const qsizetype sof = huge.indexOf("\xFF\xC0");
  ASSERT_GT(sof, 0);
  huge[sof + 5] = char(0xFD);
  huge[sof + 6] = char(0xE8);
  huge[sof + 7] = char(0xFD);
  huge[sof + 8] = char(0xE8);

  const QByteArray cases[] = {
      QByteArray(),
      QByteArray("this is not a picture at all, just some text"),
      QByteArray("\xFF\xD8\xFF\xE0garbage", 11),
      good.left(20),
      huge,
  };
  for (const QByteArray& bad : cases) {
    QString error;
    EXPECT_TRUE(app::decodeJpeg(bad, &error).isNull()) << bad.size();
    EXPECT_FALSE(error.isEmpty());
  }

  // Cut in the middle of the picture data: whatever comes out, no crash, right size.
  const QImage cut = app::decodeJpeg(good.left(good.size() - 40));
  if (!cut.isNull()) {
    EXPECT_EQ(cut.size(), QSize(40, 24));
  }
  EXPECT_TRUE(app::loadJpeg("/nonexistent/picture.jpg").isNull());
}

}  // namespace
