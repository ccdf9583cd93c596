#include "editor/programs/ListPrinter.h"

#include <QFontMetrics>
#include <QPaintDevice>
#include <QPainter>
#include <algorithm>

#include "editor/programs/ParameterList.h"

namespace tolmarin {

namespace {

constexpr double kMmPerInch = 25.4;
// Measured character heights get this much room for the rules.
constexpr int kCharHeightPadding = 4;
// Room between a cell's text and its ruling, in points: left and right, and half of it
// above and below.
constexpr double kCellPaddingPt = 2.0;
constexpr double kPointsPerInch = 72.0;
// Space between the footer and the bottom margin.
constexpr int kFooterGap = 2;
constexpr int kMaxTitleLength = 127;
// Height of the band a text block is measured in; far more than any block needs.
constexpr int kMeasureBand = 1 << 20;

QFont PrintFont(const QString& face, int points) {
    QFont font(face);
    font.setPointSize(points);
    return font;
}

}  // namespace

QString FormatPageText(const QString& format, int page, int last) {
    QString text = format;
    for (const int value : {page, last}) {
        const qsizetype at = text.indexOf(QLatin1String("%d"));
        if (at < 0) {
            break;
        }
        text.replace(at, 2, QString::fromStdString(std::to_string(value)));
    }
    return text;
}

std::vector<int> ScaleColumns(const std::vector<int>& widths, int pageWidth) {
    std::vector<int> positions(widths.size() + 1, 0);
    for (std::size_t i = 0; i < widths.size(); ++i) {
        positions[i + 1] = positions[i] + widths[i];
    }
    const long long total = positions.back();
    if (total <= 0) {
        return positions;
    }
    for (int& p : positions) {
        p = static_cast<int>(static_cast<long long>(p) * pageWidth / total);
    }
    return positions;
}

int RowsPerPage(int height, int rowHeight) {
    return std::max(1, height / (rowHeight + 1) - 1);
}

int PageCount(int rowCount, int rowsPerPage) {
    return rowCount / std::max(1, rowsPerPage) + 1;
}

ListPrinter::ListPrinter(const UiState& ui, QWidget* owner) : PrintJob(ui, owner) {}

void ListPrinter::SetHeaderText(const QString& text) {
    m_headerText = text;
    m_headerText.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

void ListPrinter::SetFooterText(const QString& text) {
    m_footerText = text;
    m_footerText.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

bool ListPrinter::OnPreparePrinting(PrintInfo& info, bool preview) {
    info.minPage = 1;
    if (m_list == nullptr || m_list->GetItemCount() == 0) {
        return false;
    }
    const ParameterListHeader& header = m_list->Header();
    m_columnCount = header.count();
    if (m_columnCount == 0) {
        return false;
    }
    m_rowCount = m_list->GetItemCount();
    m_columnWidths.assign(static_cast<std::size_t>(m_columnCount), 0);
    m_columnFormats.assign(static_cast<std::size_t>(m_columnCount), kColumnLeft);
    m_columnTitles.clear();
    for (int i = 0; i < m_columnCount; ++i) {
        m_columnWidths[static_cast<std::size_t>(i)] = header.sectionSize(i);
        m_columnFormats[static_cast<std::size_t>(i)] = header.Format(i);
        m_columnTitles.append(i < header.Titles().size() ? header.Titles()[i].left(kMaxTitleLength)
                                                         : QString());
    }
    return PrintJob::OnPreparePrinting(info, preview);
}

QRect ListPrinter::PageRect(const QPaintDevice& device, const QRect& drawRect) const {
    auto x = [&](int mm) { return static_cast<int>(mm * device.logicalDpiX() / kMmPerInch); };
    auto y = [&](int mm) { return static_cast<int>(mm * device.logicalDpiY() / kMmPerInch); };
    return drawRect.adjusted(x(m_marginsMm[0]), y(m_marginsMm[1]), -x(m_marginsMm[2]),
                             -y(m_marginsMm[3]));
}

void ListPrinter::OnBeginPrinting(QPainter& painter, PrintInfo& info) {
    QPaintDevice& device = *painter.device();
    m_listFont = PrintFont(m_listFace, m_listPoints);
    m_headerFont = PrintFont(m_headerFace, m_headerPoints);
    m_footerFont = PrintFont(m_footerFace, m_footerPoints);
    auto measure = [&](const QFont& font, std::array<int, 2>& size, int padding) {
        const QFontMetrics metrics(font, &device);
        size = {metrics.horizontalAdvance(QLatin1Char('X')), metrics.height() + padding};
    };
    m_cellPadding = static_cast<int>(kCellPaddingPt * device.logicalDpiX() / kPointsPerInch);
    measure(m_listFont, m_listCharSize,
            static_cast<int>(kCellPaddingPt * device.logicalDpiY() / kPointsPerInch));
    measure(m_headerFont, m_headerCharSize, kCharHeightPadding);
    measure(m_footerFont, m_footerCharSize, 0);

    QRect rect = PageRect(device, info.drawRect);
    m_columnPositions = ScaleColumns(m_columnWidths, rect.width());

    ColumnHeadings(painter, rect, false);
    PageHeader(painter, rect, false);
    const int footer = Footer(painter, rect, 0, 0, false);
    m_footerReserve = footer + kFooterGap;
    m_rowsPerPage = RowsPerPage(rect.height(), RowHeight());
    m_lastPage = PageCount(m_rowCount, m_rowsPerPage);
    info.maxPage = m_lastPage;
}

QRect ListPrinter::Cell(const QRect& page, int column, int y) const {
    const int left = page.left() + m_columnPositions[static_cast<std::size_t>(column)];
    const int right = page.left() + m_columnPositions[static_cast<std::size_t>(column) + 1];
    return QRect(QPoint(left, y), QPoint(right, y + RowHeight()));
}

Qt::Alignment ListPrinter::ColumnAlignment(int column) const {
    const int format = m_columnFormats[static_cast<std::size_t>(column)];
    if ((format & kColumnCenter) != 0) {
        return Qt::AlignHCenter | Qt::AlignVCenter;
    }
    return ((format & kColumnRight) != 0 ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
}

void ListPrinter::DrawCellText(QPainter& painter, const QRect& cell, int column,
                               const QString& text) const {
    // The text keeps clear of the ruling on every side.
    painter.drawText(cell.adjusted(m_cellPadding, 0, -m_cellPadding, 0), ColumnAlignment(column),
                     text);
}

int ListPrinter::PageHeader(QPainter& painter, QRect& rect, bool draw) const {
    painter.setFont(m_headerFont);
    QRect headerText;
    if (!m_headerText.isEmpty()) {
        const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
        headerText = painter.boundingRect(
            QRect(rect.left(), rect.top(), rect.width(), kMeasureBand), flags, m_headerText);
        if (draw) {
            painter.drawText(headerText, flags, m_headerText);
        }
    }
    // A gap of half a line between the header and the table.
    const int height = headerText.isEmpty() ? 0 : headerText.height() + m_headerCharSize[1] / 2;
    rect.setTop(rect.top() + height);
    return height;
}

int ListPrinter::ColumnHeadings(QPainter& painter, QRect& rect, bool draw) const {
    if (draw) {
        painter.setFont(m_listFont);
        const int top = rect.top();
        const int left = rect.left();
        const int right = left + m_columnPositions.back();
        const int bottom = top + RowHeight();
        painter.drawLine(left, top, right, top);
        painter.drawLine(right, top, right, bottom);
        painter.drawLine(right, bottom, left, bottom);
        painter.drawLine(left, bottom, left, top);
        for (int j = 0; j < m_columnCount; ++j) {
            const QRect cell = Cell(rect, j, top);
            painter.setBrush(Qt::white);
            painter.drawRect(cell);
            DrawCellText(painter, cell, j, m_columnTitles[j]);
            painter.drawLine(cell.bottomLeft(), cell.topLeft());
            painter.drawLine(cell.topLeft(), cell.topRight());
        }
    }
    rect.setTop(rect.top() + RowHeight());
    return RowHeight();
}

int ListPrinter::Footer(QPainter& painter, QRect& rect, int page, int last, bool draw) const {
    painter.setFont(m_footerFont);
    const QRect band(rect.left(), rect.top(), rect.width(), kMeasureBand);
    QRect pageText;
    if (!m_pageFormat.isEmpty()) {
        const QString text = FormatPageText(m_pageFormat, page, last);
        const int flags = Qt::AlignRight | Qt::AlignTop;
        pageText = painter.boundingRect(band, flags, text);
        if (draw) {
            painter.drawText(pageText, flags, text);
        }
    }
    QRect footerText;
    if (!m_footerText.isEmpty()) {
        // The block stops where the page number starts, so the two never overlap.
        const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
        footerText =
            painter.boundingRect(band.adjusted(0, 0, -pageText.width(), 0), flags, m_footerText);
        if (draw) {
            painter.drawText(footerText, flags, m_footerText);
        }
    }
    const int height = std::max(pageText.height(), footerText.height());
    rect.setBottom(rect.bottom() - height);
    return height;
}

void ListPrinter::OnPrint(QPainter& painter, PrintInfo& info) {
    if (m_list == nullptr || m_columnPositions.size() < 2) {
        return;
    }
    const int page = info.currentPage;
    QRect rect = PageRect(*painter.device(), info.drawRect);
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.setPen(QPen(Qt::black, 0));
    PageHeader(painter, rect, true);
    ColumnHeadings(painter, rect, true);

    painter.setFont(m_listFont);
    int y = rect.top();
    const int first = (page - 1) * m_rowsPerPage;
    const int last = page * m_rowsPerPage - 1;
    for (int row = first; row <= last; ++row) {
        for (int j = 0; j < m_columnCount; ++j) {
            const QRect cell = Cell(rect, j, y);
            if (row < m_rowCount) {
                DrawCellText(painter, cell, j, m_list->GetItemText(row, j));
            }
            painter.drawLine(cell.bottomLeft(), cell.topLeft());
            painter.drawLine(cell.topLeft(), cell.topRight());
        }
        const int right = rect.left() + m_columnPositions.back();
        painter.drawLine(right, y, right, y + RowHeight());
        y += RowHeight() + 1;
    }
    painter.drawLine(rect.left(), y, rect.right(), y);

    QRect footer = PageRect(*painter.device(), info.drawRect);
    footer.setTop(footer.bottom() - m_footerReserve);
    Footer(painter, footer, page, m_lastPage, true);
    painter.setBackgroundMode(Qt::OpaqueMode);
}

}  // namespace tolmarin
