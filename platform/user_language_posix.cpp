// The user's language on POSIX: without the locale variables, the C locale's English.
#include "platform/user_language.h"

bool user_language_os::IsDisplayLanguageJapanese() { return false; }
