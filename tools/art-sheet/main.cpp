// art-sheet OUTDIR [--debug]
// art-sheet --zoom IN x y w h scale OUT
// Writes form-english.png, form-chinese.png and art-contact-sheet.png into OUTDIR. With
// --debug it also writes the backgrounds with the controls' rectangles and the label boxes
// outlined, and a mock-up of the form with every picture control in place.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

#include "art/Artwork.h"
#include "art/FormLayout.h"
#include "art/Painting.h"

namespace art = tolmarin::art;
namespace form = tolmarin::form;

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
    for (const form::ControlDef& c : form::FormControls()) {
        p.setPen(QPen(c.hidden ? QColor(255, 150, 0) : QColor(230, 0, 0), 1));
        p.drawRect(art::ControlRect(c).adjusted(0, 0, -1, -1));
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
        english ? std::map<int, int>{{2900, 4300}, {2901, 4301}, {2902, 4302},
                                     {2904, 4501}, {1237, 166},  {3010, 4610},
                                     {3011, 4611}, {3000, 158},  {3001, 163}}
                : std::map<int, int>{{2900, 4000}, {2901, 4001}, {2902, 4002},
                                     {2904, 4203}, {1237, 167},  {3010, 4600},
                                     {3011, 4601}, {3000, 154},  {3001, 151}};
    for (const form::ControlDef& c : form::FormControls()) {
        if (c.hidden) {
            continue;
        }
        const QRectF rect = art::ControlRect(c);
        int id = -1;
        if (auto it = pictureOf.find(c.id); it != pictureOf.end()) {
            id = it->second;
        } else if (c.control == form::Control::DegreePicture) {
            id = 168;
        } else if (c.id == 1204) {
            id = 142;
        } else if (c.id >= 3850 && c.id < 3858) {
            id = 145;
        } else if (c.id >= 3800 && c.id < 3808) {
            id = (c.id % 2 != 0) ? 3950 + c.id - 3800 : 3900 + c.id - 3800;
        }
        if (id >= 0) {
            p.drawPixmap(rect.topLeft(), art::Bitmap(id));
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
                const int inset = volume ? 17 : 25;  // the faders' left margins
                const int y = volume ? 30 : 50;
                p.save();
                p.setClipRect(rect);
                p.drawImage(rect.topLeft() + QPointF(inset, y), masked);
                p.restore();
            }
        } else if (c.id != form::kGraph) {
            // Fields, lists, lamps: a plain white box standing in for the widget.
            p.setPen(QColor(120, 124, 132));
            p.setBrush(c.id == 1223 || c.id == 1224 ? QColor(50, 50, 50) : QColor(255, 255, 255));
            p.drawRect(rect.adjusted(0, 0, -1, -1));
        } else {
            p.fillRect(rect, QColor(20, 22, 26));
        }
    }
    return image;
}

struct Group {
    const char* title;
    std::vector<int> ids;
};

std::vector<int> Ids(int first, int count) {
    std::vector<int> v;
    for (int i = 0; i < count; ++i) {
        v.push_back(first + i);
    }
    return v;
}

std::vector<int> Join(std::initializer_list<std::vector<int>> parts) {
    std::vector<int> v;
    for (const auto& part : parts) {
        v.insert(v.end(), part.begin(), part.end());
    }
    return v;
}

