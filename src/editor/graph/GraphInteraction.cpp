#include "editor/graph/GraphInteraction.h"

#include <algorithm>

#include "model/ChannelSet.h"
#include "response/Filter.h"

namespace tolmarin {

namespace {

bool IsCrossover(const Filter& f) {
    return f.GetType() == filter::kHighPass || f.GetType() == filter::kLowPass;
}

constexpr int kLastBandwidthStep = kBandwidthSteps - 1;

}  // namespace

void GraphInteraction::Attach(ChannelSet* channelSet) {
    m_channelSet = channelSet;
}

void GraphInteraction::SelectChannel(int index) {
    if (m_channelSet == nullptr || index < 0 || index >= m_channelSet->ChannelCount()) {
        return;
    }
    if (m_active != nullptr) {
        // A drag the switch cut short must not carry on when this filter is next touched.
        m_active->Pointer() = Filter::PointerState{};
    }
    m_current = &m_channelSet->Channel(index);
    m_bank = &m_current->Eq();
    m_active = nullptr;
    m_hover = false;
    m_pageCode = kEqPageCode;
    m_messageCode = m_pageCode * 256 + index;
    m_mode = GraphMode::kEq;
    m_selected = -1;
}

int GraphInteraction::CurrentIndex() const {
    return m_current != nullptr ? m_current->GetIndex() : -1;
}

Filter* GraphInteraction::ShownFilter() const {
    if (m_bank == nullptr) {
        return nullptr;
    }
    if (m_selected < 0) {
        return m_active;
    }
    return m_selected < m_bank->FilterCount() ? &m_bank->Band(m_selected) : nullptr;
}

Filter* GraphInteraction::FilterAt(Point p, int* position) const {
    if (m_bank == nullptr) {
        return nullptr;
    }
    for (int i = 0; i < m_bank->FilterCount(); ++i) {
        Filter& f = m_bank->Band(i);
        if (f.MainHandle().Contains(p)) {
            if (position != nullptr) {
                *position = i;
            }
            return &f;
        }
    }
    return nullptr;
}

bool GraphInteraction::AnyDrag() const {
    if (m_active == nullptr) {
        return false;
    }
    const auto& ps = m_active->Pointer();
    return ps.draggingMain != 0 || ps.draggingLeft != 0 || ps.draggingRight != 0;
}

GraphInteraction::Outcome GraphInteraction::Move(Point p) {
    Outcome out;
    if (m_mode != GraphMode::kEq || m_bank == nullptr) {
        return out;
    }
    if (m_active != nullptr && IsCrossover(*m_active)) {
        MoveCrossover(p, out);
    } else {
        MoveBand(p, out);
    }
    return out;
}

void GraphInteraction::MoveBand(Point p, Outcome& out) {
    if (m_active != nullptr) {
        Filter& a = *m_active;
        auto& ps = a.Pointer();
        const bool inMain = a.MainHandle().Contains(p);
        if (!inMain && ps.draggingMain != 0) {
            DragStep(a.DragPoint(p) != 0, out);
            m_hover = false;
            return;
        }
        if (inMain) {
            ps.hoverMain = 1;
            ps.hoverLeft = ps.hoverRight = 0;
            if (ps.draggingMain != 0) {
                DragStep(a.DragPoint(p) != 0, out);
            }
            m_hover = true;
            return;
        }
        // Only a peaking band shows its side handles, so only it answers to them: a shelf
        // would otherwise show the move cursor over a handle that is not there.
        if (a.GetType() == filter::kPeaking) {
            const bool inLeft = a.LeftHandle().Contains(p);
            if (!inLeft && ps.draggingLeft != 0) {
                BandwidthStep(p.x, out);
                m_hover = false;
                return;
            }
            if (inLeft) {
                ps.hoverLeft = 1;
                ps.hoverMain = ps.hoverRight = 0;
                ps.draggingRight = 0;
                if (ps.draggingLeft != 0) {
                    BandwidthStep(p.x, out);
                }
                m_hover = true;
                return;
            }
            const bool inRight = a.RightHandle().Contains(p);
            if (!inRight && ps.draggingRight != 0) {
                BandwidthStep(p.x, out);
                m_hover = false;
                return;
            }
            if (inRight) {
                ps.hoverRight = 1;
                ps.hoverMain = ps.hoverLeft = 0;
                ps.draggingLeft = 0;
                if (ps.draggingRight != 0) {
                    BandwidthStep(p.x, out);
                }
                m_hover = true;
                return;
            }
        }
    }
    Scan(p, out);
}

void GraphInteraction::Scan(Point p, Outcome& out) {
    int position = 0;
    Filter* hit = FilterAt(p, &position);
    if (hit == nullptr) {
        m_hover = false;  // the active filter stays shown
        return;
    }
    if (m_active != nullptr && m_active != hit) {
        auto& old = m_active->Pointer();
        old.hoverMain = old.hoverLeft = old.hoverRight = 0;
    }
    m_active = hit;
    auto& ps = hit->Pointer();
    ps.hoverMain = 1;
    ps.hoverLeft = ps.hoverRight = 0;
    m_activeIndex = position;
    m_selected = -1;
    out.redraw = true;
    m_hover = true;
}

void GraphInteraction::MoveCrossover(Point p, Outcome& out) {
    Filter& a = *m_active;
    auto& ps = a.Pointer();
    const bool highPass = a.GetType() == filter::kHighPass;
    const int other = highPass ? m_bank->LowPass().GetFreq() : m_bank->HighPass().GetFreq();
    if (a.MainHandle().Contains(p)) {
        if (ps.draggingMain != 0) {
            DragStep(a.DragCrossover(p, other) != 0, out);
        }
        m_hover = true;
    } else if (ps.draggingMain == 0) {
        ps.hoverMain = 0;
        m_active = nullptr;
        m_hover = false;
        out.redraw = true;  // its area goes with it
    } else {
        DragStep(a.DragCrossover(p, other) != 0, out);
        m_hover = true;
    }
}

void GraphInteraction::BandwidthStep(int x, Outcome& out) {
    const int before = m_active->GetBandwidthStep();
    m_active->DragBandwidth(x);
    DragStep(m_active->GetBandwidthStep() != before, out);
}

void GraphInteraction::DragStep(bool changed, Outcome& out) {
    m_changed = changed;
    m_selected = -1;
    out.redraw = true;
    if (!m_changed) {
        return;
    }
    // The notice names the filter that changed; should another one change before the
    // tick, the first one's notice leaves now so the form refreshes both.
    if (m_notify && m_noticeIndex != m_activeIndex) {
        out.noticeNow = m_noticeIndex;
    }
    m_noticeIndex = m_activeIndex;
    m_notify = true;
}

GraphInteraction::Outcome GraphInteraction::Press(Point p) {
    Outcome out;
    if (m_mode != GraphMode::kEq || m_active == nullptr) {
        return out;
    }
    auto& ps = m_active->Pointer();
    if (m_hover && ps.hoverMain != 0) {
        ps.draggingMain = 1;
        const Point c = m_active->MainHandle().Center();
        ps.grabOffset = {p.x - c.x, p.y - c.y};
    } else if (m_active->GetType() == filter::kPeaking) {
        if (ps.hoverLeft != 0) {
            ps.draggingLeft = 1;
        } else if (ps.hoverRight != 0) {
            ps.draggingRight = 1;
        }
    }
    return out;
}

GraphInteraction::Outcome GraphInteraction::Release() {
    Outcome out;
    if (m_mode != GraphMode::kEq || m_active == nullptr) {
        return out;
    }
    auto& ps = m_active->Pointer();
    bool clearRight = false;
    if (ps.hoverMain != 0) {
        ps.draggingMain = ps.hoverMain = ps.draggingLeft = ps.hoverLeft = 0;
        clearRight = true;
    } else if (ps.hoverLeft != 0) {
        ps.draggingLeft = ps.hoverLeft = 0;
        clearRight = true;
    } else if (ps.hoverRight != 0) {
        clearRight = true;
    }
    if (clearRight) {
        ps.hoverRight = ps.draggingRight = 0;
        m_hover = false;
    }
    return out;
}

GraphInteraction::Outcome GraphInteraction::Wheel(Point p, int notches) {
    Outcome out;
    if (m_mode != GraphMode::kEq || notches == 0 || AnyDrag()) {
        return out;
    }
    int position = 0;
    Filter* hit = FilterAt(p, &position);
    if (hit == nullptr || hit->GetType() != filter::kPeaking) {
        return out;
    }
    out.consumed = true;
    const int before = hit->GetBandwidthStep();
    const int after = std::clamp(before + notches * kWheelBandwidthSteps, 0, kLastBandwidthStep);
    if (after == before) {
        return out;
    }
    if (m_active != nullptr && m_active != hit) {
        m_active->Pointer().hoverMain = 0;
    }
    m_active = hit;
    m_active->Pointer().hoverMain = 1;
    m_activeIndex = position;
    m_hover = true;
    hit->SetBandwidthStep(after);
    DragStep(true, out);
    return out;
}

std::optional<int> GraphInteraction::TakeNotice(bool listenerSet) {
    if (!listenerSet || !m_notify) {
        return std::nullopt;
    }
    m_notify = false;
    return m_noticeIndex;
}

}  // namespace tolmarin
