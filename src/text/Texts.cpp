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

void MessageSink::ShowReport(TextId id, MessageKind kind, std::string_view detail,
                             Language language) {
    std::string text = Tr(id, language);
    if (!detail.empty()) {
        text += ' ';
        text += detail;
    }
    ShowMessage(text, kind);
}

void UiState::Report(TextId id, MessageKind kind) const {
    if (sink != nullptr) {
        sink->ShowReport(id, kind, {}, language);
    }
}

void UiState::Report(TextId id, MessageKind kind, std::string_view detail) const {
    if (sink != nullptr) {
        sink->ShowReport(id, kind, detail, language);
    }
}

}  // namespace tolmarin
