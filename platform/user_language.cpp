// The user's language from the locale variables, as the C library reads them.
#include "platform/user_language.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

bool IsUserLanguageJapanese() {
    for (const char* pszName : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* pszValue = std::getenv(pszName);
        if (pszValue != nullptr && *pszValue != '\0')
            return std::strncmp(pszValue, "ja", 2) == 0 &&
                   (pszValue[2] == '\0' || pszValue[2] == '_' || pszValue[2] == '.');
    }
    return user_language_os::IsDisplayLanguageJapanese();
}
