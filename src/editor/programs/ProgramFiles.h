#pragma once

#include <functional>
#include <optional>
#include <string>

class QWidget;

namespace tolmarin {

struct SharedState;
class ChannelSet;
class LinkController;
class LinkView;

// What a program-file dialog asks for: a save or an open dialog, the folder it starts in,
// its name filter ("*.Data12File") and, for saving, the suffix added to a bare name.
struct FileRequest {
    enum class Kind { Save, Open };
    Kind kind = Kind::Open;
    std::string folder;
    std::string filter;
    std::string defaultSuffix;
};

// The file dialogs behind the program-file operations, so tests answer them directly.
class ProgramFileChooser {
public:
    virtual ~ProgramFileChooser() = default;
    // The chosen path, or nothing when the operator cancelled.
    virtual std::optional<std::string> Choose(const FileRequest& request) = 0;
};

// Qt's file dialogs. Saving asks before overwriting and lets a new name be typed; opening
// takes only an existing file (the dialog's "path and file must exist").
class QtProgramFileChooser : public ProgramFileChooser {
public:
    explicit QtProgramFileChooser(QWidget* parent) : m_parent(parent) {}
    std::optional<std::string> Choose(const FileRequest& request) override;

private:
    QWidget* m_parent;
};

// Program files on the PC: the live program as ".Data12File", the twenty stored programs
// as ".ALLData12File". The dialogs start in the "MusicFile" folder; every failure is told
// to the operator with the read or save message (a refused read also says why: the name,
// the size, not a regular file, the first value out of range) and leaves the device image
// and the channel records as they were.
class ProgramFiles {
public:
    // All borrowed. The link controller may be null (no link layer): sending is skipped and
    // the batch transfers report that no link is open. The music folder defaults to
    // "MusicFile" in the current directory, fixed at construction.
    ProgramFiles(SharedState& state, ChannelSet& channels, LinkView& view,
                 ProgramFileChooser& chooser, LinkController* link = nullptr,
                 std::string musicFolder = {});

    void SetLinkController(LinkController* link) { m_link = link; }
    // Called after every single-program file written.
    void SetSavedHook(std::function<void()> hook) { m_onSaved = std::move(hook); }
    const std::string& MusicFolder() const { return m_musicFolder; }
    // Creates the music folder when it does not exist; false when it cannot be made.
    bool CreateMusicFolder() const;

    // "Store Program to PC", Ctrl+S: true when a file was chosen, written or not.
    bool SaveProgramFile();
    // The same, true only when the file was written (a cancelled or failed save is false).
    bool SaveProgramFileChecked();
    // "Recall Program From PC", Ctrl+O: true when a program was read.
    bool LoadProgramFile();
    // Asks for the all-programs file a read of the amplifier's programs goes into; the
    // path becomes the pending one. True when chosen.
    bool ChooseAllProgramsFile();
    // Writes the stored programs to the pending path (or to path); the pending path is
    // forgotten once written.
    bool WriteAllProgramsFile();
    bool WriteAllProgramsFile(const std::string& path);
    // "Recall all Program From PC": reads the twenty programs and sends them.
    bool LoadAllProgramsFile();
    // "Store all Program to PC": the file is chosen first, then the amplifier's twenty
    // programs are read; the file is written when the last arrives. True when chosen.
    bool SaveAllProgramsToPc();

    // The single-program save and load without a dialog (the command-line file).
    bool SaveProgramFileTo(const std::string& path);
    bool OpenProgramFile(const std::string& path);

    const std::string& PendingAllProgramsPath() const { return m_pendingAllPrograms; }
    // The single-program file last opened or saved (empty before any): what the live
    // program is known by when it has no name.
    const std::string& LastFile() const { return m_lastFile; }

private:
    FileRequest Request(FileRequest::Kind kind, const char* extension) const;

    SharedState& m_state;
    ChannelSet& m_channels;
    LinkView& m_view;
    ProgramFileChooser& m_chooser;
    LinkController* m_link;
    std::string m_musicFolder;
    std::string m_pendingAllPrograms;
    std::string m_lastFile;
    std::function<void()> m_onSaved;
};

}  // namespace tolmarin
