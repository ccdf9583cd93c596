#include "editor/programs/ParameterList.h"

#include <QPaintEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <algorithm>

namespace tolmarin {

namespace {

// Extra height of a row over the font's line, so descenders clear the grid line.
constexpr int kRowPadding = 4;
// Column 0's fill reaches this far left of its label rectangle.
constexpr int kFirstColumnFillReach = 2;
// Left- and right-aligned headings keep this distance from the column edge.
constexpr int kHeadingInset = 3;

Qt::Alignment AlignmentOfCode(QChar code) {
    if (code == QLatin1Char('0')) {
        return Qt::AlignLeft;
    }
    if (code == QLatin1Char('2')) {
        return Qt::AlignRight;
    }
    return Qt::AlignHCenter;
}

QChar CodeOfFormat(int format) {
    switch (format) {
        case kColumnLeft:
            return QLatin1Char('0');
        case kColumnRight:
            return QLatin1Char('2');
        default:
            return QLatin1Char('1');
    }
}

// Draws every cell itself: the selected row in its light grey whatever the focus, the
// rest on the list's background, texts from the top of the cell in the header's alignment.
class RowDelegate : public QStyledItemDelegate {
public:
    explicit RowDelegate(ParameterList& list) : QStyledItemDelegate(&list), m_list(list) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QRect fill = option.rect;
        if (index.column() == 0) {
            fill.setLeft(fill.left() - kFirstColumnFillReach);
        }
        const bool selected = m_list.selectionModel()->isRowSelected(index.row(), QModelIndex());
        painter->fillRect(fill, selected ? QColor(ParameterList::kSelectedFill)
                                         : m_list.palette().color(QPalette::Base));
        painter->setFont(ListFont());
        painter->setPen(m_list.TextColour());
        const QRect text = option.rect.translated(0, 1);
        painter->drawText(text, m_list.Header().Alignment(index.column()) | Qt::AlignTop,
                          index.data(Qt::DisplayRole).toString());
    }

private:
    ParameterList& m_list;
};

}  // namespace

QFont ListFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(15);
    font.setWeight(QFont::Normal);
    return font;
}

// ---- ParameterListHeader ----

ParameterListHeader::ParameterListHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setFont(ListFont());
    setSectionsClickable(false);
    setSectionResizeMode(QHeaderView::Fixed);
    setHighlightSections(false);
}

void ParameterListHeader::AddColumn(const QString& title, QChar alignCode, int format) {
    m_titles.append(title);
    m_alignCodes.append(alignCode);
    m_formats.push_back(format);
}

void ParameterListHeader::Clear() {
    m_titles.clear();
    m_alignCodes.clear();
    m_formats.clear();
}

int ParameterListHeader::Format(int column) const {
    return column >= 0 && column < static_cast<int>(m_formats.size())
               ? m_formats[static_cast<std::size_t>(column)]
               : kColumnCenter;
}

Qt::Alignment ParameterListHeader::Alignment(int column) const {
    return AlignmentOfCode(column >= 0 && column < m_alignCodes.size() ? m_alignCodes[column]
                                                                       : QLatin1Char('1'));
}

QColor ParameterListHeader::GradientColour(int y) {
    auto at = [y](int top) { return std::max(0, top - kGradientStep * y); };
    return QColor(at(kTopGrey[0]), at(kTopGrey[1]), at(kTopGrey[2]));
}

void ParameterListHeader::PaintGradient(QPainter& painter, const QRect& rect) const {
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        painter.setPen(GradientColour(y - rect.top()));
        painter.drawLine(rect.left() + 1, y, rect.right(), y);
    }
}

void ParameterListHeader::PaintColumn(QPainter& painter, const QRect& rect, int column) const {
    PaintGradient(painter, rect);
    QRect text = rect;
    const Qt::Alignment align = Alignment(column);
    if (align & Qt::AlignLeft) {
        text.setLeft(text.left() + kHeadingInset);
    } else if (align & Qt::AlignRight) {
        text.setRight(text.right() - kHeadingInset);
    }
    const int fontHeight = QFontMetrics(font()).height();
    text.translate(0, (rect.height() - fontHeight) / 2);
    painter.setPen(Qt::black);
    painter.drawText(text, align | Qt::AlignTop,
                     column < m_titles.size() ? m_titles[column] : QString());
}

void ParameterListHeader::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(viewport());
    painter.setFont(font());
    int right = 0;
    for (int visual = 0; visual < count(); ++visual) {
        const int column = logicalIndex(visual);
        if (isSectionHidden(column)) {
            continue;
        }
        const QRect rect(sectionViewportPosition(column), 0, sectionSize(column),
                         viewport()->height());
        PaintColumn(painter, rect, column);
        right = std::max(right, rect.right() + 1);
    }
    // The strip right of the last column gets the same gradient.
    if (right < viewport()->width()) {
        PaintGradient(painter,
                      QRect(right - 1, 0, viewport()->width() - right + 1, viewport()->height()));
    }
}

// ---- ParameterList ----

ParameterList::ParameterList(QWidget* parent)
    : QTableWidget(parent), m_header(new ParameterListHeader) {
    setHorizontalHeader(m_header);
    setItemDelegate(new RowDelegate(*this));
    setFont(ListFont());
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(QFontMetrics(ListFont()).height() + kRowPadding);
    m_header->setFixedHeight(QFontMetrics(ListFont()).height() + 2 * kRowPadding + 2);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    connect(this, &QTableWidget::cellClicked, this, [this](int, int) {
        const int row = SelectedRow();
        if (row >= 0) {
            emit rowClicked(row);
        }
    });
}

int ParameterList::InsertColumn(int column, const QString& heading, int format, int width,
                                int /*subItem*/) {
    m_header->AddColumn(heading, CodeOfFormat(format), format);
    insertColumn(column);
    setHorizontalHeaderItem(column, new QTableWidgetItem(heading));
    setColumnWidth(column, width);
    return column;
}

int ParameterList::InsertItem(int row, const QString& text) {
    row = std::clamp(row, 0, rowCount());
    insertRow(row);
    for (int c = 0; c < columnCount(); ++c) {
        setItem(row, c, new QTableWidgetItem(c == 0 ? text : QString()));
    }
    return row;
}

bool ParameterList::SetItemText(int row, int column, const QString& text) {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) {
        return false;
    }
    if (QTableWidgetItem* cell = item(row, column)) {
        cell->setText(text);
    } else {
        setItem(row, column, new QTableWidgetItem(text));
    }
    return true;
}

QString ParameterList::GetItemText(int row, int column) const {
    const QTableWidgetItem* cell = item(row, column);
    return cell != nullptr ? cell->text() : QString();
}

void ParameterList::DeleteAllItems() {
    setRowCount(0);
}

int ParameterList::SelectedRow() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.constFirst().row();
}

void ParameterList::SelectRow(int row) {
    selectRow(row);
}

}  // namespace tolmarin
