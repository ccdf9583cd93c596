#include "editor/programs/PrintJob.h"

#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>

#include "text/Texts.h"

namespace tolmarin {

std::vector<int> PageSequence(int fromPage, int toPage, int minPage, int maxPage) {
    maxPage = std::max(minPage, maxPage);
    fromPage = std::clamp(fromPage, minPage, maxPage);
    toPage = std::clamp(toPage, minPage, maxPage);
    const int step = toPage >= fromPage ? 1 : -1;
    const int end = toPage == PrintInfo::kUnboundedPage ? PrintInfo::kUnboundedPage : toPage + step;
    std::vector<int> pages;
    for (int page = fromPage; page != end; page += step) {
        pages.push_back(page);
    }
    return pages;
}

PrintJob::PrintJob(const UiState& ui, QWidget* owner) : m_ui(ui), m_owner(owner) {}

PrintJob::~PrintJob() = default;

bool PrintJob::OnPreparePrinting(PrintInfo& info, bool preview) {
    info.preview = preview;
    return preview ? true : DoPreparePrinting(info);
}

bool PrintJob::DoPreparePrinting(PrintInfo& info) {
    if (info.printer == nullptr) {
        m_ui.Report(TextId::PrintError, MessageKind::Stop);
        return false;
    }
    if (info.minPage > info.maxPage) {
        info.maxPage = info.minPage;
    }
    QPrintDialog dialog(info.printer, m_owner);
    dialog.setMinMax(info.minPage, info.maxPage);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    if (info.printer->printRange() == QPrinter::PageRange) {
        info.fromPage = info.printer->fromPage();
        info.toPage = info.printer->toPage();
    } else {
        info.fromPage = info.minPage;
        info.toPage = info.maxPage;
    }
    return true;
}

void PrintJob::OnPrepareDC(PrintInfo& info) const {
    // Content that never counted its pages gets exactly one.
    info.continuePrinting = info.maxPage != PrintInfo::kUnboundedPage || info.currentPage == 1;
}

void PrintJob::OnFilePrint() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(m_documentName);
    if (!m_outputFile.isEmpty()) {
        // A ".pdf" name selects the PDF output; a printer of the system's keeps the name
        // for when the operator switches to printing to a file.
        printer.setOutputFileName(m_outputFile);
        if (const QString name = QPrinterInfo::defaultPrinterName(); !name.isEmpty()) {
            printer.setPrinterName(name);
        }
    }
    PrintInfo info;
    info.printer = &printer;
    if (!OnPreparePrinting(info, false)) {
        return;
    }
    PrintPages(
        printer, [&printer] { return printer.newPage(); }, info);
}

void PrintJob::OnFilePrintPreview() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(m_documentName);
    PrintInfo info;
    info.printer = &printer;
    if (!OnPreparePrinting(info, true)) {
        return;
    }
    QPrintPreviewDialog dialog(&printer, m_owner);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, [&](QPrinter* target) {
        PrintInfo pages = info;
        pages.printer = target;
        PrintPages(
            *target, [target] { return target->newPage(); }, pages);
    });
    dialog.exec();
}

bool PrintJob::PrintToPdf(const QString& path, const QPageSize& size) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageSize(size);
    printer.setDocName(m_documentName);
    PrintInfo info;
    info.printer = &printer;
    if (!OnPreparePrinting(info, true)) {
        return false;
    }
    return PrintPages(
        printer, [&printer] { return printer.newPage(); }, info);
}

bool PrintJob::PrintPages(QPaintDevice& device, const std::function<bool()>& newPage,
                          PrintInfo& info) {
    QPainter painter;
    if (!painter.begin(&device)) {
        m_ui.Report(TextId::PrintStartFailed, MessageKind::Stop);
        return false;
    }
    const QRect page(0, 0, device.width(), device.height());
    info.drawRect = page;
    OnBeginPrinting(painter, info);
    bool error = false;
    bool first = true;
    for (const int number : PageSequence(info.fromPage, info.toPage, info.minPage, info.maxPage)) {
        info.currentPage = number;
        OnPrepareDC(info);
        if (!info.continuePrinting) {
            break;
        }
        info.drawRect = page;
        if (!first && !newPage()) {
            error = true;
            break;
        }
        first = false;
        OnPrepareDC(info);
        painter.save();
        OnPrint(painter, info);
        painter.restore();
    }
    OnEndPrinting(painter, info);
    if (error && info.printer != nullptr) {
        info.printer->abort();
    }
    painter.end();
    return !error;
}

}  // namespace tolmarin
