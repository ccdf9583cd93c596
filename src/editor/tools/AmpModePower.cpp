#include "editor/tools/AmpModePower.h"

#include <QPointer>

#include "editor/history/EditHistory.h"
#include "model/ChannelSet.h"
#include "protocol/DeviceImage.h"
#include "protocol/Protocol.h"

namespace tolmarin {

AmpModePower::AmpModePower(SharedState& state, ChannelSet& channels, EditHistory& history,
                           QObject* parent)
    : QObject(parent), m_state(state), m_channels(channels), m_history(history) {}

int AmpModePower::Mode() const {
    return m_state.image.systemBytes[sysbyte::kModeCh12];
}

bool AmpModePower::SetMode(int mode) {
    auto& sys = m_state.image.systemBytes;
    if (mode == sys[sysbyte::kModeCh12]) {
        return false;
    }
    sys[sysbyte::kModeCh12] = static_cast<std::uint8_t>(mode);
    m_channels.WriteAllToImage();
    m_channels.LoadAllFromImage();
    m_channels.UnlinkCh1Ch2();
    emit modeChanged(mode);
    if (m_send) {
        m_send(ITEM_MODES, 0);
    }
    m_history.Commit();
    return true;
}

bool AmpModePower::PowerOn() const {
    return m_state.image.systemBytes[sysbyte::kPower] != 0;
}

void AmpModePower::TogglePower(const Confirm& confirm) {
    if (!PowerOn()) {
        SetPower(true);
        return;
    }
    // The answer may come after the tool is gone (the form closing under a question).
    QPointer<AmpModePower> self(this);
    confirm([self](bool yes) {
        if (self == nullptr) {
            return;
        }
        if (!yes) {
            emit self->powerShown(true);  // the click changed nothing
            return;
        }
        self->SetPower(false);
    });
}

void AmpModePower::SetPower(bool on) {
    emit powerShown(on);
    m_state.image.systemBytes[sysbyte::kPower] = on ? 1 : 0;
    if (m_send) {
        m_send(ITEM_POWER, 0);
    }
}

}  // namespace tolmarin
