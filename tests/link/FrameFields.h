#pragma once

#include "support/qt/ScriptedLink.h"

namespace tolmarin::testing {

// The fields of a sent frame the link tests look at.
inline int Code(const Bytes& f) {
    return f[4];
}
inline int Program(const Bytes& f) {
    return f[5];
}
inline int Item(const Bytes& f) {
    return f[9];
}

}  // namespace tolmarin::testing
