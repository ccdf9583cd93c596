#include "editor/programs/ParameterTableDialog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>

#include "Version.h"

#include "editor/programs/ListPrinter.h"
#include "editor/programs/ParameterList.h"
#include "formdesc/DialogUnits.h"
#include "model/ParameterTable.h"
#include "text/Texts.h"

namespace tolmarin {

namespace {

// The shared dialog background.
constexpr QRgb kDialogBackground = qRgb(227, 228, 238);

QRect DialogUnits(int x, int y, int w, int h) {
    const form::PixelRect r = form::FromDialogUnits(x, y, w, h);
    return {r.x, r.y, r.width, r.height};
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

ParameterTableDialog::ParameterTableDialog(const ChannelSet& channels, const UiState& ui,
                                           QWidget* parent)
    : QDialog(parent),
      m_ui(ui),
      m_list(new ParameterList(this)),
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
    connect(m_print, &QPushButton::clicked, this, &ParameterTableDialog::Print);
    connect(m_preview, &QPushButton::clicked, this, &ParameterTableDialog::Preview);
}

void ParameterTableDialog::Fill(const ChannelSet& channels) {
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

QString ParameterTableDialog::PrintTitle() const {
    const QString name = Q(m_subject.programName).trimmed();
    if (!name.isEmpty()) {
        return name;
    }
    if (!m_subject.fileName.empty()) {
        return QFileInfo(QFile::decodeName(QByteArray::fromStdString(m_subject.fileName)))
            .fileName();
    }
    return QString::fromUtf8(m_ui.Text(TextId::PrintLiveProgram));
}

void ParameterTableDialog::ConfigurePrint(ListPrinter& job, const QDateTime& when) const {
    const QString title = PrintTitle();
    const QString amplifier = m_subject.amplifier.empty()
                                  ? QString::fromUtf8(m_ui.Text(TextId::PrintNotLinked))
                                  : Q(m_subject.amplifier);
    job.SetHeaderText(
        QString::fromUtf8(m_ui.Text(TextId::PrintHeaderText))
            .arg(title, amplifier, when.toString(QStringLiteral("yyyy-MM-dd HH:mm"))));
    job.SetFooterText(
        QString::fromUtf8(m_ui.Text(TextId::PrintFooterText)).arg(QLatin1String(kVersion)));
    job.SetPageFormat(QString::fromUtf8(m_ui.Text(TextId::PrintPageFormat)));
    job.SetList(m_list);
    job.SetDocumentName(title);
    if (!m_subject.outputFolder.isEmpty()) {
        // Slashes would name folders; whatever else a name holds a file name can carry.
        QString file = title;
        file.replace(u'/', u'_');
        job.SetOutputFile(QDir(m_subject.outputFolder).filePath(file + QStringLiteral(".pdf")));
    }
}

void ParameterTableDialog::Print() {
    ListPrinter job(m_ui, this);
    ConfigurePrint(job);
    job.OnFilePrint();
}

void ParameterTableDialog::Preview() {
    ListPrinter job(m_ui, this);
    ConfigurePrint(job);
    job.OnFilePrintPreview();
}

}  // namespace tolmarin
