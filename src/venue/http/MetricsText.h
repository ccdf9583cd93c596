#pragma once

#include <span>
#include <string>
#include <string_view>

#include "AmplifierSample.h"

namespace tolmarin::venue {

// The media type of what RenderMetrics writes: Prometheus's text exposition format 0.0.4.
inline constexpr const char* kMetricsContentType = "text/plain; version=0.0.4; charset=utf-8";

// A whole scrape: HELP and TYPE lines, then one series per amplifier for each metric, labelled
// name, address and (when given) group. An amplifier that is offline exports only whether it
// is up, its reconnections and its last reply time, never a stale temperature or level.
std::string RenderMetrics(std::span<const AmplifierSample> samples, std::string_view version);

// A label value as the text format needs it: backslash, double quote and line feed escaped.
std::string EscapeLabelValue(std::string_view value);

}  // namespace tolmarin::venue
