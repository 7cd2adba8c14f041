// The user-interface language chosen at start-up: config\lang.ini [language] current, or the
// system's default language when it is empty, and the resource library of that language as
// the module every dialog, menu and string is loaded from.
#pragma once

#include <afx.h>

namespace startup {

// Language numbers; they also index the resource module table.
enum Language { kSpChinese = 1, kEnglish = 2, kTdChinese = 3 };

// The language a lang.ini value stands for: compared without regard to case, an unknown text
// is Chinese (simplified); an empty value takes the system's language (traditional Chinese for
// Chinese with sub-language 1, Chinese (simplified) for any other Chinese, English otherwise).
int LanguageFromSetting(const CString& value, LANGID systemLanguage);

// "spchinese", "english" or "tdchinese".
LPCWSTR LanguageName(int language);

// The resource library file of a language, or nullptr for the program's own resources.
LPCWSTR LanguageLibrary(int language);

// The resource module table: 0 and 1 the program's own module, 2 the English library, 3 the
// traditional Chinese one (nullptr until loaded). Written at start-up only.
HINSTANCE ResourceModule(int language);
// The language whose resources are in use (1 until a library loads).
int CurrentLanguage();

// The whole step: reads lang.ini in the program folder, loads the chosen library (a missing or
// broken one keeps the built-in resources without a word), makes it the resource module, and
// writes the chosen name back (also when it came from the system language or did not load).
// Returns the language chosen.
int ChooseLanguage(const CString& programFolder, LANGID systemLanguage);

} // namespace startup
