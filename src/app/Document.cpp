#include "app/Document.h"

#include "protocol/DeviceImage.h"

namespace tolmarin {

Document::Document(SharedState& state) : m_channels(state) {}

}  // namespace tolmarin
