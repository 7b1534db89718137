#pragma once

#include "area/store/language.h"
// Qt's own texts (file dialogs, the standard buttons of message boxes) in the window's language.
// Debian ships them in qttranslations5-l10n; without that package they stay English.

// Installs Qt's Chinese catalogue for Chinese, removes it for English. Returns whether Qt's texts
// now follow the requested language.
bool useQtTranslations(Language language);
