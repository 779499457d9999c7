// Renders the program's SVG icon into a square PNG for the icon theme's fixed sizes:
//   netrova-render-icon IN.svg SIZE OUT.png

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    bool sized = false;
    const int size = args.size() == 4 ? args[2].toInt(&sized) : 0;
    if (!sized || size < 1 || size > 4096) {
        std::fputs("usage: netrova-render-icon IN.svg SIZE OUT.png\n", stderr);
        return 2;
    }
    QSvgRenderer svg(args[1]);
    if (!svg.isValid()) {
        std::fprintf(stderr, "netrova-render-icon: cannot read %s\n", qPrintable(args[1]));
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    svg.render(&painter);
    painter.end();
    if (!image.save(args[3], "PNG")) {
        std::fprintf(stderr, "netrova-render-icon: cannot write %s\n", qPrintable(args[3]));
        return 1;
    }
    return 0;
}
