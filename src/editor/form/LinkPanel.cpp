#include "editor/form/LinkPanel.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QProgressBar>
#include <QRegion>
#include <string>

#include "controls/BitmapSource.h"
#include "controls/Lamp.h"
#include "controls/PictureButton.h"
#include "controls/PictureRadio.h"
#include "controls/TransparentLabel.h"
#include "editor/form/LinkDialogs.h"
#include "formdesc/FormDescription.h"
#include "formdesc/FormIds.h"
#include "link/LinkController.h"
#include "protocol/DeviceImage.h"
#include "protocol/ProgramFile.h"

namespace tolmarin {

namespace {

constexpr int kLinkLampRadius = 5;  // the lamp in the Link button's pictures

}  // namespace

LinkPanel::LinkPanel(QWidget* form, SharedState& state, const FormWidgets& widgets)
    : QObject(form), m_form(form), m_state(state), m_w(widgets) {
    // The Link button's lamp: in its pictures, centred half the picture's height from the
    // left (plus one pixel) and from the top; the pictures are stretched to the button.
    PictureButton* link = m_w.buttons.at(form::kLinkButton);
    const QSize art = LoadBitmap(form::picture::kLinkOffEnglish).size();
    if (!art.isEmpty()) {
        const double sx = static_cast<double>(link->width()) / art.width();
        const double sy = static_cast<double>(link->height()) / art.height();
        const QPoint c(qRound((art.height() / 2.0 + 1.0) * sx), qRound(art.height() / 2.0 * sy));
        link->SetLampArea(QRegion(c.x() - kLinkLampRadius, c.y() - kLinkLampRadius,
                                  2 * kLinkLampRadius, 2 * kLinkLampRadius, QRegion::Ellipse));
    }
    m_busy = new BusyPopup(m_state, form, form);
    m_done = new DonePopup(m_state, form);
    // A batch's bar is emptied once its done pop-up has gone.
    connect(m_done, &DonePopup::closed, m_w.progress, &QProgressBar::reset);
}

void LinkPanel::SetLamp(LinkLamp lamp) {
    m_lamp = lamp;
    ShowLamp();
    if (lamp == LinkLamp::Off) {
        ShowNoReadings();
    }
}

// Without a link nothing is measured: the last readings must not pass for live ones, and a
// batch cut off leaves no part-filled bar.
void LinkPanel::ShowNoReadings() {
    for (TransparentLabel* t : m_w.temperatures) {
        t->setText(QStringLiteral("--"));
    }
    for (Lamp* lamp : m_w.lamps) {
        lamp->SetNoReading();
    }
    m_w.progress->reset();
}

// Connecting shows the amber lamp in the button's "on" look; the language's pictures are
// set again first, so that leaving the state (or switching language) restores them.
void LinkPanel::ShowLamp() {
    PictureButton* button = m_w.buttons.at(form::kLinkButton);
    const form::ControlDef* def = form::FindControl(form::kLinkButton);
    const bool english = m_state.ui.language == Language::English;
    if (def != nullptr) {
        SetPictures(button, english ? def->bitmapsEn : def->bitmapsZh);
    }
    if (m_lamp == LinkLamp::Connecting) {
        const int normal =
            english ? form::picture::kLinkConnectingEnglish : form::picture::kLinkConnectingChinese;
        const int hover = english ? form::picture::kLinkConnectingHoverEnglish
                                  : form::picture::kLinkConnectingHoverChinese;
        button->SetBitmaps(normal, hover, hover, normal, hover, hover);
    }
    button->SetOn(m_lamp != LinkLamp::Off);
}

void LinkPanel::SetProgressRange(int low, int high) {
    m_w.progress->setRange(low, high);
}

void LinkPanel::SetProgressPos(int pos) {
    m_w.progress->setValue(pos);
}

void LinkPanel::ShowBusy(BusyState state) {
    m_busy->ShowBusy(state);
    if (state == BusyState::Hidden) {
        m_w.progress->reset();  // a batch given up
    }
}

void LinkPanel::ShowTransferDone(TransferDirection direction) {
    m_done->ShowTransferDone(direction, *m_busy);
}

void LinkPanel::ShowLevels(int level1, int level2) {
    m_w.lamps[0]->SetLevel(level1);
    m_w.lamps[1]->SetLevel(level2);
}

void LinkPanel::ShowTemperature(int readout, int celsius) {
    m_w.temperatures.at(static_cast<std::size_t>(readout))
        ->setText(QString::fromStdString(std::to_string(celsius)));
}

void LinkPanel::ShowSystemState(int mode, int power) {
    m_w.ampMode->setCurrentIndex(mode);
    m_w.buttons.at(form::kPower)->SetOn(power != 0);
}

void LinkPanel::ClearLinkCheckBox() {
    m_w.linkCheck->setChecked(false);
}

std::optional<LinkKind> LinkPanel::RunConnectDialog(QSettings& settings, LinkController& controller,
                                                    LinkKind current) {
    ConnectDialog dlg(m_state, settings, current, controller.SerialPort(), m_form);
    if (dlg.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    const ConnectChoice c = dlg.Choice();
    controller.SetSerialPort(c.serialPort);
    if (c.kind == LinkKind::Network) {
        controller.SetNetworkTarget(c.host, c.tcpPort);
    }
    return c.kind;
}

std::optional<std::string> LinkPanel::ChooseAllProgramsFile(const QString& folder) {
    const QString start = QDir(folder).filePath(QStringLiteral("*.ALLData12File"));
    const QString path =
        QFileDialog::getSaveFileName(m_form, QString(), start, QStringLiteral("*.ALLData12File"));
    if (path.isEmpty()) {
        return std::nullopt;
    }
    return WithExtension(path.toStdString(), kAllProgramsExtension);
}

void LinkPanel::WriteAllProgramsFile(const std::string& path) {
    FileWriteResult why;
    if (tolmarin::WriteAllProgramsFile(m_state.image, path, Overwrite::Replace, &why) !=
        FileStatus::Ok) {
        m_state.ui.Report(TextId::SaveAllMusicFileError, MessageKind::Stop,
                          WriteFailureReason(why, m_state.ui));
    }
}

}  // namespace tolmarin
