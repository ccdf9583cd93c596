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

QString Tx(const UiState& ui, TextId id) {
    return QString::fromUtf8(ui.Text(id));
}

// A byte count as the operator reads it: 13,120 in English, 13120 in Chinese.
QString Bytes(std::uintmax_t n, Language language) {
    QString digits = QString::number(n);
    if (language == Language::English) {
        for (qsizetype at = digits.size() - 3; at > 0; at -= 3) {
            digits.insert(at, u',');
        }
    }
    return digits;
}

// Reads a program file into the scratch image and judges what it brought: empty when the
// file may be taken, otherwise why not, naming the file. The single load judges the name
// alone, the all-programs load the whole path, as their dialogs always have.
QString ReadChecked(const UiState& ui, DeviceImage& scratch, const std::string& path, bool all) {
    const fs::path file(path);
    const QString name = QFile::decodeName(QByteArray::fromStdString(file.filename().string()));
    const char* extension = all ? kAllProgramsExtension : kSingleProgramExtension;
    if (!NamesExtension(all ? path : file.filename().string(), extension)) {
        return Tx(ui, TextId::ReadWrongExtension).arg(name, QString::fromLatin1(extension));
    }
    const FileStatus status =
        all ? ReadAllProgramsFile(scratch, path) : ReadSingleProgramFile(scratch, path);
    std::error_code ec;
    switch (status) {
        case FileStatus::Ok:
            break;
        case FileStatus::NotAFile:
            return Tx(ui, TextId::ReadNotRegular).arg(name);
        case FileStatus::WrongSize: {
            const std::uintmax_t size = fs::file_size(file, ec);
            const int expected = all ? kAllProgramsFileSize : kSingleProgramFileSize;
            QString text = Tx(ui, TextId::ReadWrongSize)
                               .arg(name, Bytes(size, ui.language), Bytes(expected, ui.language));
            // A file of the other kind: say which command opens it.
            const int other = all ? kSingleProgramFileSize : kAllProgramsFileSize;
            if (!ec && size == static_cast<std::uintmax_t>(other)) {
                text +=
                    u' ' + Tx(ui, all ? TextId::ReadHoldsOneProgram : TextId::ReadHoldsAllPrograms);
            }
            return text;
        }
        default:
            return Tx(ui, fs::exists(file, ec) ? TextId::ReadCannotOpen : TextId::ReadMissing)
                .arg(name);
    }
    const int first = all ? 1 : 0;
    const int last = all ? kStoredPrograms : 0;
    for (int n = first; n <= last; ++n) {
        if (const auto fault = CheckProgram(scratch.ProgramRecord(n))) {
            const QString what = QString::fromStdString(DescribeFault(*fault, ui.language));
            return all ? Tx(ui, TextId::ReadBadValueInProgram).arg(name, QString::number(n), what)
                       : Tx(ui, TextId::ReadBadValue).arg(name, what);
        }
    }
    return {};
}

// The read message with the reason on a line of its own.
void Refuse(const UiState& ui, TextId headline, const QString& reason) {
    if (ui.sink != nullptr) {
        ui.sink->ShowMessage((Tx(ui, headline) + u'\n' + reason).toStdString(), MessageKind::Stop);
    }
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

bool ProgramFiles::SaveProgramFileChecked() {
    const auto chosen = m_chooser.Choose(Request(FileRequest::Kind::Save, kSingleProgramExtension));
    return chosen && SaveProgramFileTo(WithExtension(*chosen, kSingleProgramExtension));
}

bool ProgramFiles::SaveProgramFileTo(const std::string& path) {
    // The records go into the live program for the write; a failed save puts it back.
    const DeviceImage::Record before = [&] {
        DeviceImage::Record r;
        std::ranges::copy(m_state.image.ProgramRecord(0), r.begin());
        return r;
    }();
    m_channels.WriteAllToImage();
    // The dialog has asked before overwriting: the save replaces.
    FileWriteResult why;
    if (WriteSingleProgramFile(m_state.image, path, Overwrite::Replace, &why) != FileStatus::Ok) {
        std::ranges::copy(before, m_state.image.ProgramRecord(0).begin());
        m_state.ui.Report(TextId::SaveMusicFileError, MessageKind::Stop,
                          WriteFailureReason(why, m_state.ui));
        return false;
    }
    m_lastFile = path;
    if (m_onSaved) {
        m_onSaved();
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
    DeviceImage scratch = m_state.image;
    if (const QString why = ReadChecked(m_state.ui, scratch, path, false); !why.isEmpty()) {
        Refuse(m_state.ui, TextId::ReadMusicFileError, why);
        return false;
    }
    std::ranges::copy(scratch.ProgramRecord(0), m_state.image.ProgramRecord(0).begin());
    m_lastFile = path;
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
    FileWriteResult why;
    if (path.empty() || ::tolmarin::WriteAllProgramsFile(m_state.image, path, Overwrite::Replace,
                                                         &why) != FileStatus::Ok) {
        m_state.ui.Report(TextId::SaveAllMusicFileError, MessageKind::Stop,
                          WriteFailureReason(why, m_state.ui));
        return false;
    }
    if (path == m_pendingAllPrograms) {
        m_pendingAllPrograms.clear();
    }
    return true;
}

bool ProgramFiles::SaveAllProgramsToPc() {
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
    if (const QString why = ReadChecked(m_state.ui, scratch, *chosen, true); !why.isEmpty()) {
        Refuse(m_state.ui, TextId::ReadAllMusicFileError, why);
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
