#pragma once

#include <QString>

#include "text/Texts.h"
#include "venue/scan/AddressScan.h"
#include "venue/scan/ScanRange.h"

namespace tolmarin::venue {

// Why a range was refused, in the language shown. Empty for a range that was read.
QString ScanRangeFaultText(const ScanRangeResult& result, Language language);

// What one address turned out to be; limits give the probe's time.
QString ProbeOutcomeText(ProbeOutcome outcome, const ScanLimits& limits, Language language);

}  // namespace tolmarin::venue
