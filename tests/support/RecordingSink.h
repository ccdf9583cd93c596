#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "text/Texts.h"

namespace tolmarin::testing {

// Collects the operator messages the code under test shows.
class RecordingSink : public MessageSink {
public:
    void ShowMessage(std::string_view text, MessageKind kind) override {
        messages.emplace_back(text);
        kinds.push_back(kind);
    }
    std::vector<std::string> messages;
    std::vector<MessageKind> kinds;  // one per message
};

}  // namespace tolmarin::testing
