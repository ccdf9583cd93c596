#include "editor/programs/ProgramFiles.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <algorithm>
#include <filesystem>

#include "link/LinkController.h"
#include "link/LinkView.h"
#include "model/ChannelSet.h"
#include "model/ProgramCheck.h"
#include "protocol/DeviceImage.h"
#include "protocol/ProgramFile.h"

namespace tolmarin {

namespace {

namespace fs = std::filesystem;

// Whether every program the file brought in holds values the amplifier can take.
bool ProgramsAreValid(const DeviceImage& image, int first, int last) {
    for (int n = first; n <= last; ++n) {
        if (CheckProgram(image.ProgramRecord(n))) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<std::string> QtProgramFileChooser::Choose(const FileRequest& request) {
    const bool save = request.kind == FileRequest::Kind::Save;
    QFileDialog dialog(m_parent, QString(), QString::fromStdString(request.folder),
                       QString::fromStdString(request.filter));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // A save may name a new file; an open takes an existing one only.
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!request.defaultSuffix.empty()) {
        dialog.setDefaultSuffix(QString::fromStdString(request.defaultSuffix));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString();
}

ProgramFiles::ProgramFiles(SharedState& state, ChannelSet& channels, LinkView& view,
                           ProgramFileChooser& chooser, LinkController* link,
                           std::string musicFolder)
    : m_state(state),
      m_channels(channels),
      m_view(view),
      m_chooser(chooser),
      m_link(link),
      m_musicFolder(std::move(musicFolder)) {
    if (m_musicFolder.empty()) {
        m_musicFolder =
            QFile::encodeName(QDir::current().absoluteFilePath(kMusicFolder)).toStdString();
    }
}

bool ProgramFiles::CreateMusicFolder() const {
    std::error_code ec;
    fs::create_directories(m_musicFolder, ec);
    return fs::is_directory(m_musicFolder, ec);
}

FileRequest ProgramFiles::Request(FileRequest::Kind kind, const char* extension) const {
    FileRequest request;
    request.kind = kind;
    request.folder = m_musicFolder;
    request.filter = std::string("*") + extension;
    if (kind == FileRequest::Kind::Save) {
        request.defaultSuffix = extension + 1;  // without the dot
    }
    return request;
}

bool ProgramFiles::SaveProgramFile() {
    const auto chosen = m_chooser.Choose(Request(FileRequest::Kind::Save, kSingleProgramExtension));
    if (!chosen) {
        return false;
    }
    SaveProgramFileTo(WithExtension(*chosen, kSingleProgramExtension));
    return true;
}

bool ProgramFiles::SaveProgramFileTo(const std::string& path) {
    // The records go into the live program for the write; a failed save puts it back.
    const DeviceImage::Record before = [&] {
        DeviceImage::Record r;
        std::ranges::copy(m_state.image.ProgramRecord(0), r.begin());
        return r;
    }();
    m_channels.StoreAllToImage();
    if (WriteSingleProgramFile(m_state.image, path) != FileStatus::Ok) {
        std::ranges::copy(before, m_state.image.ProgramRecord(0).begin());
        m_state.ui.Report(TextId::SaveMusicFileError, MessageKind::Stop);
        return false;
    }
    return true;
}

bool ProgramFiles::LoadProgramFile() {
    const auto chosen = m_chooser.Choose(Request(FileRequest::Kind::Open, kSingleProgramExtension));
    if (!chosen) {
        return false;
    }
    return OpenProgramFile(*chosen);
}

bool ProgramFiles::OpenProgramFile(const std::string& path) {
    // The name alone must carry the extension, exactly as written.
    const std::string name = fs::path(path).filename().string();
    DeviceImage scratch = m_state.image;
    if (!NamesExtension(name, kSingleProgramExtension) ||
        ReadSingleProgramFile(scratch, path) != FileStatus::Ok ||
        !ProgramsAreValid(scratch, 0, 0)) {
        m_state.ui.Report(TextId::ReadMusicFileError, MessageKind::Stop);
        return false;
    }
    std::ranges::copy(scratch.ProgramRecord(0), m_state.image.ProgramRecord(0).begin());
    m_channels.LoadAllFromImage();
    if (m_link != nullptr) {
        // The file is the reference from now on: what was edited before it is gone.
        m_link->EditsSettled();
        m_link->SendLiveProgram();
    }
    if (m_channels.Ch1Ch2Linked()) {
        m_channels.UnlinkCh1Ch2();
    }
    m_view.ClearLinkCheckBox();
    m_view.ShowState();
    return true;
}

bool ProgramFiles::ChooseAllProgramsFile() {
    const auto chosen = m_chooser.Choose(Request(FileRequest::Kind::Save, kAllProgramsExtension));
    if (!chosen) {
        return false;
    }
    m_pendingAllPrograms = WithExtension(*chosen, kAllProgramsExtension);
    return true;
}

bool ProgramFiles::WriteAllProgramsFile() {
    return WriteAllProgramsFile(m_pendingAllPrograms);
}

bool ProgramFiles::WriteAllProgramsFile(const std::string& path) {
    if (path.empty() || ::tolmarin::WriteAllProgramsFile(m_state.image, path) != FileStatus::Ok) {
        m_state.ui.Report(TextId::SaveAllMusicFileError, MessageKind::Stop);
        return false;
    }
    if (path == m_pendingAllPrograms) {
        m_pendingAllPrograms.clear();
    }
    return true;
}

bool ProgramFiles::StoreAllProgramsToPc() {
    if (!ChooseAllProgramsFile()) {
        return false;
    }
    if (m_link != nullptr) {
        m_link->ReadAllPrograms(m_pendingAllPrograms);
    } else {
        m_state.ui.Report(TextId::PleaseLink, MessageKind::Warning);
    }
    return true;
}

bool ProgramFiles::LoadAllProgramsFile() {
    const auto chosen = m_chooser.Choose(Request(FileRequest::Kind::Open, kAllProgramsExtension));
    if (!chosen) {
        return false;
    }
    DeviceImage scratch = m_state.image;
    if (!NamesExtension(*chosen, kAllProgramsExtension) ||
        ReadAllProgramsFile(scratch, *chosen) != FileStatus::Ok ||
        !ProgramsAreValid(scratch, 1, kStoredPrograms)) {
        m_state.ui.Report(TextId::ReadAllMusicFileError, MessageKind::Stop);
        return false;
    }
    for (int n = 1; n <= kStoredPrograms; ++n) {
        std::ranges::copy(scratch.ProgramRecord(n), m_state.image.ProgramRecord(n).begin());
    }
    if (m_link != nullptr) {
        m_link->StoreAllPrograms();
    } else {
        m_state.ui.Report(TextId::PleaseLink, MessageKind::Warning);
    }
    return true;
}

}  // namespace tolmarin
