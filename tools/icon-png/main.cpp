// icon-png SVG OUTDIR SIZE...: renders the icon at each size to OUTDIR/SIZE.png. The SVG is
// the one drawing; the build renders the sizes the desktop asks for, so they never drift.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: icon-png SVG OUTDIR SIZE...\n");
        return 1;
    }
    QGuiApplication app(argc, argv);
    QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
    if (!svg.isValid()) {
        std::fprintf(stderr, "icon-png: cannot read %s\n", argv[1]);
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[2]);
    for (int i = 3; i < argc; ++i) {
        const int size = QString::fromLocal8Bit(argv[i]).toInt();
        constexpr int kLargest = 1024;
        if (size < 1 || size > kLargest) {
            std::fprintf(stderr, "icon-png: bad size %s\n", argv[i]);
            return 1;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        svg.render(&p, QRectF(0, 0, size, size));
        p.end();
        const QString out = QStringLiteral("%1/%2.png").arg(dir).arg(size);
        if (!image.save(out, "PNG")) {
            std::fprintf(stderr, "icon-png: cannot write %s\n", out.toLocal8Bit().constData());
            return 2;
        }
    }
    return 0;
}
