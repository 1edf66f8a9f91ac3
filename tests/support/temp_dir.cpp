// TempDirTest's folder and file helpers.
#include "tests/support/temp_dir.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

void TempDirTest::SetUp() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    fs::path dir = fs::temp_directory_path() /
                   (std::string("tarnel-") + info->test_suite_name() + "-" + info->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    m_sDir = dir.string();
}

void TempDirTest::TearDown() {
    std::error_code ec;
    fs::permissions(m_sDir, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(m_sDir, ec);
}

void TempDirTest::WriteFile(const std::string& sPath, const std::string& sBytes) {
    std::ofstream out(sPath, std::ios::binary);
    out.write(sBytes.data(), static_cast<std::streamsize>(sBytes.size()));
}

std::string TempDirTest::ReadFile(const std::string& sPath) {
    std::ifstream in(sPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool TempDirTest::Exists(const std::string& sPath) { return fs::exists(sPath); }
