#include <gtest/gtest.h>

#include <set>
#include <string>

#include "text/Texts.h"

namespace tolmarin {
namespace {

// Catches a text added in one language only, or pasted twice.
TEST(TextCatalogue, EveryTextExistsInBothLanguagesAndNamesAreUnique) {
    std::set<std::string> names;
    for (int i = 0; i < kTextCount; ++i) {
        const auto id = static_cast<TextId>(i);
        EXPECT_STRNE(Tr(id, 1), "") << TextName(id);
        EXPECT_STRNE(Tr(id, 0), "") << TextName(id);
        EXPECT_TRUE(names.insert(TextName(id)).second) << TextName(id);
    }
}

TEST(TextCatalogue, AnyNonzeroFlagMeansEnglish) {
    EXPECT_STREQ(Tr(TextId::CharLenError, 1), "char Len error!");
    EXPECT_STREQ(Tr(TextId::CharLenError, 7), "char Len error!");
    EXPECT_STREQ(Tr(TextId::CharLenError, 0), "字符长度错误!");
}

}  // namespace
}  // namespace tolmarin
