#pragma once

#include <QDateTime>
#include <QDialog>
#include <string>

class QPushButton;

namespace tolmarin {

class ChannelSet;
class ParameterList;
class ListPrinter;
class UiState;

// What a printed table is of, for its header and its default output file.
struct PrintSubject {
    std::string programName;  // the live program's name; blank when it has none
    std::string fileName;     // the program file last opened or saved; empty when none
    std::string amplifier;    // the serial port, or host:port; empty without a link
    QString outputFolder;     // where the default output file goes ("MusicFile")
};

// The parameter table: every value of CH1 and CH2 as text, 65 rows, taken once when the
// dialog opens, in the language current then. Print sends the table to a printer (or a
// PDF file); Preview shows the pages first.
class ParameterTableDialog : public QDialog {
    Q_OBJECT
public:
    // Size and places in dialog units (x 1.5, y 1.75 pixels).
    static constexpr int kWidth = 693;
    static constexpr int kHeight = 557;
    static constexpr int kParamWidth = 110;
    static constexpr int kChannelWidth = 90;

    ParameterTableDialog(const ChannelSet& channels, const UiState& ui, QWidget* parent = nullptr);

    ParameterList& List() { return *m_list; }
    QPushButton& PrintButton() { return *m_print; }
    QPushButton& PreviewButton() { return *m_preview; }
    void SetPrintSubject(PrintSubject subject) { m_subject = std::move(subject); }
    // What the header names: the program's name, else the file's, else "Live program".
    QString PrintTitle() const;
    // The texts, list, document name and default output file the Print button prints
    // with, the header dated when.
    void ConfigurePrint(ListPrinter& job,
                        const QDateTime& when = QDateTime::currentDateTime()) const;

private:
    void Fill(const ChannelSet& channels);
    void Print();
    void Preview();

    const UiState& m_ui;
    PrintSubject m_subject;
    ParameterList* m_list;
    QPushButton* m_print;
    QPushButton* m_preview;
    QPushButton* m_export;  // kept hidden, as it has no function
};

}  // namespace tolmarin
