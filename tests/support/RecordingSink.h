#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "text/Texts.h"

namespace tolmarin::testing {

// Collects the operator messages the code under test shows.
class RecordingSink : public MessageSink {
public:
    void ShowMessage(std::string_view text) override { messages.emplace_back(text); }
    std::vector<std::string> messages;
};

}  // namespace tolmarin::testing
