#include "app/CAudioDoc.h"

#include <QFileInfo>

#include "protocol/DataDefine.h"
#include "protocol/ProgramFile.h"

namespace tolmarin {

CCAudioDoc::CCAudioDoc(SharedState& state) : m_state(state), m_channels(state) {}

bool CCAudioDoc::Load(const QString& path) {
    // The open dialogs accept only names carrying the extension; the command line too.
    if (!NamesExtension(QFileInfo(path).fileName().toStdString(), kSingleProgramExtension)) {
        return false;
    }
    if (ReadSingleProgramFile(m_state.image, path.toStdString()) != FileStatus::Ok) {
        return false;
    }
    m_channels.LoadAllFromImage();
    return true;
}

bool CCAudioDoc::Save(const QString& path) {
    m_channels.StoreAllToImage();
    return WriteSingleProgramFile(m_state.image, path.toStdString()) == FileStatus::Ok;
}

}  // namespace tolmarin
