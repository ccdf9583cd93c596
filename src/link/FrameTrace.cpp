#include "link/FrameTrace.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <memory>

#include "protocol/FilePlatform.h"

namespace tolmarin {

namespace {

FrameTrace::Clock SteadyClock() {
    auto timer = std::make_shared<QElapsedTimer>();
    timer->start();
    return [timer] { return timer->elapsed(); };
}

}  // namespace

FrameTrace::FrameTrace() : m_clock(SteadyClock()) {}

FrameTrace::FrameTrace(Clock clock) : m_clock(std::move(clock)) {}

FrameTrace::~FrameTrace() {
    Close();
}

bool FrameTrace::Open(const std::string& path) {
    Close();
    // Rewritten each run, but never through a symbolic link planted at the path.
    m_file = OpenLogFile(path);
    if (m_file == nullptr) {
        return false;
    }
    m_origin = m_clock();
    const std::string started =
        QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toStdString();
    std::fprintf(m_file, "# tolmarin frame trace, started %s; ms since start, link, TX/RX, hex\n",
                 started.c_str());
    std::fflush(m_file);
    return true;
}

void FrameTrace::Close() {
    if (m_file != nullptr) {
        std::fclose(m_file);
        m_file = nullptr;
    }
}

long long FrameTrace::Elapsed() const {
    return m_clock() - m_origin;
}

void FrameTrace::Write(LinkKind link, const char* direction, std::span<const std::uint8_t> bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    m_line.clear();
    m_line.reserve(bytes.size() * 3 + 32);
    for (std::uint8_t b : bytes) {
        m_line.push_back(' ');
        m_line.push_back(kHex[b >> 4]);
        m_line.push_back(kHex[b & 0x0F]);
    }
    // Flushed per line: a trace is asked for when something goes wrong, crashes included.
    std::fprintf(m_file, "%8lld %s %s%s\n", Elapsed(), LinkKindName(link), direction,
                 m_line.c_str());
    std::fflush(m_file);
}

void FrameTrace::Note(LinkKind link, const std::string& text) {
    if (m_file != nullptr) {
        std::fprintf(m_file, "%8lld %s -- %s\n", Elapsed(), LinkKindName(link), text.c_str());
        std::fflush(m_file);
    }
}

}  // namespace tolmarin
