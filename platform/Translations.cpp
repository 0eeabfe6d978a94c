#include "platform/Translations.h"

#include <QCoreApplication>
#include <QTranslator>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string_view>

namespace tavuro {

namespace {

// The languages a catalogue ships for; the program's own texts are Chinese.
constexpr std::string_view SourceLanguage = "zh";
constexpr std::string_view CatalogueLanguages[] = {"en"};
constexpr std::string_view FallbackLanguage = "en";

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// "en_GB.UTF-8@euro" names the language "en".
std::string_view LanguageOf(std::string_view locale) {
    return locale.substr(0, locale.find_first_of("_.@"));
}

bool IsCLocale(std::string_view locale) {
    return locale.empty() || locale == "POSIX" || LanguageOf(locale) == "C";
}

// The process's one catalogue, loaded at start.
std::unique_ptr<QTranslator>& Catalogue() {
    static std::unique_ptr<QTranslator> catalogue;
    return catalogue;
}

} // namespace

TLanguageVariables TLanguageVariables::FromEnvironment() {
    return {Variable("LANGUAGE"), Variable("LC_ALL"), Variable("LC_MESSAGES"), Variable("LANG")};
}

std::string CatalogueLanguage(const TLanguageVariables& variables) {
    std::string_view locale = variables.LcAll;
    if (locale.empty())
        locale = variables.LcMessages;
    if (locale.empty())
        locale = variables.Lang;
    if (IsCLocale(locale))
        return {};
    std::string choices = variables.Language.empty()
                              ? std::string(locale)
                              : variables.Language + ":" + std::string(locale);
    std::string_view rest = choices;
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        const std::string_view language = LanguageOf(rest.substr(0, colon));
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
        if (language == SourceLanguage)
            return {};
        for (std::string_view shipped : CatalogueLanguages)
            if (language == shipped)
                return std::string(shipped);
    }
    return std::string(FallbackLanguage);
}

void LoadTranslations() {
    if (Catalogue()) {
        if (QCoreApplication::instance())
            QCoreApplication::removeTranslator(Catalogue().get());
        Catalogue().reset();
    }
    const std::string language = CatalogueLanguage(TLanguageVariables::FromEnvironment());
    if (language.empty())
        return;
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return;
    auto catalogue = std::make_unique<QTranslator>();
    const std::filesystem::path file = program.parent_path() / ("tavuro_" + language + ".qm");
    if (!catalogue->load(QString::fromStdString(file.string())))
        return;
    Catalogue() = std::move(catalogue);
    InstallTranslations();
}

void InstallTranslations() {
    if (Catalogue() && QCoreApplication::instance())
        QCoreApplication::installTranslator(Catalogue().get());
}

QString Translate(const char* context, const char* sourceText) {
    if (Catalogue()) {
        const QString translated = Catalogue()->translate(context, sourceText);
        if (!translated.isEmpty())
            return translated;
    }
    return QString::fromUtf8(sourceText);
}

std::string TranslateUtf8(const char* context, const char* sourceText) {
    return Translate(context, sourceText).toStdString();
}

} // namespace tavuro
