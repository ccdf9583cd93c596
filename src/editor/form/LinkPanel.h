#pragma once

#include <QObject>
#include <QString>
#include <optional>
#include <string>

#include "editor/form/FormWidgets.h"
#include "link/LinkView.h"

class QSettings;
class QWidget;

namespace tolmarin {

class BusyPopup;
class DonePopup;
class LinkController;
struct SharedState;

// What the form shows of the link: the Link button's lamp, the transfer bar, the busy and
// done pop-ups, both channels' level lamps and temperatures, the amplifier's mode and power
// as it reports them; and what the operator is asked before a link opens or a read of all
// programs starts.
class LinkPanel : public QObject {
    Q_OBJECT
public:
    // form: the pop-ups' parent and the form they disable; widgets are the form's.
    LinkPanel(QWidget* form, SharedState& state, const FormWidgets& widgets);

    BusyPopup& Busy() { return *m_busy; }
    DonePopup& Done() { return *m_done; }

    void SetLamp(LinkLamp lamp);
    // The lamp again, in the pictures of the current language.
    void ShowLamp();
    // No link, no readings: the lamps and temperatures say so, the bar is empty.
    void ShowNoReadings();
    void SetProgressRange(int low, int high);
    void SetProgressPos(int pos);
    void ShowBusy(BusyState state);
    void ShowTransferDone(TransferDirection direction);
    void ShowLevels(int level1, int level2);
    void ShowTemperature(int readout, int celsius);
    // The amplifier's mode and power as it reported them.
    void ShowSystemState(int mode, int power);
    // The live program has come: CH1 and CH2 are no longer linked.
    void ClearLinkCheckBox();

    // The form's questions of the link, asked before it calls the controller (never from
    // inside it). Runs the Connect dialog with the current link kind; on OK the controller
    // takes the chosen port and address and the chosen kind is returned.
    std::optional<LinkKind> RunConnectDialog(QSettings& settings, LinkController& controller,
                                             LinkKind current);
    // Asks for the all-programs file a read of all programs goes into, starting in folder;
    // nothing on cancel.
    std::optional<std::string> ChooseAllProgramsFile(const QString& folder);
    // Writes the twenty stored programs there; a failure is reported with its reason.
    void WriteAllProgramsFile(const std::string& path);

private:
    QWidget* m_form;
    SharedState& m_state;
    const FormWidgets& m_w;
    BusyPopup* m_busy = nullptr;
    DonePopup* m_done = nullptr;
    LinkLamp m_lamp = LinkLamp::Off;
};

}  // namespace tolmarin
