#include "text/SelectionLists.h"

namespace tolmarin {

namespace {

constexpr TextId kFamily[] = {TextId::ListFamilyLinkwitzRiley, TextId::ListFamilyBessel,
                              TextId::ListFamilyButterworth};
constexpr TextId kBandType[] = {TextId::ListBandPeaking, TextId::ListBandLowShelf6,
                                TextId::ListBandLowShelf12, TextId::ListBandHighShelf6,
                                TextId::ListBandHighShelf12};
constexpr TextId kSlope[] = {TextId::ListSlope12, TextId::ListSlope18, TextId::ListSlope24,
                             TextId::ListSlope48};
// The release list shows the same words as the parameter table's release texts.
constexpr TextId kRelease[] = {TextId::ReleaseAtk2, TextId::ReleaseAtk4,  TextId::ReleaseAtk6,
                               TextId::ReleaseAtk8, TextId::ReleaseAtk16, TextId::ReleaseAtk32};
constexpr TextId kSensitivity[] = {TextId::ListSensitivity0775, TextId::ListSensitivity1,
                                   TextId::ListSensitivity14};
constexpr TextId kAmpMode[] = {TextId::ListModeStereo, TextId::ListModeParallel,
                               TextId::ListModeBridge};

}  // namespace

std::span<const TextId> ListEntries(SelectionList list) {
    switch (list) {
        case SelectionList::Family:
            return kFamily;
        case SelectionList::BandType:
            return kBandType;
        case SelectionList::CrossoverSlope:
            return kSlope;
        case SelectionList::Release:
            return kRelease;
        case SelectionList::Sensitivity:
            return kSensitivity;
        case SelectionList::AmpMode:
            return kAmpMode;
    }
    return {};
}

std::vector<std::string> ListTexts(SelectionList list, Language language) {
    std::vector<std::string> texts;
    for (TextId id : ListEntries(list)) {
        texts.emplace_back(Tr(id, language));
    }
    return texts;
}

}  // namespace tolmarin
