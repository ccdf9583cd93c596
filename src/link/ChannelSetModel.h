#pragma once

#include "link/LinkModel.h"
#include "model/ChannelSet.h"

namespace tolmarin {

// The channel set as the link controller sees it.
class ChannelSetModel : public LinkModel {
public:
    explicit ChannelSetModel(ChannelSet& channels) : m_channels(channels) {}

    std::unique_ptr<SendData> NextPendingFrame() override { return m_channels.NextPendingFrame(); }
    void ClearAllPending(bool value) override { m_channels.ClearAllPending(value); }
    void DropAllPending() override { m_channels.DropAllPending(); }
    void LoadAllFromImage() override { m_channels.LoadAllFromImage(); }
    void WriteAllToImage() override { m_channels.WriteAllToImage(); }
    void SetInputGain(int channel, int gain) override {
        m_channels.Channel(channel).SetInputGain(static_cast<std::int16_t>(gain));
    }
    void SetSending(bool on) override { m_channels.SetSending(on); }
    void UnlinkCh1Ch2() override { m_channels.UnlinkCh1Ch2(); }
    ChannelBlocks RecordBlocks() override { return tolmarin::RecordBlocks(m_channels); }

private:
    ChannelSet& m_channels;
};

}  // namespace tolmarin
