#pragma once

#include <QString>

// The language of every text a user reads; Chinese 0 and English 1, as the settings store it.
enum class Language { Chinese, English };

// The text in the given language; both are UTF-8.
inline QString pick(Language language, const char *english, const char *chinese)
{
    return QString::fromUtf8(language == Language::English ? english : chinese);
}
