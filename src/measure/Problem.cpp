#include "measure/Problem.h"

#include "roomeq/Measurement.h"

namespace tolmarin::measure {

std::string Describe(const Problem& problem, const UiState& ui) {
    return roomeq::FillText(ui.Text(problem.id), problem.values);
}

}  // namespace tolmarin::measure
