// The user's language on Windows: the display language chosen in the system's settings.
#include "platform/user_language.h"

#include "platform/win32.h"

bool user_language_os::IsDisplayLanguageJapanese() {
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE;
}
