// The least Qt program that follows the instrument the way Halvex must: an event thread
// waits on the line and hands each wake over to the GUI thread (an eventfd watched by a
// QSocketNotifier), blocking until the GUI thread has read the bytes; the GUI thread cuts
// the 18-byte frames. With a MODE that paints, every frame also marks one chart column, and
// once 30 ms have passed since the last showing the chart's marked columns (and in "full"
// four readout labels like Halvex's) are repainted: the same pace as Halvex, ~26 times a
// second at 53.3 frames/s. Nothing else: no processing, no recording, no menus.
// It tells what the toolkit itself costs beside the floor reader; see
// tools/measure-least-qt.sh.   usage: least_qt LINK MODE    MODE = handover | chart | full
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFrame>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QSocketNotifier>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <thread>

namespace {

struct Chart : QWidget {
  QImage image{450, 200, QImage::Format_RGB32};
  int x = 0;
  QRect marked;
  explicit Chart(QWidget* parent) : QWidget(parent) {
    image.fill(Qt::white);
    setAttribute(Qt::WA_OpaquePaintEvent);
  }
  void add(double v) {
    QPainter p(&image);
    p.setPen(Qt::white);
    p.drawLine(x, 0, x, 199);
    p.setPen(Qt::blue);
    p.drawPoint(x, 100 - static_cast<int>(v * 90));
    marked |= QRect(x, 0, 1, 200);
    x = (x + 1) % 450;
  }
  void show() {
    if (!marked.isEmpty()) update(marked);
    marked = QRect();
  }
  void paintEvent(QPaintEvent* e) override {
    QPainter p(this);
    p.drawImage(e->rect(), image, e->rect());
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: least_qt LINK handover|chart|full\n");
    return 2;
  }
  QApplication app(argc, argv);
  const QString mode = QString::fromLatin1(argv[2]);
  const bool paints = mode != QLatin1String("handover");
  const bool labels = mode == QLatin1String("full");

  QWidget window;
  window.resize(640, 480);
  window.setWindowTitle(QStringLiteral("least_qt"));
  auto* panel = new QFrame(&window);
  panel->setGeometry(8, 8, 369, 153);
  panel->setAutoFillBackground(true);
  QPalette dark = panel->palette();
  dark.setColor(QPalette::Window, QColor(58, 58, 58));
  dark.setColor(QPalette::WindowText, Qt::yellow);
  panel->setPalette(dark);
  QLabel* readout[4];
  for (int i = 0; i < 4; ++i) {
    readout[i] = new QLabel(panel);
    readout[i]->setGeometry(8, i == 0 ? 18 : 70 + 16 * i, i == 0 ? 218 : 126, i == 0 ? 46 : 16);
    readout[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont f = readout[i]->font();
    f.setPixelSize(i == 0 ? 24 : 11);
    f.setBold(true);
    readout[i]->setFont(f);
    readout[i]->setAutoFillBackground(true);
  }
  auto* chart = new Chart(&window);
  chart->setGeometry(8, 200, 450, 200);
  window.show();

  const int fd = open(argv[1], O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    std::perror("open");
    return 1;
  }
  termios t{};
  tcgetattr(fd, &t);
  cfmakeraw(&t);
  t.c_cflag |= CLOCAL | CREAD;
  tcsetattr(fd, TCSANOW, &t);

  const int wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  std::mutex m;
  std::condition_variable handled;
  bool done = true;
  std::uint8_t frame[18];
  int have = 0;
  long frames = 0;
  QElapsedTimer shown;
  shown.start();

  QSocketNotifier notifier(wake, QSocketNotifier::Read);
  QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
    std::uint64_t count;
    (void)!read(wake, &count, sizeof count);
    std::uint8_t buf[4096];
    const ssize_t n = read(fd, buf, sizeof buf);
    for (ssize_t i = 0; i < n; ++i) {
      const std::uint8_t c = buf[i];
      if (have == 0) {
        if (c == 0xAA) frame[have++] = c;
      } else if (have == 1) {
        if (c == 0x55) frame[have++] = c;
        else have = c == 0xAA;
      } else if ((frame[have++] = c), have == 18) {
        have = 0;
        ++frames;
        if (!paints) continue;
        const double v = std::sin(static_cast<double>(frames) * 0.05);
        chart->add(v);
        if (shown.elapsed() < 30) continue;
        shown.restart();
        chart->show();
        if (labels) {
          readout[0]->setText(QString::number(v * 123.456, 'f', 3) + QStringLiteral("  mT"));
          for (int k = 1; k < 4; ++k) readout[k]->setText(QString::number(v * 100.0 * k, 'f', 3));
        }
      }
    }
    {
      std::lock_guard<std::mutex> g(m);
      done = true;
    }
    handled.notify_one();
  });

  std::thread events([&] {
    for (;;) {
      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, -1) <= 0) continue;
      if (p.revents & (POLLHUP | POLLERR)) {
        usleep(10000);
        continue;
      }
      {
        std::lock_guard<std::mutex> g(m);
        done = false;
      }
      const std::uint64_t one = 1;
      (void)!write(wake, &one, sizeof one);
      std::unique_lock<std::mutex> g(m);
      handled.wait(g, [&] { return done; });
    }
  });
  events.detach();
  return QApplication::exec();
}
