#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QWidget>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "editor/programs/ProgramFiles.h"
#include "model/ChannelSet.h"
#include "support/Fresh.h"
#include "support/TempDir.h"
#include "support/qt/LinkFakes.h"

namespace tolmarin::testing {

// Answers the file dialogs with a set path (nothing: cancelled) and keeps what was asked.
class FakeChooser : public ProgramFileChooser {
public:
    std::optional<std::string> Choose(const FileRequest& request) override {
        requests.push_back(request);
        return answer;
    }
    std::optional<std::string> answer;
    std::vector<FileRequest> requests;
};

inline std::vector<std::uint8_t> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// With TOLMARIN_PICTURES naming a folder, the widget as drawn is kept there to be looked at.
inline void SavePicture(QWidget& widget, const char* name) {
    const QString folder = qEnvironmentVariable("TOLMARIN_PICTURES");
    if (!folder.isEmpty()) {
        widget.grab().save(QDir(folder).filePath(QString::fromLatin1(name)));
    }
}

// A started editor's state and channel set with the program files on a temporary folder.
struct ProgramsFixture : ::testing::Test {
    FreshState fresh;
    SharedState& s = *fresh;
    ChannelSet channels{s};
    RecordingLinkView view;
    FakeChooser chooser;
    TempDir dir{"programs"};
    ProgramFiles files{s, channels, view, chooser, nullptr, dir.PathOf("MusicFile")};

    std::string Path(const std::string& name) const { return dir.PathOf(name); }
    // Twenty programs the amplifier could hold: the records' own, in every slot.
    void StoreValidPrograms() {
        channels.WriteAllToImage();
        for (int n = 1; n <= kStoredPrograms; ++n) {
            std::ranges::copy(s.image.Data(0), s.image.Data(n).begin());
        }
    }
};

}  // namespace tolmarin::testing
