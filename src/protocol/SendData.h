#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tolmarin {

// One transmission item: a frame and the flags the queue and the link controller use.
// The command queue owns items; everyone else holds plain references.
class SendData {
public:
    SendData() = default;
    SendData(const SendData&) = delete;
    SendData& operator=(const SendData&) = delete;

    std::span<const std::uint8_t> Frame() const { return m_data; }
    const std::uint8_t* Data() const { return m_data.empty() ? nullptr : m_data.data(); }
    int Length() const { return m_length; }
    void SetFrame(std::vector<std::uint8_t> frame) {
        m_data = std::move(frame);
        m_length = static_cast<int>(m_data.size());
    }

    int Ticks() const { return m_ticks; }
    void SetTicks(int ticks) { m_ticks = ticks; }
    bool Pending() const { return m_pending; }
    void SetPending(bool pending) { m_pending = pending; }
    bool CountsProgress() const { return m_countsProgress; }
    void SetCountsProgress(bool flag) { m_countsProgress = flag; }
    bool NotifyUp() const { return m_notifyUp; }
    void SetNotifyUp(bool flag) { m_notifyUp = flag; }
    bool NotifyDown() const { return m_notifyDown; }
    void SetNotifyDown(bool flag) { m_notifyDown = flag; }
    // Whoever queued the item may tag it to learn later whether it is still queued; 0 is
    // untagged.
    std::uint64_t Tag() const { return m_tag; }
    void SetTag(std::uint64_t tag) { m_tag = tag; }

private:
    std::vector<std::uint8_t> m_data;
    int m_length = 0;
    int m_ticks = 0;
    bool m_pending = true;
    bool m_countsProgress = false;
    bool m_notifyUp = false;
    bool m_notifyDown = false;
    std::uint64_t m_tag = 0;
};

}  // namespace tolmarin
