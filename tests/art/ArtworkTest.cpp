#include <gtest/gtest.h>

#include <QFontInfo>
#include <QImage>
#include <QPixmap>
#include <QSet>
#include <algorithm>
#include <vector>

#include "art/Artwork.h"
#include "art/FormLayout.h"

namespace art = tolmarin::art;
namespace form = tolmarin::form;

namespace {

bool Known(int id) {
    const auto ids = art::KnownBitmaps();
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

std::vector<int> Range(int first, int count) {
    std::vector<int> v;
    for (int i = 0; i < count; ++i) {
        v.push_back(first + i);
    }
    return v;
}

}  // namespace

TEST(Artwork, EveryPictureTheFormNamesExists) {
    std::vector<int> named{140, 141, 142, 143, 144, 145, 147, 148, 150, 151,
                           154, 155, 158, 159, 162, 163, 166, 167, 168};
    for (int base : {3900, 3950}) {
        const auto band = Range(base, 8);
        named.insert(named.end(), band.begin(), band.end());
    }
    for (int base : {4000, 4100, 4200, 4300, 4400, 4500, 4600, 4610}) {
        const auto group = Range(base, 4);
        named.insert(named.end(), group.begin(), group.end());
    }
    named.insert(named.end(), {4700, 4701, 4710, 4711});
    for (int id : named) {
        EXPECT_TRUE(Known(id)) << id;
    }
    for (int unknown : {0, -1, 146, 149, 169, 3908, 4004, 4614, 99999}) {
        EXPECT_FALSE(Known(unknown)) << unknown;
        EXPECT_TRUE(art::Bitmap(unknown).isNull()) << unknown;
    }
}

TEST(Artwork, PicturesHaveTheirStatedSizesWhateverTheScreen) {
    const std::vector<std::pair<int, QSize>> stated{
        {140, {980, 700}}, {141, {980, 700}}, {142, {35, 90}}, {143, {24, 11}},
        {144, {24, 11}},   {145, {45, 115}},  {147, {19, 9}},  {148, {19, 9}}};
    for (const auto& [id, size] : stated) {
        EXPECT_EQ(art::Bitmap(id).size(), size) << id;
    }
    for (int id : art::KnownBitmaps()) {
        const QPixmap pixmap = art::Bitmap(id);
        ASSERT_FALSE(pixmap.isNull()) << id;
        EXPECT_EQ(pixmap.size(), art::BitmapSize(id)) << id;
        EXPECT_EQ(pixmap.devicePixelRatio(), 1.0) << id;
    }
}

TEST(Artwork, NoPictureIsBlank) {
    for (int id : art::KnownBitmaps()) {
        const QImage image = art::Bitmap(id).toImage();
        QSet<QRgb> visible;
        for (int y = 0; y < image.height() && visible.size() < 3; ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb c = image.pixel(x, y);
                if (qAlpha(c) > 0) {
                    visible.insert(c);
                }
            }
        }
        EXPECT_GE(visible.size(), 3) << id;
    }
}

// A button takes the size of its picture, so the looks one control switches between (on
// and off, English and Chinese) must share one size, and must not be the same picture.
TEST(Artwork, LooksOfOneControlShareTheirSizeAndDiffer) {
    struct Looks {
        int a, b;
    };
    std::vector<Looks> pairs{{166, 167},   {4610, 4611}, {4600, 4601}, {4613, 4612},
                             {4603, 4602}, {4610, 4600}, {4613, 4603}, {4502, 4501},
                             {4503, 4500}, {4203, 4201}, {4202, 4200}, {4502, 4203},
                             {4501, 4201}, {4710, 4711}, {4700, 4701}, {4710, 4700}};
    for (int ch = 0; ch < 2; ++ch) {
        pairs.push_back({158 + ch, 162 + ch});
        pairs.push_back({154 + ch, 150 + ch});
        pairs.push_back({158 + ch, 154 + ch});
    }
    for (int i = 0; i < 4; ++i) {
        pairs.push_back({4300 + i, 4400 + i});
        pairs.push_back({4000 + i, 4100 + i});
        pairs.push_back({4300 + i, 4000 + i});
    }
    for (int k = 0; k < 8; ++k) {
        pairs.push_back({3950 + k, 3900 + k});
    }
    for (const Looks& l : pairs) {
        const QImage a = art::Bitmap(l.a).toImage();
        const QImage b = art::Bitmap(l.b).toImage();
        EXPECT_EQ(a.size(), b.size()) << l.a << " and " << l.b;
        EXPECT_NE(a, b) << l.a << " and " << l.b;
    }
}

