#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tolmarin::testing {

// A pseudo-terminal opened by the test: the slave path is what the serial link opens, the
// master end plays the amplifier's side of the wire.
class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool Ok() const { return m_master >= 0; }
    const std::string& SlavePath() const { return m_slave; }
    void Write(const std::vector<std::uint8_t>& bytes);
    // Whatever the master can read now, without waiting.
    std::vector<std::uint8_t> ReadAvailable();
    void CloseMaster();

private:
    int m_master = -1;
    std::string m_slave;
};

}  // namespace tolmarin::testing
