#pragma once

#include <QString>

#include <string>

namespace tavuro {

// The desktop's language variables, as the environment gives them.
struct TLanguageVariables {
    std::string Language, LcAll, LcMessages, Lang; // LANGUAGE, LC_ALL, LC_MESSAGES, LANG
    static TLanguageVariables FromEnvironment();
};

// The catalogue the user's language asks for: empty for the texts the program is written in
// (Chinese, and the C/POSIX locale), else the language of a catalogue; every language without a
// catalogue gets English. LANGUAGE is a list of choices, as for gettext, and is not looked at
// under the C locale.
std::string CatalogueLanguage(const TLanguageVariables& variables);

// Loads the catalogue of the user's language ("tavuro_LANGUAGE.qm" in the folder of the running
// program) for this process, and installs it into the running application if there is one yet.
// Without a catalogue the program's own texts stay. Loading again follows a changed environment.
void LoadTranslations();
// Installs the catalogue loaded before into the application made since.
void InstallTranslations();

// A text in the user's language; works before the application exists too. The source texts are
// UTF-8; a text the catalogue lacks stays as written.
QString Translate(const char* context, const char* sourceText);
std::string TranslateUtf8(const char* context, const char* sourceText);

} // namespace tavuro
