#include "app/jpeg_image.h"

#include <QFile>
#include <csetjmp>
#include <cstdio>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

namespace app {

namespace {

// A garbage header may claim a huge picture; refuse it before libjpeg allocates.
constexpr unsigned long kMaxPixels = 16UL * 1024 * 1024;

// libjpeg's default error_exit calls exit(); ours jumps back to the decoder, which
// then returns a null image.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

extern "C" void jumpOnError(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

// Warnings (e.g. a truncated file, filled with grey) are not printed on stderr.
extern "C" void keepQuiet(j_common_ptr) {}

// The functions below hold no C++ objects across setjmp, so a longjmp out of
// libjpeg skips no destructor.

bool startDecompress(jpeg_decompress_struct* cinfo, ErrorManager* err, const unsigned char* data,
                     unsigned long size, bool* tooLarge) {
  if (setjmp(err->jump)) return false;
  jpeg_mem_src(cinfo, data, size);
  jpeg_read_header(cinfo, TRUE);
  if (static_cast<unsigned long>(cinfo->image_width) * cinfo->image_height > kMaxPixels) {
    *tooLarge = true;
    return false;
  }
  // libjpeg converts grey and YCbCr to RGB itself; CMYK/YCCK only to CMYK.
  const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
  cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_start_decompress(cinfo);
  return true;
}

bool readRows(jpeg_decompress_struct* cinfo, ErrorManager* err, unsigned char* bits,
              long bytesPerLine, unsigned char* cmykRow) {
  if (setjmp(err->jump)) return false;
  while (cinfo->output_scanline < cinfo->output_height) {
    unsigned char* dest = bits + bytesPerLine * static_cast<long>(cinfo->output_scanline);
    JSAMPROW row = cmykRow ? cmykRow : dest;
    if (jpeg_read_scanlines(cinfo, &row, 1) != 1) return false;
    if (cmykRow) {
      // Adobe writes CMYK inverted (as libjpeg reads it): 255 = no ink.
      for (JDIMENSION x = 0; x < cinfo->output_width; ++x) {
        const unsigned k = cmykRow[4 * x + 3];
        for (int c = 0; c < 3; ++c)
          dest[3 * x + c] = static_cast<unsigned char>(cmykRow[4 * x + c] * k / 255);
      }
    }
  }
  jpeg_finish_decompress(cinfo);
  return true;
}

}  // namespace

QImage decodeJpeg(const QByteArray& data, QString* error) {
  auto fail = [error](const QString& why) {
    if (error) *error = why;
    return QImage();
  };
  if (data.isEmpty()) return fail(QStringLiteral("no data"));

  jpeg_decompress_struct cinfo{};
  ErrorManager err{};
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = jumpOnError;
  err.pub.output_message = keepQuiet;
  jpeg_create_decompress(&cinfo);

  bool tooLarge = false;
  const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
  if (!startDecompress(&cinfo, &err, bytes, static_cast<unsigned long>(data.size()), &tooLarge)) {
    jpeg_destroy_decompress(&cinfo);
    return fail(tooLarge ? QStringLiteral("picture too large") : QString::fromLatin1(err.message));
  }

  QImage image(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height),
               QImage::Format_RGB888);
  if (image.isNull()) {
    jpeg_destroy_decompress(&cinfo);
    return fail(QStringLiteral("out of memory"));
  }
  QByteArray cmykRow;
  if (cinfo.out_color_space == JCS_CMYK) cmykRow.resize(4 * qsizetype(cinfo.output_width));

  const bool ok =
      readRows(&cinfo, &err, image.bits(), image.bytesPerLine(),
               cmykRow.isEmpty() ? nullptr : reinterpret_cast<unsigned char*>(cmykRow.data()));
  jpeg_destroy_decompress(&cinfo);
  if (!ok) {
    return fail(err.message[0] ? QString::fromLatin1(err.message)
                               : QStringLiteral("decoding stopped early"));
  }
  if (error) error->clear();
  return image;
}

QImage loadJpeg(const QString& path, QString* error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    if (error) *error = file.errorString();
    return QImage();
  }
  return decodeJpeg(file.readAll(), error);
}

}  // namespace app
