// The language the user reads messages in, as the system keeps it.
#pragma once

// Whether it is Japanese: the first of LC_ALL, LC_MESSAGES and LANG that is set names a Japanese
// locale ("ja", "ja_JP.UTF-8"), as the C library and gettext read them; on Windows, where none
// of them is set, the user's display language is Japanese.
bool IsUserLanguageJapanese();

namespace user_language_os {
// The answer when none of the variables is set.
bool IsDisplayLanguageJapanese();
}  // namespace user_language_os
