// The way from the room EQ dialog to measuring the room: what is measured is saved as a
// measurement text and fitted as a measurement file is.
#include <QGridLayout>
#include <QPushButton>

#include "editor/roomeq/MeasureDialog.h"
#include "editor/roomeq/RoomEqDialog.h"

namespace tolmarin {

void RoomEqDialog::AddMeasureButton(QGridLayout* grid, int row) {
    auto* measure = new QPushButton(QString::fromUtf8(m_ui.Text(TextId::RoomEqMeasureRoom)));
    measure->setObjectName(QStringLiteral("measureRoom"));
    connect(measure, &QPushButton::clicked, this, [this] { OpenMeasure(); });
    grid->addWidget(measure, row, 5);
}

MeasureDialog* RoomEqDialog::OpenMeasure() {
    MeasureDialog* dialog =
        m_measureMaker ? m_measureMaker(this)
                       : new MeasureDialog(m_ui.language, live::ListAudioDevices(), {}, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        SetMeasurementPath(dialog->SavedPath());
        RunFit();
    });
    dialog->open();
    return dialog;
}

}  // namespace tolmarin
