#pragma once

#include <QDialog>

class QPushButton;

namespace tolmarin {

class ChannelSet;
class ParameterList;
class ListPrinter;
class UiState;

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
    // The texts and list the Print button prints with.
    void ConfigurePrint(ListPrinter& job) const;

private:
    void Fill(const ChannelSet& channels);
    void Print();
    void Preview();

    const UiState& m_ui;
    ParameterList* m_list;
    QPushButton* m_print;
    QPushButton* m_preview;
    QPushButton* m_export;  // kept hidden, as it has no function
};

}  // namespace tolmarin
