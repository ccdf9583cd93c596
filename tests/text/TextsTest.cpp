#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "text/SelectionLists.h"
#include "text/Texts.h"

namespace tolmarin {
namespace {

// Catches a text added in one language only, or pasted twice.
TEST(TextCatalogue, EveryTextExistsInBothLanguagesAndNamesAreUnique) {
    std::set<std::string> names;
    for (int i = 0; i < kTextCount; ++i) {
        const auto id = static_cast<TextId>(i);
        EXPECT_STRNE(Tr(id, Language::English), "") << TextName(id);
        EXPECT_STRNE(Tr(id, Language::Chinese), "") << TextName(id);
        EXPECT_TRUE(names.insert(TextName(id)).second) << TextName(id);
    }
}

TEST(TextCatalogue, AnyNonzeroFlagMeansEnglish) {
    EXPECT_STREQ(Tr(TextId::CharLenError, Language::English), "char Len error!");
    EXPECT_STREQ(Tr(TextId::CharLenError, Language::Chinese), "字符长度错误!");
}

// The list position is the stored value: catches an entry out of order, missing, or taken
// from the table texts ("Link_Ril", "参量均衡") instead of the list texts.
TEST(SelectionLists, EntriesInValueOrderInBothLanguages) {
    using V = std::vector<std::string>;
    EXPECT_EQ(ListTexts(SelectionList::Family, Language::English), (V{"L_R", "Bessel", "BTWorth"}));
    EXPECT_EQ(ListTexts(SelectionList::Family, Language::Chinese),
              (V{"宁克", "贝塞尔", "巴特沃斯"}));
    EXPECT_EQ(ListTexts(SelectionList::BandType, Language::English),
              (V{"PEQ", "Lo/6dB", "Lo/12dB", "Hi/6dB", "Hi/12dB"}));
    EXPECT_EQ(ListTexts(SelectionList::BandType, Language::Chinese),
              (V{"参量", "低架/6dB", "低架/12dB", "高架/6dB", "高架/12dB"}));
    EXPECT_EQ(ListTexts(SelectionList::AmpMode, Language::English),
              (V{"STEREO", "PARALLEL", "BRIDGE"}));
    EXPECT_EQ(ListTexts(SelectionList::AmpMode, Language::Chinese), (V{"立体声", "并接", "桥接"}));
    for (Language language : {Language::Chinese, Language::English}) {
        EXPECT_EQ(ListTexts(SelectionList::CrossoverSlope, language),
                  (V{"12dB/Oct", "18dB/Oct", "24dB/Oct", "48dB/Oct"}));
        EXPECT_EQ(ListTexts(SelectionList::Release, language),
                  (V{"Atk × 2", "Atk × 4", "Atk × 6", "Atk × 8", "Atk × 16", "Atk × 32"}));
        EXPECT_EQ(ListTexts(SelectionList::Sensitivity, language), (V{"0.775V", "1v", "1.4v"}));
    }
}

}  // namespace
}  // namespace tolmarin
