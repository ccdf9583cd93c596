#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>

#include "FormRig.h"
#include "editor/form/QtTranslations.h"
#include "formdesc/FormIds.h"

namespace tolmarin::testing {
namespace {

// What Qt's dialogs put on their Cancel buttons.
QString QtCancel() {
    return QCoreApplication::translate("QPlatformTheme", "Cancel");
}

TEST(QtLanguage, QtsOwnDialogsFollowTheLanguageButtonAndStayEnglishWithoutTheCatalogue) {
    FormRig r;
    ASSERT_EQ(QtCancel(), "Cancel");
    const QString catalogue =
        QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_zh_CN.qm";
    if (!QFileInfo::exists(catalogue)) {
        GTEST_SKIP() << "qt6-translations-l10n is not installed";
    }
    r.Click(r.Get<QWidget>(form::kLanguage));
    ASSERT_EQ(r.fresh->ui.language, Language::Chinese);
    EXPECT_EQ(QtCancel(), QString::fromUtf8("取消"));
    r.Click(r.Get<QWidget>(form::kLanguage));
    EXPECT_EQ(QtCancel(), "Cancel");

    // A system without the catalogue keeps Qt's English, and nothing fails.
    EXPECT_FALSE(UseQtTranslations(Language::Chinese, r.dir.PathOf("none").c_str()));
    EXPECT_EQ(QtCancel(), "Cancel");
}

}  // namespace
}  // namespace tolmarin::testing
