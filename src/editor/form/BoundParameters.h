#pragma once

#include <optional>
#include <string_view>

namespace tolmarin::form {

// The parameter a control of the form edits, by its name in the parameter table, and the
// unit its field shows when that is not the parameter's own (-1).
struct BoundParameter {
    std::string_view name;
    int unit = -1;
};

// Nothing for a control that edits no parameter.
std::optional<BoundParameter> BoundParameterOf(int controlId);

}  // namespace tolmarin::form
