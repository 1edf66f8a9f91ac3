// A private temporary folder per test, removed with everything in it afterwards.
#pragma once

#include <string>

#include <gtest/gtest.h>

class TempDirTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Path of a file named sName inside the folder.
    std::string PathOf(const std::string& sName) const { return m_sDir + "/" + sName; }
    static void WriteFile(const std::string& sPath, const std::string& sBytes);
    static std::string ReadFile(const std::string& sPath);
    static bool Exists(const std::string& sPath);

    std::string m_sDir;
};
