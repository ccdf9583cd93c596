#pragma once

#include <QApplication>
#include <QComboBox>
#include <QSettings>
#include <QTest>
#include <memory>

#include "art/Artwork.h"
#include "controls/BitmapSource.h"
#include "controls/ControlsUi.h"
#include "controls/NumberField.h"
#include "editor/form/MainForm.h"
#include "model/ChannelSet.h"
#include "support/Fresh.h"
#include "support/TempDir.h"

namespace tolmarin::testing {

// The real form on a fresh channel set, shown offscreen and active, its settings and music
// folder in a temporary directory, messages recorded.
struct FormRig {
    FormRig() {
        SetBitmapLoader([](int id) { return art::Bitmap(id); });
        SetControlsUiState(&fresh->ui);
        view = std::make_unique<MainForm>(*fresh, channels, settings,
                                          QString::fromStdString(dir.Path().string()));
        fresh->ui.sink = &fresh.sink;
        view->show();
        view->activateWindow();
        (void)QTest::qWaitForWindowActive(view.get());
    }

    template <typename T>
    T* Get(int id) const {
        return view->Get<T>(id);
    }
    QComboBox* List(int id) const { return Get<QComboBox>(id); }

    // Types text over a field's contents and presses Enter, as an operator does.
    void Type(int fieldId, const char* text) {
        NumberField* e = Get<NumberField>(fieldId);
        e->setFocus();
        e->selectAll();
        QTest::keyClicks(e, QString::fromLatin1(text));
        QTest::keyClick(e, Qt::Key_Return);
    }

    // Moves a list's selection to index with the arrow keys.
    void Choose(int listId, int index) {
        QComboBox* l = List(listId);
        l->setFocus();
        while (l->currentIndex() < index) {
            QTest::keyClick(l, Qt::Key_Down);
        }
        while (l->currentIndex() > index) {
            QTest::keyClick(l, Qt::Key_Up);
        }
    }

    void Click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center()); }

    ~FormRig() { SetControlsUiState(nullptr); }

    FreshState fresh;
    ChannelSet channels{*fresh};
    TempDir dir{"form"};
    QSettings settings{QString::fromStdString(dir.PathOf("settings.ini")), QSettings::IniFormat};
    std::unique_ptr<MainForm> view;
};

}  // namespace tolmarin::testing
