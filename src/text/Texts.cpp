#include "text/Texts.h"

#include <string>

namespace tolmarin {

namespace {

struct Entry {
    const char* name;
    const char* en;
    const char* zh;
};

constexpr Entry kCatalogue[] = {
#define TOLMARIN_TEXT(id, en, zh) {#id, en, zh},
#include "text/Catalogue.inc"
#undef TOLMARIN_TEXT
};

static_assert(sizeof(kCatalogue) / sizeof(kCatalogue[0]) == kTextCount);

const Entry& Lookup(TextId id) {
    const int i = static_cast<int>(id);
    static constexpr Entry kMissing{"?", "?", "?"};
    return (i >= 0 && i < kTextCount) ? kCatalogue[i] : kMissing;
}

}  // namespace

const char* Tr(TextId id, Language language) {
    const Entry& e = Lookup(id);
    return language == Language::English ? e.en : e.zh;
}

const char* TextName(TextId id) {
    return Lookup(id).name;
}

void UiState::Report(TextId id, MessageKind kind) const {
    if (sink != nullptr) {
        sink->ShowMessage(Text(id), kind);
    }
}

void UiState::Report(TextId id, MessageKind kind, std::string_view detail) const {
    if (sink != nullptr) {
        std::string text = Text(id);
        if (!detail.empty()) {
            text += ' ';
            text += detail;
        }
        sink->ShowMessage(text, kind);
    }
}

}  // namespace tolmarin