// Every picture but the backgrounds, twice their size, grouped as the form uses them, with
// each group's off looks before its on looks.
QImage ContactSheet() {
    const std::vector<Group> groups{
        {"Faders: volume track, thumb, held thumb; band gain track, thumb, held thumb",
         {142, 143, 144, 145, 148, 147}},
        {"Top bar, English: page buttons normal and hover; link off, off hover, on, on hover, "
         "connecting, connecting hover; power",
         Join({Ids(4300, 4), Ids(4400, 4), {4501, 4500, 4502, 4503, 4504, 4505, 167, 166}})},
        {"Top bar, Chinese: page buttons normal and hover; link off, off hover, on, on hover, "
         "connecting, connecting hover",
         Join({Ids(4000, 4), Ids(4100, 4), {4201, 4200, 4203, 4202, 4204, 4205}})},
        {"Channel panel, English: CH1/CH2 off and on; output on, muted; polarity normal, "
         "inverted; degree sign",
         {162, 163, 158, 159, 4610, 4611, 4612, 4613, 168}},
        {"Channel panel, Chinese: CH1/CH2 off and on; output on, muted; polarity normal, "
         "inverted",
         {150, 151, 154, 155, 4600, 4601, 4602, 4603}},
        {"Band bypass buttons: bands 1 to 8 off (band active), then on (flat)",
         Join({Ids(3900, 8), Ids(3950, 8)})},
    };
    constexpr int kWidth = 1400;
    constexpr int kScale = 2;
    constexpr int kMargin = 16;
    constexpr int kGap = 18;
    constexpr int kCaption = 30;
    constexpr int kTitle = 30;
    const QFont titleFont = art::ArtFont(15, art::Weight::Bold);
    const QFont captionFont = art::ArtFont(12);

    // First pass measures, second pass draws.
    int height = 0;
    QImage sheet;
    for (int pass = 0; pass < 2; ++pass) {
        QPainter p;
        if (pass == 1) {
            sheet = QImage(kWidth, height, QImage::Format_RGB32);
            sheet.fill(QColor(227, 228, 238));
            p.begin(&sheet);
        }
        int y = kMargin;
        for (const Group& g : groups) {
            if (pass == 1) {
                p.setFont(titleFont);
                p.setPen(QColor(40, 44, 52));
                p.drawText(QRect(kMargin, y, kWidth - 2 * kMargin, kTitle),
                           Qt::AlignLeft | Qt::AlignVCenter, QString::fromUtf8(g.title));
                p.setPen(QColor(150, 156, 168));
                p.drawLine(kMargin, y + kTitle - 2, kWidth - kMargin, y + kTitle - 2);
            }
            y += kTitle + 8;
            int x = kMargin;
            int rowHeight = 0;
            for (int id : g.ids) {
                const QPixmap pic = art::Bitmap(id);
                const QSize shown = pic.size() * kScale;
                const int cell = std::max(shown.width(), 60);
                if (x + cell > kWidth - kMargin) {
                    x = kMargin;
                    y += rowHeight + kCaption + kGap;
                    rowHeight = 0;
                }
                if (pass == 1) {
                    const QRect at(x + (cell - shown.width()) / 2, y, shown.width(),
                                   shown.height());
                    p.drawPixmap(at, pic);
                    p.setFont(captionFont);
                    p.setPen(QColor(40, 44, 52));
                    p.drawText(QRect(x - 10, y + shown.height() + 4, cell + 20, 14),
                               Qt::AlignCenter, QString::number(id));
                    p.setPen(QColor(110, 116, 128));
                    p.drawText(QRect(x - 10, y + shown.height() + 17, cell + 20, 14),
                               Qt::AlignCenter,
                               QStringLiteral("%1 x %2").arg(pic.width()).arg(pic.height()));
                }
                rowHeight = std::max(rowHeight, shown.height());
                x += cell + kGap;
            }
            y += rowHeight + kCaption + kGap + 6;
        }
        height = y + kMargin;
    }
    return sheet;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    // art-sheet --zoom IN x y w h scale OUT: a magnified crop, for looking at details.
    if (argc == 9 && QString::fromLatin1(argv[1]) == QLatin1String("--zoom")) {
        const QImage in(QString::fromLocal8Bit(argv[2]));
        const QRect crop(std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]),
                         std::atoi(argv[6]));
        const int scale = std::atoi(argv[7]);
        const QImage out = in.copy(crop).scaled(crop.size() * scale);
        return out.save(QString::fromLocal8Bit(argv[8]), "PNG") ? 0 : 1;
    }
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
