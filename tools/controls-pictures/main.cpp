// Draws each family of controls in its states and writes one picture per family into the
// folder given (default docs/images): numeric fields of every kind with their spins, the
// faders at several positions with a pressed thumb, the picture and radio buttons on and
// off, level lamps at several readings, and the labels.
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "art/Artwork.h"
#include "controls/BitmapSource.h"
#include "controls/Fader.h"
#include "controls/FontLabel.h"
#include "controls/Lamp.h"
#include "controls/NumberField.h"
#include "controls/NumberSpin.h"
#include "controls/PictureButton.h"
#include "controls/PictureRadio.h"
#include "controls/TransparentLabel.h"
#include "model/Parameters.h"

namespace {

using namespace tolmarin;

// The form's background colour, behind every sheet.
const QColor kBackground(227, 228, 238);

QWidget* Sheet(int width, int height) {
    auto* sheet = new QWidget;
    sheet->resize(width, height);
    sheet->setAutoFillBackground(true);
    QPalette p = sheet->palette();
    p.setColor(QPalette::Window, kBackground);
    sheet->setPalette(p);
    return sheet;
}

TransparentLabel* Caption(QWidget* sheet, const QString& text, int x, int y, int w = 150) {
    auto* label = new TransparentLabel(text, sheet);
    label->setGeometry(x, y, w, 18);
    return label;
}

bool Save(QWidget* sheet, const QDir& dir, const char* name) {
    sheet->show();
    QApplication::processEvents();
    const QString path = dir.filePath(QString::fromLatin1(name));
    const bool saved = sheet->grab().save(path);
    std::printf("%s%s\n", saved ? "" : "cannot write ", qPrintable(path));
    delete sheet;
    return saved;
}

struct FieldSample {
    const char* caption;
    Param param;
    int unit;  // the field's unit when not the parameter's own
    int value;
};

QWidget* Fields() {
    constexpr int kOwn = -1;
    const FieldSample samples[] = {
        {"delay ms (238)", Param::Delay, kOwn, 238},
        {"delay m (477)", Param::Delay, entry::kDelayMetres, 477},
        {"delay ft (477)", Param::Delay, entry::kDelayFeet, 477},
        {"delay ms (1467)", Param::Delay, kOwn, delaystep::kLongest},
        {"threshold (230)", Param::LimiterThreshold, kOwn, 230},
        {"frequency (1000)", Param::BandFreq, kOwn, 1000},
        {"attack (3)", Param::LimiterAttack, kOwn, 3},
        {"attack (50)", Param::LimiterAttack, kOwn, 50},
        {"gain (170)", Param::BandGain, kOwn, 170},
        {"Q (5)", Param::BandWidth, kOwn, 5},
        {"volume (45)", Param::Volume, kOwn, 45},
        {"volume (0)", Param::Volume, kOwn, 0},
    };
    const int rows = static_cast<int>(std::size(samples));
    QWidget* sheet = Sheet(260, 12 + rows * 27);
    int y = 8;
    for (const FieldSample& s : samples) {
        Caption(sheet, QString::fromLatin1(s.caption), 8, y + 2, 120);
        auto* edit = new NumberField(sheet);
        auto* spin = new NumberSpin(sheet);
        edit->setGeometry(135, y, 75, 21);
        spin->setGeometry(210, y, 16, 21);
        const NumberEntry& e = ParamOf(s.param).number;
        edit->SetStep(e.step);
        edit->SetOffset(e.offset);
        edit->SetKind(s.unit == kOwn ? e.unit : s.unit);
        spin->SetBuddy(edit);
        spin->SetRange(e.low, e.high);
        spin->SetPos(s.value);
        y += 27;
    }
    return sheet;
}

Fader* MakeFader(QWidget* sheet, bool volume, int x, int y, int position) {
    auto* fader = new Fader(sheet);
    fader->move(x, y);
    if (volume) {
        fader->SetBitmapChannel(art::id::kVolumeTrack);
        fader->SetBitmapThumb(art::id::kVolumeThumb, art::id::kVolumeThumbActive, true);
        fader->SetMargin(17, 0, 0, 0);
        fader->SetRange(0, 60);
    } else {
        fader->SetBitmapChannel(art::id::kGainTrack);
        fader->SetBitmapThumb(art::id::kGainThumb, art::id::kGainThumbActive, true);
        fader->SetMargin(25, 0, 0, 0);
        fader->SetRange(0, 400);
    }
    fader->SetVertical(true);
    fader->SetPosReversed(position);  // the form reads its faders top = largest
    return fader;
}

void Press(Fader* fader) {
    const FaderGeometry& g = fader->Geometry();
    const QPointF at(g.leftMargin + g.thumbWidth / 2, g.CentreOf(fader->GetPos()));
    QMouseEvent press(QEvent::MouseButtonPress, at, fader->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(fader, &press);
}

QWidget* Faders() {
    QWidget* sheet = Sheet(470, 175);
    const int volume[] = {0, 30, 60};
    const Codec& bandGain = codec::kBandGain;
    const int gain[] = {bandGain.low, bandGain.Flat(), bandGain.high};
    int x = 10;
    for (int v : volume) {
        MakeFader(sheet, true, x, 28, v);
        Caption(sheet, QString("vol %1").arg(v), x, 6, 50);
        x += 45;
    }
    Fader* pressed = MakeFader(sheet, true, x, 28, 45);
    Caption(sheet, "pressed", x, 6, 55);
    x += 60;
    for (int g : gain) {
        MakeFader(sheet, false, x, 28, g);
        Caption(sheet, QString("gain %1").arg(g), x, 6, 60);
        x += 60;
    }
    Fader* pressedGain = MakeFader(sheet, false, x, 28, 260);
    Caption(sheet, "pressed", x, 6, 60);
    sheet->show();
    Press(pressed);
    Press(pressedGain);
    return sheet;
}

QWidget* Buttons() {
    QWidget* sheet = Sheet(430, 215);
    struct Pair {
        const char* caption;
        int on, off;
    } pairs[] = {
        {"power", art::id::kPowerOn, art::id::kPowerOff},
        {"bypass band 1", art::id::kBypassOn, art::id::kBypassOff},
        {"output (EN)", art::id::kOutputOnEnglish, art::id::kOutputOffEnglish},
        {"polarity (EN)", art::id::kPolarityInvertedEnglish, art::id::kPolarityNormalEnglish},
        {"CH1 (EN)", art::id::kChannelOnEnglish, art::id::kChannelOffEnglish},
    };
    int y = 8;
    for (const Pair& p : pairs) {
        Caption(sheet, QString::fromLatin1(p.caption), 8, y + 4, 110);
        for (int k = 0; k < 2; ++k) {
            auto* button = new PictureButton(sheet);
            button->move(130 + k * 90, y);
            button->SetBitmaps(p.on, p.on, p.on, p.off, p.off, p.off);
            button->SetOn(k == 0);
        }
        y += std::max(28, art::Bitmap(p.on).height() + 6);
    }
    Caption(sheet, "on", 130, y, 40);
    Caption(sheet, "off", 220, y, 40);
    auto* usb = new PictureRadio("USB", PictureRadio::Style::Radio, sheet);
    auto* net = new PictureRadio("Network", PictureRadio::Style::Radio, sheet);
    auto* link = new PictureRadio("Link CH1 && CH2", PictureRadio::Style::Check, sheet);
    usb->setGeometry(320, 10, 100, 20);
    net->setGeometry(320, 32, 100, 20);
    link->setGeometry(300, 60, 125, 20);
    net->setChecked(true);
    link->setChecked(true);
    link->SetTextColor(QColor(102, 0, 102));
    return sheet;
}

QWidget* Lamps() {
    const int levels[] = {0, 31, 38, 45, 50, 51, 52};
    QWidget* sheet = Sheet(40 + 50 * static_cast<int>(std::size(levels)), 110);
    int x = 12;
    for (int level : levels) {
        auto* lamp = new Lamp(sheet);
        lamp->setGeometry(x + 10, 28, 14, 64);  // the form's lamps: 55 dialog units high
        lamp->Init();
        lamp->SetLevel(level);
        Caption(sheet, QString::number(level), x + 8, 6, 40);
        x += 50;
    }
    return sheet;
}

QWidget* Labels() {
    QWidget* sheet = Sheet(360, 150);
    auto* busy = new FontLabel(sheet);
    busy->setGeometry(10, 10, 340, 36);
    busy->SetFontStyle("Arial", 24, Qt::white, FontLabel::kCentred);
    busy->SetBackgroundColor(QColor(40, 60, 140));
    busy->SetText("Data transferring...");
    auto* left = new FontLabel(sheet);
    left->setGeometry(10, 52, 340, 24);
    left->SetFontStyle("Arial", 18, QColor(218, 37, 30), FontLabel::kLeft);
    left->SetText(QString::fromUtf8("左对齐 left"));
    auto* right = new FontLabel(sheet);
    right->setGeometry(10, 78, 340, 24);
    right->SetFontStyle("Arial", 18, Qt::black, FontLabel::kRight);
    right->SetText("right aligned");
    auto* temperature = new TransparentLabel("36", sheet);
    temperature->setGeometry(10, 112, 30, 20);
    const QPixmap sign = art::Bitmap(art::id::kDegreeCelsius);
    auto* signLabel = new QLabel(sheet);
    signLabel->setPixmap(sign);
    signLabel->move(40, 111);
    auto* shrunk = new TransparentLabel("ABC", sheet);
    shrunk->setGeometry(100, 112, 60, 20);
    shrunk->SetTextColor(QColor(0, 0, 255));
    shrunk->show();
    shrunk->setText("A");  // the old "BC" must leave no trace
    Caption(sheet, "(was ABC)", 130, 112, 80);
    return sheet;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    art::InstallFontSubstitutions();
    SetBitmapLoader(&art::Bitmap);
    QFont font("Arial");
    font.setPixelSize(13);
    QApplication::setFont(font);
    const QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/images"));
    if (!QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(dir.path()));
        return 1;
    }
    bool ok = Save(Fields(), dir, "controls-fields.png");
    ok = Save(Faders(), dir, "controls-faders.png") && ok;
    ok = Save(Buttons(), dir, "controls-buttons.png") && ok;
    ok = Save(Lamps(), dir, "controls-lamps.png") && ok;
    ok = Save(Labels(), dir, "controls-labels.png") && ok;
    return ok ? 0 : 1;
}
