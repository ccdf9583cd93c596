#pragma once

#include <string>
#include <string_view>

namespace tolmarin {

// The interface language; English is the one the editor starts in.
enum class Language { Chinese, English };

enum class TextId : int {
#define TOLMARIN_TEXT(id, en, zh) id,
#include "text/Catalogue.inc"
#undef TOLMARIN_TEXT
    Count
};

inline constexpr int kTextCount = static_cast<int>(TextId::Count);

// The text in the given language.
const char* Tr(TextId id, Language language);
// The identifier's name as written in the catalogue, for diagnostics and tests.
const char* TextName(TextId id);

// The icon of a message box. Stop: an operation failed or a link was lost (nothing was
// done, or what was under way ended). Warning: a request was refused or came back
// incomplete, and the operator can act on it. Information: a note, nothing went wrong.
enum class MessageKind { Information, Warning, Stop };

// Where the core reports messages meant for the operator. The editor shows them as
// message boxes with an OK button; tests and the command-line tool record or print them.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void ShowMessage(std::string_view text, MessageKind kind) = 0;
    // A reported message in its parts: the text's identifier and the detail after it. By
    // default shown as the text, a blank and the detail; a sink with words of its own for
    // some messages (the command-line tool) replaces this.
    virtual void ShowReport(TextId id, MessageKind kind, std::string_view detail,
                            Language language);
};

// The interface language flag and the sink, shared by everything that talks to the
// operator. The language is read at the moment a text is shown.
class UiState {
public:
    Language language = Language::English;
    MessageSink* sink = nullptr;

    const char* Text(TextId id) const { return Tr(id, language); }
    // Shows the text in the current language; silently dropped without a sink.
    void Report(TextId id, MessageKind kind) const;
    // The same, with a detail (a file name, what is missing) after the text.
    void Report(TextId id, MessageKind kind, std::string_view detail) const;
};

}  // namespace tolmarin
