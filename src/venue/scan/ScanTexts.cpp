#include "venue/scan/ScanTexts.h"

namespace tolmarin::venue {

namespace {

QString T(TextId id, Language language) {
    return QString::fromUtf8(Tr(id, language));
}

QString U(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace

QString ScanRangeFaultText(const ScanRangeResult& r, Language language) {
    switch (r.fault) {
        case ScanRangeFault::None:
            return {};
        case ScanRangeFault::Empty:
            return T(TextId::ScanEmpty, language);
        case ScanRangeFault::NotAnAddress:
            return T(TextId::ScanNotAnAddress, language).arg(U(r.detail));
        case ScanRangeFault::Name:
            return T(TextId::ScanName, language).arg(U(r.detail));
        case ScanRangeFault::Ipv6:
            return T(TextId::ScanIpv6, language).arg(U(r.detail));
        case ScanRangeFault::BadPrefix:
            return T(TextId::ScanBadPrefix, language).arg(U(r.detail));
        case ScanRangeFault::Reversed:
            return T(TextId::ScanReversed, language).arg(U(r.detail), U(r.detail2));
        case ScanRangeFault::TooMany:
            return T(TextId::ScanTooMany, language)
                .arg(U(r.detail2), U(r.detail))
                .arg(kMaxScanAddresses);
        case ScanRangeFault::BadPort:
            return T(TextId::ScanBadPort, language).arg(U(r.detail));
    }
    return {};
}

QString ProbeOutcomeText(ProbeOutcome outcome, const ScanLimits& limits, Language language) {
    switch (outcome) {
        case ProbeOutcome::Amplifier:
            return T(TextId::ScanFoundAmplifier, language);
        case ProbeOutcome::Refused:
            return T(TextId::ScanRefused, language);
        case ProbeOutcome::NoAnswer:
            return T(TextId::ScanNoAnswer, language).arg(limits.probeMs / 1000.0, 0, 'g', 3);
        case ProbeOutcome::NotAmplifier:
            return T(TextId::ScanNotAmplifier, language);
    }
    return {};
}

}  // namespace tolmarin::venue
