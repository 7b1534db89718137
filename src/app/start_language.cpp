#include "app/start_language.h"

#include <QLocale>
#include <QSettings>

void storeFirstStartLanguage(const QLocale &system)
{
    QSettings settings("Trevalor", "Parameters");
    if (!settings.contains("Language"))
        settings.setValue("Language", system.language() == QLocale::Chinese ? 0 : 1);
}
