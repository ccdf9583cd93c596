#pragma once

#include <QDialog>
#include <array>
#include <functional>

class QButtonGroup;
class QGroupBox;
class QPushButton;

namespace tolmarin {

struct SharedState;
class PictureRadio;
class ParameterList;
class TransparentLabel;
class NameEdit;
class LinkController;
class ProgramFiles;
enum class TextId : int;

// The Programs dialog: the device half moves a program between the working settings and
// one of the amplifier's twenty slots, the PC half between the settings and files. Each
// half has its own OK; the dialog checks, writes the slot name and makes one request,
// then closes. A request that did not go through (a cancelled file chooser) keeps it open.
class ProgramsDialog : public QDialog {
    Q_OBJECT
public:
    enum PcMode : int {
        kRecallOneFromPc = 0,
        kSaveOneToPc = 1,
        kRecallAllFromPc = 2,
        kSaveAllToPc = 3
    };
    enum DeviceMode : int { kRecallFromDevice = 0, kStoreToDevice = 1 };
    static constexpr int kNameLimit = 12;
    static constexpr int kWidth = 345;
    static constexpr int kHeight = 460;
    // Asks whether to store over a slot's named program; true to go on.
    using Confirm = std::function<bool(const QString& question)>;

    // linked: whether the link was open when the dialog was opened; a link opened or lost
    // while it is up is not seen. A null link controller behaves as no link.
    ProgramsDialog(SharedState& state, ProgramFiles& files, LinkController* link, bool linked,
                   QWidget* parent = nullptr);

    void SetConfirm(Confirm confirm) { m_confirm = std::move(confirm); }

    int SelectedProgram() const { return m_selected; }
    int PcModeChosen() const;
    int DeviceModeChosen() const;

    ParameterList& List() { return *m_list; }
    NameEdit& NameField() { return *m_name; }
    TransparentLabel& NumberLabel() { return *m_number; }
    QPushButton& DeviceOk() { return *m_deviceOk; }
    QPushButton& PcOk() { return *m_pcOk; }
    PictureRadio& PcChoice(int mode) { return *m_pcChoice[static_cast<std::size_t>(mode)]; }
    PictureRadio& DeviceChoice(int mode) { return *m_deviceChoice[static_cast<std::size_t>(mode)]; }

private:
    void BuildList();
    void SetCaptions();
    void OnRowClicked(int row);
    void OnDeviceChoice(int mode);
    void OnDeviceOk();
    void OnPcOk();
    QString Text(TextId id) const;

    SharedState& m_state;
    ProgramFiles& m_files;
    LinkController* m_link;
    bool m_linked;
    int m_selected = 1;
    Confirm m_confirm;

    QGroupBox* m_deviceGroup;
    QGroupBox* m_pcGroup;
    std::array<PictureRadio*, 4> m_pcChoice{};
    std::array<PictureRadio*, 2> m_deviceChoice{};
    QButtonGroup* m_pcButtons;
    QButtonGroup* m_deviceButtons;
    NameEdit* m_name;
    ParameterList* m_list;
    TransparentLabel* m_number;
    TransparentLabel* m_nameLabel;
    TransparentLabel* m_idLabel;
    QPushButton* m_deviceOk;
    QPushButton* m_pcOk;
    QPushButton* m_delete;  // never shown
};

}  // namespace tolmarin
