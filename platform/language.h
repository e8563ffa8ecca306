// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>
#include <string>

namespace mt {

// The interface language. Chinese is the language the program is written
// in: it needs no translation and can never lose a caption.
enum class Language { Chinese, English };

// The language of a locale name as the environment gives it ("en_US.UTF-8",
// "zh_CN", "C"): English for en and en_*, Chinese for anything else,
// including C, POSIX and nothing.
Language LanguageOfLocale(const QString& localeName);

// The locale name that decides the language of messages, as POSIX reads the
// environment: LC_ALL, else LC_MESSAGES, else LANG (the first one set).
QString MessagesLocaleName(const QString& lcAll, const QString& lcMessages, const QString& lang);

// The language as the settings store it ("zh", "en") and back.
std::string LanguageKey(Language language);
std::optional<Language> LanguageOfKey(const std::string& key);

// The language to start in: the one chosen in the menu when there is one,
// else the environment's.
Language StartLanguage(const std::optional<std::string>& chosen);

// Installs the translations of `language` into the application: the
// program's own English texts (built into the program), and Qt's own texts
// for that language where they are installed. Installing Chinese removes the
// program's English again. False when the program's translation could not be
// loaded (the texts stay Chinese).
bool InstallLanguage(Language language);

// The language installed last (Chinese before any).
Language CurrentLanguage();

}  // namespace mt
