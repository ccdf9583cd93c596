#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/LinkModel.h"
#include "link/LinkView.h"
#include "protocol/DeviceImage.h"
#include "protocol/FrameBuilder.h"

namespace tolmarin::testing {

// A channel set stand-in: hands out scripted frames first, then polls, and counts the
// calls the link controller makes.
class FakeLinkModel : public LinkModel {
public:
    explicit FakeLinkModel(SharedState& state) : m_state(state) {}

    std::unique_ptr<SendData> NextPendingFrame() override {
        ++nextCalls;
        if (!scripted.empty()) {
            std::unique_ptr<SendData> f = std::move(scripted.front());
            scripted.pop_front();
            return f;
        }
        return BuildPoll(m_state);
    }
    void ClearAllPending(bool value) override { clearCalls.push_back(value); }
    void LoadAllFromImage() override { ++loads; }
    void WriteAllToImage() override { ++stores; }
    void SetInputGain(int channel, int gain) override { gains.emplace_back(channel, gain); }
    void SetSending(bool on) override { sending = on; }
    void UnlinkCh1Ch2() override { ch1Ch2Linked = false; }
    ChannelBlocks RecordBlocks() override { return records; }

    std::deque<std::unique_ptr<SendData>> scripted;
    int nextCalls = 0;
    std::vector<int> clearCalls;
    int loads = 0;
    int stores = 0;
    std::vector<std::pair<int, int>> gains;
    bool sending = false;
    bool ch1Ch2Linked = false;
    ChannelBlocks records{};  // the operator's values, as the live program's blocks

private:
    SharedState& m_state;
};

// Records what the controller did to the form.
class RecordingLinkView : public LinkView {
public:
    void SetLinkLamp(LinkLamp l) override {
        lamp = l;
        buttonActive = l != LinkLamp::Off;
    }
    void SetProgressRange(int low, int high) override {
        rangeLow = low;
        rangeHigh = high;
    }
    void SetProgressPos(int pos) override { progress.push_back(pos); }
    void ShowBusy(BusyState state) override { busy.push_back(state); }
    void ShowTransferDone(TransferDirection direction) override { done.push_back(direction); }
    void ClearLinkCheckBox() override { ++checkBoxCleared; }
    void ShowState() override { ++statesShown; }
    void ShowSystemState(int mode, int power) override { system.emplace_back(mode, power); }
    void ShowLevels(int l1, int l2) override { levels.emplace_back(l1, l2); }
    void ShowTemperature(int readout, int celsius) override {
        temperatures.emplace_back(readout, celsius);
    }
    void WriteAllProgramsFile(const std::string& path) override { written.push_back(path); }

    bool buttonActive = false;  // the lamp is not off: the Link button closes the link
    LinkLamp lamp = LinkLamp::Off;
    int rangeLow = -1;
    int rangeHigh = -1;
    std::vector<int> progress;
    std::vector<BusyState> busy;
    std::vector<TransferDirection> done;
    int checkBoxCleared = 0;
    int statesShown = 0;
    std::vector<std::pair<int, int>> system;
    std::vector<std::pair<int, int>> levels;
    std::vector<std::pair<int, int>> temperatures;
    std::vector<std::string> written;
};

}  // namespace tolmarin::testing
