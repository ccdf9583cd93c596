#pragma once

#include <QApplication>
#include <QPixmap>
#include <QTest>
#include <QWidget>

#include "controls/BitmapSource.h"

namespace tolmarin::testing {

// Plain pictures of the sizes the form's artwork has, so that geometry follows the real
// controls: fader channels and thumbs, and button pictures.
inline QSize PictureSize(int id) {
    switch (id) {
        case 142:
            return {35, 90};
        case 143:
        case 144:
            return {24, 11};
        case 145:
            return {45, 115};
        case 147:
        case 148:
            return {19, 9};
        default:
            return {40, 20};
    }
}

inline void InstallPlainPictures() {
    SetBitmapLoader([](int id) {
        QPixmap picture(PictureSize(id));
        picture.fill(QColor::fromHsv((id * 37) % 360, 200, 200));
        return picture;
    });
}

// A shown, active window, so that focus moves as it does for a user.
inline void ShowActive(QWidget& window) {
    window.show();
    window.activateWindow();
    (void)QTest::qWaitForWindowActive(&window);
}

}  // namespace tolmarin::testing
