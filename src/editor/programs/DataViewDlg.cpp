#include "editor/programs/DataViewDlg.h"

#include <QPushButton>

#include "editor/programs/CListCtrlCl.h"
#include "editor/programs/CListCtrlPrint.h"
#include "model/ParameterTable.h"
#include "text/Texts.h"

namespace tolmarin {

namespace {

// The shared dialog background.
constexpr QRgb kDialogBackground = qRgb(227, 228, 238);

QRect DialogUnits(int x, int y, int w, int h) {
    return QRect(x * 3 / 2, y * 7 / 4, w * 3 / 2, h * 7 / 4);
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

DataViewDlg::DataViewDlg(const CKTV_Data& channels, const UiState& ui, QWidget* parent)
    : QDialog(parent),
      m_ui(ui),
      m_list(new CListCtrlCl(this)),
      m_print(new QPushButton(this)),
      m_preview(new QPushButton(this)),
      m_export(new QPushButton(this)) {
    setFixedSize(kWidth, kHeight);
    QPalette background = palette();
    background.setColor(QPalette::Window, QColor(kDialogBackground));
    setPalette(background);
    setAutoFillBackground(true);

    setWindowTitle(QString::fromUtf8(ui.Text(TextId::TableCaption)));
    m_print->setText(QString::fromUtf8(ui.Text(TextId::TablePrint)));
    m_print->setGeometry(DialogUnits(16, 7, 50, 12));
    m_preview->setText(QString::fromUtf8(ui.Text(TextId::TablePreview)));
    m_preview->setGeometry(DialogUnits(70, 7, 50, 12));
    m_export->setGeometry(DialogUnits(130, 7, 50, 12));
    m_export->hide();
    m_list->setGeometry(DialogUnits(7, 21, 448, 289));
    m_print->setAutoDefault(false);
    m_preview->setAutoDefault(false);

    Fill(channels);
    connect(m_print, &QPushButton::clicked, this, &DataViewDlg::Print);
    connect(m_preview, &QPushButton::clicked, this, &DataViewDlg::Preview);
}

void DataViewDlg::Fill(const CKTV_Data& channels) {
    const auto headings = ParameterTableHeadings(m_ui);
    m_list->InsertColumn(0, Q(headings[0]), kColumnCenter, kParamWidth);
    m_list->InsertColumn(1, Q(headings[1]), kColumnCenter, kChannelWidth);
    m_list->InsertColumn(2, Q(headings[2]), kColumnCenter, kChannelWidth);
    const std::vector<ParameterRow> rows = BuildParameterTable(channels, m_ui);
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const ParameterRow& row = rows[static_cast<std::size_t>(r)];
        m_list->InsertItem(r, Q(row.label));
        m_list->SetItemText(r, 1, Q(row.cells[0]));
        m_list->SetItemText(r, 2, Q(row.cells[1]));
    }
}

void DataViewDlg::ConfigurePrint(CListCtrlPrint& job) const {
    job.SetHeaderText(QString::fromUtf8(m_ui.Text(TextId::PrintHeaderText)));
    job.SetFooterText(QString::fromUtf8(m_ui.Text(TextId::PrintFooterText)));
    job.SetPageFormat(QString::fromUtf8(m_ui.Text(TextId::PrintPageFormat)));
    job.SetList(m_list);
}

void DataViewDlg::Print() {
    CListCtrlPrint job(m_ui, this);
    ConfigurePrint(job);
    job.OnFilePrint();
}

void DataViewDlg::Preview() {
    CListCtrlPrint job(m_ui, this);
    ConfigurePrint(job);
    job.OnFilePrintPreview();
}

}  // namespace tolmarin