// The scale printed on a track must sit where the fader puts the thumb's centre for that
// value: the thumb is inset from the track's left edge, its centre runs from half a thumb
// below the top (position 0, the largest value) to half a thumb above the bottom.
TEST(Artwork, FaderScalesLineUpWithTheThumbTravel) {
    struct Track {
        int id;
        int thumbHeight;
        int grooveX;  // inset plus half the part of the thumb that shows on the track
        int range;
        int zeroPosition;
    };
    for (const Track t : {Track{142, 11, 17 + 9, 60, 0}, Track{145, 9, 25 + 9, 400, 200}}) {
        const QImage image = art::Bitmap(t.id).toImage();
        const int travel = image.height() - t.thumbHeight;
        const int first = t.thumbHeight / 2;
        const int zeroY = first + t.zeroPosition * travel / t.range;
        const QRgb panel = image.pixel(image.width() - 1, 0);
        for (int y = first; y <= first + travel; ++y) {
            EXPECT_LT(qGray(image.pixel(t.grooveX, y)), 80) << t.id << " row " << y;
            EXPECT_EQ(image.pixel(t.grooveX + 5, y), panel) << t.id << " row " << y;
        }
        // The zero tick runs on the zero row and leaves the rows beside it clear.
        const int tickX = t.grooveX - 6;
        EXPECT_LT(qGray(image.pixel(tickX, zeroY)), 120) << t.id;
        EXPECT_EQ(image.pixel(tickX, zeroY + 2), panel) << t.id;
        if (zeroY >= 2) {
            EXPECT_EQ(image.pixel(tickX, zeroY - 2), panel) << t.id;
        }
    }
}

TEST(Artwork, EachPictureIsDrawnOnceAndThenServedFromTheCache) {
    for (int id : {141, 145, 4610}) {
        EXPECT_EQ(art::Bitmap(id).cacheKey(), art::Bitmap(id).cacheKey()) << id;
    }
}

TEST(Artwork, EnglishAndChineseBackgroundsDiffer) {
    EXPECT_NE(art::Bitmap(art::id::kFormEnglish).toImage(),
              art::Bitmap(art::id::kFormChinese).toImage());
}

// The fader leaves out every pixel of the colour at (0, 0); a face pixel of that colour
// would punch a hole into the thumb.
TEST(Artwork, ThumbKeyColourIsNotUsedInsideTheFace) {
    struct Thumb {
        int id;
        int faceWidth;  // the volume thumb, 17 px into a 35 px track, shows 18 columns
    };
    for (const Thumb t : {Thumb{143, 18}, Thumb{144, 18}, Thumb{147, 19}, Thumb{148, 19}}) {
        const QImage image = art::Bitmap(t.id).toImage();
        const QRgb key = image.pixel(0, 0);
        for (int y = 1; y < image.height() - 1; ++y) {
            for (int x = 2; x < t.faceWidth - 2; ++x) {
                ASSERT_NE(image.pixel(x, y), key) << t.id << " at " << x << "," << y;
            }
        }
    }
}

TEST(Artwork, LabelsStayInTheirFramesAndNeverLieUnderAControlOrEachOther) {
    for (bool english : {true, false}) {
        const art::BackgroundLayout layout = art::LayoutBackground(english);
        const auto& texts = layout.texts;
        for (size_t i = 0; i < texts.size(); ++i) {
            const QRectF box = texts[i].box;
            const QString what = texts[i].text;
            // Every text stays inside the top bar or inside one section's frame.
            bool framed = layout.topBar.contains(box);
            for (const art::FormSection& s : layout.sections) {
                framed = framed || s.frame.adjusted(2, 0, -2, -2).contains(box);
            }
            EXPECT_TRUE(framed) << what.toStdString();
            for (const auto* controls : {&form::FormControls(), &form::ReservedControls()}) {
                for (const form::ControlDef& c : *controls) {
                    EXPECT_FALSE(box.intersects(art::ControlRect(c)))
                        << what.toStdString() << " under control " << c.objectName;
                }
            }
            for (size_t j = i + 1; j < texts.size(); ++j) {
                EXPECT_FALSE(box.intersects(texts[j].box))
                    << what.toStdString() << " over " << texts[j].text.toStdString();
            }
        }
    }
}

TEST(Artwork, WindowsFaceNamesResolveToTheirMetricTwins) {
    art::InstallFontSubstitutions();
    QFont arial(QStringLiteral("Arial"));
    arial.setPixelSize(18);
    EXPECT_EQ(QFontInfo(arial).family(), QStringLiteral("Liberation Sans"));
    QFont times(QStringLiteral("Times New Roman"));
    times.setPixelSize(18);
    EXPECT_EQ(QFontInfo(times).family(), QStringLiteral("Liberation Serif"));
}
