// render_icon: renders the application icon's SVG source into the PNG sizes
// the window program and the desktop use.
//   render_icon <icon.svg> <output folder>
// writes sonomot-16.png, -32, -48 and -256 there. Exit code 1 when the SVG
// can't be read or a PNG can't be written, with the reason on standard error.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

#include "resources/icon_sizes.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: render_icon <icon.svg> <output folder>\n");
    return 1;
  }
  QGuiApplication app(argc, argv);
  QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
  if (!renderer.isValid()) {
    std::fprintf(stderr, "render_icon: can't read %s\n", argv[1]);
    return 1;
  }
  for (int nSize : kIconSizes) {
    QImage image(nSize, nSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    QString path = QString::fromLocal8Bit(argv[2]) +
                   QStringLiteral("/sonomot-%1.png").arg(nSize);
    if (!image.save(path, "PNG")) {
      std::fprintf(stderr, "render_icon: can't write %s\n", qPrintable(path));
      return 1;
    }
  }
  return 0;
}
