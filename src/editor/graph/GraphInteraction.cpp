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
    if (channelSet != m_channelSet) {
        m_pointers.clear();  // states of filters that are not shown any more
    }
    m_channelSet = channelSet;
}

void GraphInteraction::SelectChannel(int index) {
    if (m_channelSet == nullptr || index < 0 || index >= m_channelSet->ChannelCount()) {
        return;
    }
    if (m_active != nullptr) {
        // A drag the switch cut short must not carry on when this filter is next touched.
        m_pointers.erase(m_active);
    }
    m_current = &m_channelSet->Channel(index);
    m_bank = &m_current->Eq();
    m_active = nullptr;
    m_hover = false;
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
        if (Marks(f).main.Contains(p)) {
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
    const auto it = m_pointers.find(m_active);
    if (it == m_pointers.end()) {
        return false;
    }
    const PointerState& ps = it->second;
    return ps.draggingMain || ps.draggingLeft || ps.draggingRight;
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
        PointerState& ps = PointerOf(&a);
        const FilterMarks marks = Marks(a);
        const bool inMain = marks.main.Contains(p);
        if (!inMain && ps.draggingMain) {
            PointStep(a, p, out);
            m_hover = false;
            return;
        }
        if (inMain) {
            ps.hoverMain = true;
            ps.hoverLeft = ps.hoverRight = false;
            if (ps.draggingMain) {
                PointStep(a, p, out);
            }
            m_hover = true;
            return;
        }
        // Only a peaking band shows its side handles, so only it answers to them: a shelf
        // would otherwise show the move cursor over a handle that is not there.
        if (a.GetType() == filter::kPeaking) {
            const bool inLeft = marks.left.Contains(p);
            if (!inLeft && ps.draggingLeft) {
                BandwidthStep(p.x, out);
                m_hover = false;
                return;
            }
            if (inLeft) {
                ps.hoverLeft = true;
                ps.hoverMain = ps.hoverRight = false;
                ps.draggingRight = false;
                if (ps.draggingLeft) {
                    BandwidthStep(p.x, out);
                }
                m_hover = true;
                return;
            }
            const bool inRight = marks.right.Contains(p);
            if (!inRight && ps.draggingRight) {
                BandwidthStep(p.x, out);
                m_hover = false;
                return;
            }
            if (inRight) {
                ps.hoverRight = true;
                ps.hoverMain = ps.hoverLeft = false;
                ps.draggingLeft = false;
                if (ps.draggingRight) {
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
        PointerState& old = PointerOf(m_active);
        old.hoverMain = old.hoverLeft = old.hoverRight = false;
    }
    m_active = hit;
    PointerState& ps = PointerOf(hit);
    ps.hoverMain = true;
    ps.hoverLeft = ps.hoverRight = false;
    m_activeIndex = position;
    m_selected = -1;
    out.redraw = true;
    m_hover = true;
}

void GraphInteraction::MoveCrossover(Point p, Outcome& out) {
    Filter& a = *m_active;
    PointerState& ps = PointerOf(&a);
    const bool highPass = a.GetType() == filter::kHighPass;
    const int other = highPass ? m_bank->LowPass().GetFreq() : m_bank->HighPass().GetFreq();
    if (Marks(a).main.Contains(p)) {
        if (ps.draggingMain) {
            DragStep(DragCrossover(a, p, ps.grabOffset, other, m_plot), out);
        }
        m_hover = true;
    } else if (!ps.draggingMain) {
        ps.hoverMain = false;
        m_active = nullptr;
        m_hover = false;
        out.redraw = true;  // its area goes with it
    } else {
        DragStep(DragCrossover(a, p, ps.grabOffset, other, m_plot), out);
        m_hover = true;
    }
}

void GraphInteraction::PointStep(Filter& band, Point p, Outcome& out) {
    const Filter::PointDrag drag = DragBand(band, p, PointerOf(&band).grabOffset, m_plot);
    out.gainStep = drag.gainStep;
    DragStep(drag.changed, out);
}

void GraphInteraction::BandwidthStep(int x, Outcome& out) {
    const int before = m_active->GetBandwidthStep();
    const PointerState& ps = PointerOf(m_active);
    if (ps.draggingLeft) {
        DragBandEdge(*m_active, x, Filter::BandEdge::kLower, m_plot);
    } else if (ps.draggingRight) {
        DragBandEdge(*m_active, x, Filter::BandEdge::kUpper, m_plot);
    }
    DragStep(m_active->GetBandwidthStep() != before, out);
}

void GraphInteraction::DragStep(bool changed, Outcome& out) {
    m_changed = changed;
    m_selected = -1;
    out.redraw = true;
    if (!m_changed) {
        return;
    }
    out.changed = m_activeIndex;
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
    PointerState& ps = PointerOf(m_active);
    if (m_hover && ps.hoverMain) {
        ps.draggingMain = true;
        const Point c = Marks(*m_active).main.Center();
        ps.grabOffset = {p.x - c.x, p.y - c.y};
    } else if (m_active->GetType() == filter::kPeaking) {
        if (ps.hoverLeft) {
            ps.draggingLeft = true;
        } else if (ps.hoverRight) {
            ps.draggingRight = true;
        }
    }
    return out;
}

GraphInteraction::Outcome GraphInteraction::Release() {
    Outcome out;
    if (m_mode != GraphMode::kEq || m_active == nullptr) {
        return out;
    }
    PointerState& ps = PointerOf(m_active);
    bool clearRight = false;
    if (ps.hoverMain) {
        ps.draggingMain = ps.hoverMain = ps.draggingLeft = ps.hoverLeft = false;
        clearRight = true;
    } else if (ps.hoverLeft) {
        ps.draggingLeft = ps.hoverLeft = false;
        clearRight = true;
    } else if (ps.hoverRight) {
        clearRight = true;
    }
    if (clearRight) {
        ps.hoverRight = ps.draggingRight = false;
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
        PointerOf(m_active).hoverMain = false;
    }
    m_active = hit;
    PointerOf(m_active).hoverMain = true;
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
