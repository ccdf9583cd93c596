#pragma once
// The editor's form on an amplifier image of its own, unlinked, with settings in a
// temporary folder: what the picture tools draw from.
#include <QDir>
#include <QPixmap>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>

#include "art/Artwork.h"
#include "controls/BitmapSource.h"
#include "controls/ControlsUi.h"
#include "editor/form/MainForm.h"
#include "model/ChannelSet.h"
#include "protocol/DeviceImage.h"

namespace tolmarin {

struct FormPictureRig {
    FormPictureRig() {
        SetBitmapLoader([](int id) { return art::Bitmap(id); });
        InitDeviceImage(state);
        InitSystemBytes(state.image);
        SetControlsUiState(&state.ui);
        channels = std::make_unique<ChannelSet>(state);
        form = std::make_unique<MainForm>(state, *channels, settings, work.path());
        form->show();
    }
    ~FormPictureRig() {
        form.reset();
        SetControlsUiState(nullptr);
    }

    SharedState state;
    std::unique_ptr<ChannelSet> channels;
    QTemporaryDir work;
    QSettings settings{work.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat};
    std::unique_ptr<MainForm> form;
};

inline bool SavePicture(const QPixmap& picture, const QString& path) {
    if (!picture.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

}  // namespace tolmarin
