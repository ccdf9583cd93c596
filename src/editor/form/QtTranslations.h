#pragma once

#include <QString>

#include "text/Texts.h"

namespace tolmarin {

// Qt's own texts (the file and print dialogs, standard buttons) in the interface language,
// from Qt's translations as the system installs them (Debian: qt6-translations-l10n).
// English needs none; in Chinese "qtbase_zh_CN.qm" is loaded from folder, Qt's own
// translations folder unless given. A missing catalogue leaves Qt's English and is no
// failure. True when a catalogue is in use afterwards.
bool UseQtTranslations(Language language, const QString& folder = {});

}  // namespace tolmarin
