#pragma once

#include <QPageSize>
#include <QRect>
#include <QString>
#include <functional>
#include <vector>

class QPainter;
class QPaintDevice;
class QPrinter;
class QWidget;

namespace tolmarin {

class UiState;

// One print job's record: the page range, the page being printed and its drawing area.
struct PrintInfo {
    static constexpr int kUnboundedPage = 65535;

    int minPage = 1;
    int maxPage = kUnboundedPage;  // until the content has counted its pages
    int fromPage = 1;
    int toPage = kUnboundedPage;
    int currentPage = 1;
    QRect drawRect;  // the whole page, in device units
    bool continuePrinting = true;
    bool preview = false;
    QPrinter* printer = nullptr;  // the printer chosen in the print dialog
};

// The order in which the pages from..to are printed: each bound is clamped into
// [minPage, maxPage] and a range chosen backwards prints backwards.
std::vector<int> PageSequence(int fromPage, int toPage, int minPage, int maxPage);

// A print job: the print dialog, then the document with one OnPrint per page. Printing to
// a file (PDF) is offered by the print dialog itself.
class PrintJob {
public:
    explicit PrintJob(const UiState& ui, QWidget* owner = nullptr);
    virtual ~PrintJob();
    PrintJob(const PrintJob&) = delete;
    PrintJob& operator=(const PrintJob&) = delete;

    // Runs the print dialog and prints what the operator chose.
    virtual void OnFilePrint();
    // Shows the job in a print preview window.
    void OnFilePrintPreview();
    // Prints the page range of info onto a paged device without any dialog: newPage starts
    // the next page (a printer's newPage). False when nothing could be printed.
    bool PrintPages(QPaintDevice& device, const std::function<bool()>& newPage, PrintInfo& info);
    // Prints every page to a PDF file of the given page size (for the headless runs).
    bool PrintToPdf(const QString& path, const QPageSize& size);

    virtual void OnPrint(QPainter& /*painter*/, PrintInfo& /*info*/) {}
    virtual void OnEndPrinting(QPainter& /*painter*/, PrintInfo& /*info*/) {}
    virtual void OnBeginPrinting(QPainter& /*painter*/, PrintInfo& /*info*/) {}
    // True for a preview; otherwise the print dialog decides.
    virtual bool OnPreparePrinting(PrintInfo& info, bool preview);

    const QString& DocumentName() const { return m_documentName; }
    // The name the job is spooled under.
    void SetDocumentName(const QString& name) { m_documentName = name; }
    // The file the print dialog offers when printing to a file (PDF); a printer of the
    // system's stays the first choice when there is one.
    void SetOutputFile(const QString& path) { m_outputFile = path; }
    const QString& OutputFile() const { return m_outputFile; }

protected:
    bool DoPreparePrinting(PrintInfo& info);
    // Whether printing goes on with info's current page.
    void OnPrepareDC(PrintInfo& info) const;

    const UiState& m_ui;
    QWidget* m_owner;
    QString m_documentName = QStringLiteral("senza nome");
    QString m_outputFile;
};

}  // namespace tolmarin
