#pragma once

#include <QColor>
#include <QFont>
#include <QHeaderView>
#include <QString>
#include <QStringList>
#include <QTableWidget>
#include <vector>

namespace tolmarin {

// Column formats of a report list, as its header items carry them.
enum ColumnFormat : int { kColumnLeft = 0, kColumnRight = 1, kColumnCenter = 2 };

// The shared list font: Arial, 15 pixels, normal weight.
QFont ListFont();

// The owner-drawn header of ParameterList: every column a grey gradient that darkens by a
// fixed step per pixel row, its heading over it in the list font.
class ParameterListHeader : public QHeaderView {
    Q_OBJECT
public:
    static constexpr int kTopGrey[3] = {180, 179, 179};
    static constexpr int kGradientStep = 3;

    explicit ParameterListHeader(QWidget* parent = nullptr);

    // One heading and one alignment code ('0' left, '1' centred, '2' right) per column, in
    // column order.
    void AddColumn(const QString& title, QChar alignCode, int format);
    void Clear();
    const QStringList& Titles() const { return m_titles; }
    QString AlignCodes() const { return m_alignCodes; }
    int Format(int column) const;
    // The alignment a column's code asks for; anything but '0' or '2' centres.
    Qt::Alignment Alignment(int column) const;
    // The colour of pixel row y (0 at the top) of the gradient.
    static QColor GradientColour(int y);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void PaintGradient(QPainter& painter, const QRect& rect) const;
    void PaintColumn(QPainter& painter, const QRect& rect, int column) const;

    QStringList m_titles;
    QString m_alignCodes;
    std::vector<int> m_formats;
};

// An owner-drawn report list: fixed row height, grid lines, one selected row filled in a
// light blue that stays when the list loses the focus, texts in the list font in black.
class ParameterList : public QTableWidget {
    Q_OBJECT
public:
    // Plainly visible against the white rows, focus or not.
    static constexpr QRgb kSelectedFill = qRgb(176, 206, 240);

    explicit ParameterList(QWidget* parent = nullptr);

    // Appends a column: its heading and alignment code go to the header. Columns are
    // inserted in order 0, 1, 2, ...
    int InsertColumn(int column, const QString& heading, int format, int width, int subItem = -1);
    // Inserts a row at row with text in column 0; returns its index.
    int InsertItem(int row, const QString& text);
    bool SetItemText(int row, int column, const QString& text);
    QString GetItemText(int row, int column) const;
    int GetItemCount() const { return rowCount(); }
    void DeleteAllItems();
    // The selected row, or -1.
    int SelectedRow() const;
    void SelectRow(int row);

    ParameterListHeader& Header() { return *m_header; }
    const ParameterListHeader& Header() const { return *m_header; }
    QColor TextColour() const { return m_textColour; }

signals:
    // A click left row selected (the dialogs' click notification).
    void rowClicked(int row);

private:
    ParameterListHeader* m_header;
    QColor m_textColour = Qt::black;
};

}  // namespace tolmarin
