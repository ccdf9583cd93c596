#include "editor/form/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace tolmarin {

namespace {
constexpr const char* kChineseCatalogue = "qtbase_zh_CN";

// One translator for the process, installed while the interface is Chinese; it lives as
// long as the application object.
QTranslator& QtTranslator() {
    static QTranslator* translator = new QTranslator(QCoreApplication::instance());
    return *translator;
}
}  // namespace

bool UseQtTranslations(Language language, const QString& folder) {
    if (QCoreApplication::instance() == nullptr) {
        return false;
    }
    QTranslator& translator = QtTranslator();
    QCoreApplication::removeTranslator(&translator);
    if (language == Language::English) {
        return false;
    }
    const QString from =
        folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder;
    if (!translator.load(QString::fromLatin1(kChineseCatalogue), from)) {
        return false;
    }
    return QCoreApplication::installTranslator(&translator);
}

}  // namespace tolmarin
