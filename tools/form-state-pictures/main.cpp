// form-state-pictures DIR: writes power-off-question-en.png, power-off-question-zh.png and
// form-unlinked.png (the form with no link: temperatures and levels "--", the bar empty)
// into DIR.
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>

#include "art/Artwork.h"
#include "controls/BitmapSource.h"
#include "controls/ControlsUi.h"
#include "editor/form/MainForm.h"
#include "model/ChannelSet.h"
#include "protocol/DeviceImage.h"

using namespace tolmarin;

namespace {

bool Save(const QPixmap& picture, const QString& path) {
    if (!picture.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(dir);
    SetBitmapLoader([](int id) { return art::Bitmap(id); });
    SharedState state;
    InitDeviceImage(state);
    InitSystemBytes(state.image);
    SetControlsUiState(&state.ui);
    ChannelSet channels(state);
    QTemporaryDir work;
    QSettings settings(work.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    MainForm form(state, channels, settings, work.path());
    form.show();
    QApplication::processEvents();

    bool ok = Save(form.grab(), dir + QStringLiteral("/form-unlinked.png"));
    for (const char* suffix : {"en", "zh"}) {
        if (QString::fromLatin1(suffix) == QStringLiteral("zh")) {
            form.ToggleLanguage();
        }
        std::unique_ptr<QDialog> box(form.MakeQuestionBox(form.PowerOffQuestion()));
        box->show();
        QApplication::processEvents();
        ok = Save(box->grab(),
                  dir + QStringLiteral("/power-off-question-%1.png").arg(QLatin1String(suffix))) &&
             ok;
        box->hide();
    }
    SetControlsUiState(nullptr);
    return ok ? 0 : 1;
}
