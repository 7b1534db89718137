#include "app/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool useQtTranslations(Language language)
{
    // One catalogue for the whole application, owned by it so it outlives every window.
    static QTranslator *chinese = nullptr;
    if (language == Language::English) {
        if (chinese)
            QCoreApplication::removeTranslator(chinese);
        return true;
    }
    if (!chinese) {
        chinese = new QTranslator(QCoreApplication::instance());
        if (!chinese->load(QStringLiteral("qtbase_zh_CN"),
                           QLibraryInfo::location(QLibraryInfo::TranslationsPath))) {
            delete chinese;
            chinese = nullptr;
            return false;
        }
    }
    QCoreApplication::removeTranslator(chinese); // installed once, however often Chinese is chosen
    return QCoreApplication::installTranslator(chinese);
}
