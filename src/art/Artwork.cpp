#include "art/Artwork.h"

#include <QHash>
#include <algorithm>
#include <functional>
#include <vector>

#include "art/Painting.h"
#include "art/Pieces.h"

namespace tolmarin::art {

namespace {

struct Entry {
    int id;
    QSize size;
    std::function<QImage()> paint;
};

constexpr int kPages = 4;
constexpr int kBands = 8;
constexpr int kChannels = 2;

std::vector<Entry> BuildEntries() {
    std::vector<Entry> e;
    e.push_back({id::kFormChinese, kFormSize, [] { return PaintBackground(false); }});
    e.push_back({id::kFormEnglish, kFormSize, [] { return PaintBackground(true); }});
    e.push_back({id::kVolumeTrack, kVolumeTrackSize, [] { return PaintVolumeTrack(); }});
    e.push_back({id::kVolumeThumb, kVolumeThumbSize, [] { return PaintVolumeThumb(false); }});
    e.push_back({id::kVolumeThumbActive, kVolumeThumbSize, [] { return PaintVolumeThumb(true); }});
    e.push_back({id::kGainTrack, kGainTrackSize, [] { return PaintGainTrack(); }});
    e.push_back({id::kGainThumbActive, kGainThumbSize, [] { return PaintGainThumb(true); }});
    e.push_back({id::kGainThumb, kGainThumbSize, [] { return PaintGainThumb(false); }});
    for (int ch = 0; ch < kChannels; ++ch) {
        e.push_back({id::kChannelOffChinese + ch, kChannelButtonSize,
                     [ch] { return PaintChannelButton(ch, false, false); }});
        e.push_back({id::kChannelOnChinese + ch, kChannelButtonSize,
                     [ch] { return PaintChannelButton(ch, false, true); }});
        e.push_back({id::kChannelOnEnglish + ch, kChannelButtonSize,
                     [ch] { return PaintChannelButton(ch, true, true); }});
        e.push_back({id::kChannelOffEnglish + ch, kChannelButtonSize,
                     [ch] { return PaintChannelButton(ch, true, false); }});
    }
    e.push_back({id::kPowerOn, kPowerButtonSize, [] { return PaintPowerButton(true); }});
    e.push_back({id::kPowerOff, kPowerButtonSize, [] { return PaintPowerButton(false); }});
    e.push_back({id::kDegreeCelsius, kDegreeSize, [] { return PaintDegreeSign(); }});
    for (int k = 0; k < kBands; ++k) {
        e.push_back(
            {id::kBypassOff + k, kBypassButtonSize, [k] { return PaintBypassButton(k, false); }});
        e.push_back(
            {id::kBypassOn + k, kBypassButtonSize, [k] { return PaintBypassButton(k, true); }});
    }
    for (int i = 0; i < kPages; ++i) {
        e.push_back({id::kPageNormalChinese + i, kTopButtonSize,
                     [i] { return PaintPageButton(i, false, false); }});
        e.push_back({id::kPageHoverChinese + i, kTopButtonSize,
                     [i] { return PaintPageButton(i, false, true); }});
        e.push_back({id::kPageNormalEnglish + i, kTopButtonSize,
                     [i] { return PaintPageButton(i, true, false); }});
        e.push_back({id::kPageHoverEnglish + i, kTopButtonSize,
                     [i] { return PaintPageButton(i, true, true); }});
    }
    struct LinkLook {
        int id;
        bool english, on, hover;
    };
    for (const LinkLook& l : {LinkLook{id::kLinkOffHoverChinese, false, false, true},
                              LinkLook{id::kLinkOffChinese, false, false, false},
                              LinkLook{id::kLinkOnHoverChinese, false, true, true},
                              LinkLook{id::kLinkOnChinese, false, true, false},
                              LinkLook{id::kLinkOffHoverEnglish, true, false, true},
                              LinkLook{id::kLinkOffEnglish, true, false, false},
                              LinkLook{id::kLinkOnEnglish, true, true, false},
                              LinkLook{id::kLinkOnHoverEnglish, true, true, true}}) {
        e.push_back(
            {l.id, kTopButtonSize, [l] { return PaintLinkButton(l.english, l.on, l.hover); }});
    }
    for (bool english : {false, true}) {
        for (bool hover : {false, true}) {
            const int pid =
                english ? (hover ? id::kLinkConnectingHoverEnglish : id::kLinkConnectingEnglish)
                        : (hover ? id::kLinkConnectingHoverChinese : id::kLinkConnectingChinese);
            e.push_back({pid, kTopButtonSize,
                         [english, hover] { return PaintLinkConnectingButton(english, hover); }});
        }
    }
    for (bool english : {false, true}) {
        const int base = english ? id::kOutputOnEnglish : id::kOutputOnChinese;
        e.push_back(
            {base, kSwitchButtonSize, [english] { return PaintOutputButton(english, true); }});
        e.push_back(
            {base + 1, kSwitchButtonSize, [english] { return PaintOutputButton(english, false); }});
        e.push_back({base + 2, kSwitchButtonSize,
                     [english] { return PaintPolarityButton(english, false); }});
        e.push_back({base + 3, kSwitchButtonSize,
                     [english] { return PaintPolarityButton(english, true); }});
    }
    for (bool english : {false, true}) {
        const int normal = english ? id::kRoomEqEnglish : id::kRoomEqChinese;
        const int hover = english ? id::kRoomEqHoverEnglish : id::kRoomEqHoverChinese;
        e.push_back({normal, kStripButtonSize,
                     [english] { return PaintStripButton(TextId::RoomEqTitle, english, false); }});
        e.push_back({hover, kStripButtonSize,
                     [english] { return PaintStripButton(TextId::RoomEqTitle, english, true); }});
    }
    std::sort(e.begin(), e.end(), [](const Entry& a, const Entry& b) { return a.id < b.id; });
    return e;
}

const std::vector<Entry>& Entries() {
    static const std::vector<Entry> entries = BuildEntries();
    return entries;
}

const Entry* Find(int id) {
    const auto& e = Entries();
    const auto it = std::lower_bound(e.begin(), e.end(), id,
                                     [](const Entry& a, int value) { return a.id < value; });
    return it != e.end() && it->id == id ? &*it : nullptr;
}

}  // namespace

QPixmap Bitmap(int id) {
    const Entry* entry = Find(id);
    if (entry == nullptr) {
        return {};
    }
    // Pictures are asked for on every paint of every button; each is drawn only once.
    static QHash<int, QPixmap> cache;
    const auto it = cache.constFind(id);
    if (it != cache.constEnd()) {
        return *it;
    }
    QImage image = entry->paint();
    image.setDevicePixelRatio(1.0);
    QPixmap pixmap = QPixmap::fromImage(std::move(image));
    pixmap.setDevicePixelRatio(1.0);
    cache.insert(id, pixmap);
    return pixmap;
}

std::span<const int> KnownBitmaps() {
    static const std::vector<int> ids = [] {
        std::vector<int> v;
        for (const Entry& e : Entries()) {
            v.push_back(e.id);
        }
        return v;
    }();
    return ids;
}

void InstallFontSubstitutions() {
    EnsureFontSubstitutions();
}

QSize BitmapSize(int id) {
    const Entry* entry = Find(id);
    return entry != nullptr ? entry->size : QSize();
}

}  // namespace tolmarin::art
