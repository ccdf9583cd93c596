// art-sheet OUTDIR [--debug]
// Writes form-english.png, form-chinese.png and art-contact-sheet.png into OUTDIR. With
// --debug it also writes the backgrounds with the controls' rectangles and the label boxes
// outlined, and a mock-up of the form with every picture control in place.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>
#include <cstdio>
#include <map>
#include <vector>

#include "art/Artwork.h"
#include "art/FormLayout.h"
#include "art/Painting.h"

namespace art = tolmarin::art;

namespace {

bool Save(const QImage& image, const QDir& dir, const QString& name) {
    const QString path = dir.filePath(name);
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

QImage Outlined(int backgroundId, bool english) {
    QImage image = art::Bitmap(backgroundId).toImage().convertToFormat(QImage::Format_RGB32);
    QPainter p(&image);
    for (const art::FormControl& c : art::FormControls()) {
        p.setPen(QPen(c.hidden ? QColor(255, 150, 0) : QColor(230, 0, 0), 1));
        p.drawRect(c.rect.adjusted(0, 0, -1, -1));
    }
    p.setPen(QPen(QColor(0, 90, 255), 1));
    for (const art::FormText& t : art::LayoutBackground(english).texts) {
        p.drawRect(t.box.adjusted(0, 0, -1, -1));
    }
    return image;
}

// The pictures of each control in place, in their first look, as the form would show them.
QImage MockUp(bool english) {
    QImage image = art::Bitmap(english ? 141 : 140).toImage().convertToFormat(QImage::Format_RGB32);
    QPainter p(&image);
    const std::map<int, int> pictureOf =
        english ? std::map<int, int>{{2900, 4400}, {2901, 4401}, {2902, 4402},
                                     {2904, 4501}, {1237, 166},  {3010, 4610},
                                     {3011, 4611}, {3000, 158},  {3001, 163}}
                : std::map<int, int>{{2900, 4100}, {2901, 4101}, {2902, 4102},
                                     {2904, 4203}, {1237, 167},  {3010, 4600},
                                     {3011, 4601}, {3000, 154},  {3001, 151}};
    for (const art::FormControl& c : art::FormControls()) {
        if (c.hidden) {
            continue;
        }
        int id = -1;
        if (auto it = pictureOf.find(c.id); it != pictureOf.end()) {
            id = it->second;
        } else if (c.id == 0) {
            id = 168;
        } else if (c.id == 1204) {
            id = 142;
        } else if (c.id >= 3850 && c.id < 3858) {
            id = 145;
        } else if (c.id >= 3800 && c.id < 3808) {
            id = (c.id % 2 != 0) ? 3950 + c.id - 3800 : 3900 + c.id - 3800;
        }
        if (id >= 0) {
            p.drawPixmap(c.rect.topLeft(), art::Bitmap(id));
            if (id == 142 || id == 145) {
                // A thumb, with its key colour left out as the fader does.
                const bool volume = id == 142;
                QImage thumb = art::Bitmap(volume ? 143 : 148).toImage();
                const QRgb key = thumb.pixel(0, 0);
                QImage masked = thumb.convertToFormat(QImage::Format_ARGB32);
                for (int y = 0; y < masked.height(); ++y) {
                    for (int x = 0; x < masked.width(); ++x) {
                        if (masked.pixel(x, y) == key) {
                            masked.setPixel(x, y, 0);
                        }
                    }
                }
                const int inset = volume ? 17 : 25;
                const int y = volume ? 30 : 50;
                p.save();
                p.setClipRect(c.rect);
                p.drawImage(c.rect.topLeft() + QPointF(inset, y), masked);
                p.restore();
            }
        } else if (c.id != 1192) {
            // Fields, lists, lamps: a plain white box standing in for the widget.
            p.setPen(QColor(120, 124, 132));
            p.setBrush(c.id == 1223 || c.id == 1224 ? QColor(50, 50, 50) : QColor(255, 255, 255));
            p.drawRect(c.rect.adjusted(0, 0, -1, -1));
        } else {
            p.fillRect(c.rect, QColor(20, 22, 26));
        }
    }
    return image;
}

QImage ContactSheet() {
    constexpr int kColumns = 8;
    constexpr int kCell = 96;
    constexpr int kCellHeight = 150;
    std::vector<int> ids;
    for (int id : art::KnownBitmaps()) {
        if (id != 140 && id != 141) {
            ids.push_back(id);
        }
    }
    const int rows = (static_cast<int>(ids.size()) + kColumns - 1) / kColumns;
    QImage sheet(kColumns * kCell, rows * kCellHeight, QImage::Format_RGB32);
    sheet.fill(QColor(196, 200, 209));
    QPainter p(&sheet);
    p.setFont(art::ArtFont(11));
    for (size_t i = 0; i < ids.size(); ++i) {
        const int col = static_cast<int>(i) % kColumns;
        const int row = static_cast<int>(i) / kColumns;
        const QRect cell(col * kCell, row * kCellHeight, kCell, kCellHeight);
        p.fillRect(cell.adjusted(2, 2, -2, -2), QColor(227, 228, 238));
        const QPixmap pic = art::Bitmap(ids[i]);
        // Small pictures are shown twice as large, pixel for pixel, to judge their detail.
        const int scale = pic.width() <= 40 && pic.height() <= 60 ? 2 : 1;
        const QSize shown = pic.size() * scale;
        const QPoint at(cell.center().x() - shown.width() / 2, cell.top() + 10);
        p.drawPixmap(QRect(at, shown), pic);
        p.setPen(QColor(40, 44, 52));
        p.drawText(QRect(cell.left(), cell.bottom() - 34, kCell, 16), Qt::AlignCenter,
                   QString::number(ids[i]));
        p.setPen(QColor(100, 106, 118));
        p.drawText(QRect(cell.left(), cell.bottom() - 19, kCell, 16), Qt::AlignCenter,
                   QStringLiteral("%1 x %2").arg(pic.width()).arg(pic.height()));
    }
    return sheet;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: art-sheet OUTDIR [--debug]\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    const bool debug = argc > 2 && QString::fromLatin1(argv[2]) == QLatin1String("--debug");
    bool ok = Save(art::Bitmap(141).toImage(), dir, QStringLiteral("form-english.png")) &&
              Save(art::Bitmap(140).toImage(), dir, QStringLiteral("form-chinese.png")) &&
              Save(ContactSheet(), dir, QStringLiteral("art-contact-sheet.png"));
    if (ok && debug) {
        ok = Save(Outlined(141, true), dir, QStringLiteral("debug-form-english.png")) &&
             Save(Outlined(140, false), dir, QStringLiteral("debug-form-chinese.png")) &&
             Save(MockUp(true), dir, QStringLiteral("mock-form-english.png")) &&
             Save(MockUp(false), dir, QStringLiteral("mock-form-chinese.png"));
    }
    return ok ? 0 : 1;
}
