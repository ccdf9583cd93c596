#include "app/CAudioDoc.h"

#include "protocol/DataDefine.h"

namespace tolmarin {

CCAudioDoc::CCAudioDoc(SharedState& state) : m_channels(state) {}

}  // namespace tolmarin
