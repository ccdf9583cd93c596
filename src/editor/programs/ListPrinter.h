#pragma once

#include <QFont>
#include <QRect>
#include <QString>
#include <QStringList>
#include <array>
#include <vector>

#include "editor/programs/PrintJob.h"

namespace tolmarin {

class ParameterList;

// The page number text: the format's first %d becomes page, the second last.
QString FormatPageText(const QString& format, int page, int last);

// Column edges on the page: the screen widths made cumulative, then scaled so the last
// edge meets pageWidth, each truncated toward zero. Entry i is column i's left edge, the
// last entry the right edge of the last column.
std::vector<int> ScaleColumns(const std::vector<int>& widths, int pageWidth);

// Table rows that fit in height below the blocks, one rule line per row, one row spare.
int RowsPerPage(int height, int rowHeight);

// Pages for rowCount rows: one more than the whole pages, so a multiple of the rows per
// page ends on a page of empty ruled rows.
int PageCount(int rowCount, int rowsPerPage);

// Prints a report list as a ruled grid: a page header, the column headings on every page,
// the rows, and a footer with the page number on the right.
class ListPrinter : public PrintJob {
public:
    static constexpr int kMarginMm = 10;

    explicit ListPrinter(const UiState& ui, QWidget* owner = nullptr);

    void SetList(const ParameterList* list) { m_list = list; }
    // "\r\n" line breaks are taken as written by the callers.
    void SetHeaderText(const QString& text);
    void SetFooterText(const QString& text);
    void SetPageFormat(const QString& format) { m_pageFormat = format; }

    bool OnPreparePrinting(PrintInfo& info, bool preview) override;
    void OnBeginPrinting(QPainter& painter, PrintInfo& info) override;
    void OnPrint(QPainter& painter, PrintInfo& info) override;

    int RowsPerPageCount() const { return m_rowsPerPage; }
    int RowHeight() const { return m_listCharSize[1]; }
    const std::vector<int>& ColumnPositions() const { return m_columnPositions; }
    int FooterReserve() const { return m_footerReserve; }
    // The drawing rectangle less the margins, in device units.
    QRect PageRect(const QPaintDevice& device, const QRect& drawRect) const;

private:
    // Each block draws (or only measures) at the top of rect and moves its top below it;
    // the footer moves the bottom up instead. They return their height.
    int PageHeader(QPainter& painter, QRect& rect, bool draw) const;
    int ColumnHeadings(QPainter& painter, QRect& rect, bool draw) const;
    int Footer(QPainter& painter, QRect& rect, int page, int last, bool draw) const;
    void DrawCellText(QPainter& painter, const QRect& cell, int column, const QString& text) const;
    QRect Cell(const QRect& page, int column, int y) const;
    Qt::Alignment ColumnAlignment(int column) const;

    std::array<int, 4> m_marginsMm{kMarginMm, kMarginMm, kMarginMm, kMarginMm};
    QFont m_listFont;
    QFont m_headerFont;
    QFont m_footerFont;
    std::array<int, 2> m_listCharSize{};
    std::array<int, 2> m_headerCharSize{};
    std::array<int, 2> m_footerCharSize{};
    std::vector<int> m_columnWidths;  // screen pixels, as read from the list
    std::vector<int> m_columnPositions;
    std::vector<int> m_columnFormats;
    QStringList m_columnTitles;
    int m_rowsPerPage = 1;
    int m_columnCount = 0;
    int m_rowCount = 0;
    const ParameterList* m_list = nullptr;
    QString m_headerText;
    QString m_footerText;
    QString m_pageFormat;
    QString m_headerFace = QStringLiteral("Arial");
    QString m_footerFace = QStringLiteral("Arial");
    QString m_listFace = QStringLiteral("Arial");
    int m_headerPoints = 12;
    int m_footerPoints = 8;  // carries the page number too
    int m_listPoints = 8;
    int m_footerReserve = 0;
    int m_cellPadding = 0;  // device units between a cell's text and its side rules
    int m_lastPage = 1;
};

}  // namespace tolmarin
