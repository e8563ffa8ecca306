// SPDX-License-Identifier: GPL-3.0-or-later
#include "language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>

namespace mt {

namespace {

Language current = Language::Chinese;

// The translators in the application; kept so that a second install can
// take them out again.
std::unique_ptr<QTranslator>& ProgramTranslator() {
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

std::unique_ptr<QTranslator>& QtTranslator() {
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

void Remove(std::unique_ptr<QTranslator>& translator) {
    if (translator) {
        QCoreApplication::removeTranslator(translator.get());
        translator.reset();
    }
}

}  // namespace

Language LanguageOfLocale(const QString& localeName) {
    return localeName == QLatin1String("en") || localeName.startsWith(QLatin1String("en_")) ||
                   localeName.startsWith(QLatin1String("en."))
               ? Language::English
               : Language::Chinese;
}

QString MessagesLocaleName(const QString& lcAll, const QString& lcMessages, const QString& lang) {
    if (!lcAll.isEmpty()) {
        return lcAll;
    }
    return lcMessages.isEmpty() ? lang : lcMessages;
}

std::string LanguageKey(Language language) {
    return language == Language::English ? "en" : "zh";
}

std::optional<Language> LanguageOfKey(const std::string& key) {
    if (key == "en") {
        return Language::English;
    }
    if (key == "zh") {
        return Language::Chinese;
    }
    return std::nullopt;
}

Language StartLanguage(const std::optional<std::string>& chosen) {
    if (chosen) {
        if (const auto language = LanguageOfKey(*chosen)) {
            return *language;
        }
    }
    return LanguageOfLocale(MessagesLocaleName(qEnvironmentVariable("LC_ALL"),
                                               qEnvironmentVariable("LC_MESSAGES"),
                                               qEnvironmentVariable("LANG")));
}

bool InstallLanguage(Language language) {
    Remove(ProgramTranslator());
    Remove(QtTranslator());
    current = language;
    // Qt's own dialogs (file dialogs, standard buttons) are written in
    // English; in Chinese they take Qt's Chinese texts when installed.
    if (language == Language::Chinese) {
        auto qt = std::make_unique<QTranslator>();
        if (qt->load(QStringLiteral("qtbase_zh_CN"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            QCoreApplication::installTranslator(qt.get());
            QtTranslator() = std::move(qt);
        }
        return true;
    }
    auto program = std::make_unique<QTranslator>();
    if (!program->load(QStringLiteral(":/i18n/metertest_en.qm"))) {
        current = Language::Chinese;
        return false;
    }
    QCoreApplication::installTranslator(program.get());
    ProgramTranslator() = std::move(program);
    return true;
}

Language CurrentLanguage() {
    return current;
}

}  // namespace mt
