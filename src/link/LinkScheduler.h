#pragma once

#include <functional>
#include <map>
#include <memory>

class QObject;
class QTimer;

namespace tolmarin {

// The link controller's sense of time: the pacing timer and one-shot waits. The editor and
// the tool use Qt's event loop; tests drive a manual one tick by tick.
class LinkScheduler {
public:
    using Task = std::function<void()>;

    virtual ~LinkScheduler() = default;

    // Starts pacing timer id (replacing one already running) calling tick every intervalMs.
    virtual void StartPacing(int id, int intervalMs, Task tick) = 0;
    virtual void StopPacing() = 0;
    // The id of the running pacing timer, 0 when none runs.
    virtual int PacingTimer() const = 0;

    // Runs task once, ms from now; returns a handle for Cancel.
    virtual int After(int ms, Task task) = 0;
    virtual void Cancel(int handle) = 0;
};

// The scheduler of the running program, on the Qt event loop of the calling thread.
class QtLinkScheduler : public LinkScheduler {
public:
    QtLinkScheduler();
    ~QtLinkScheduler() override;

    void StartPacing(int id, int intervalMs, Task tick) override;
    void StopPacing() override;
    int PacingTimer() const override { return m_pacingId; }
    int After(int ms, Task task) override;
    void Cancel(int handle) override;

private:
    std::unique_ptr<QObject> m_context;  // owns the timers; its death cancels them
    QTimer* m_pacing = nullptr;
    Task m_tick;
    int m_pacingId = 0;
    int m_nextHandle = 1;
    std::map<int, QTimer*> m_waits;
};

}  // namespace tolmarin
