// Reference tools and folders for tests.
#include "tests/support/tools.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>

std::string PeerCachePath(const std::string& sTool, const std::string& sArgs,
                          const std::string& sInput) {
    // FNV-1a over the whole question.
    std::uint64_t nHash = 14695981039346656037ULL;
    for (const std::string* p : {&sTool, &sArgs, &sInput})
        for (const char c : *p + '\0') {
            nHash ^= static_cast<unsigned char>(c);
            nHash *= 1099511628211ULL;
        }
    char szName[32];
    std::snprintf(szName, sizeof szName, "%016llx.out", static_cast<unsigned long long>(nHash));
    return std::string(TARNEL_GOLDEN_CACHE_DIR) + "/" + szName;
}

std::vector<std::string> ListFolder(const std::string& sDir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(sDir))
        names.push_back(entry.path().filename().string());
    return names;
}
