// CTime, a point in time as whole seconds since 1 January 1970 UTC.
#pragma once

#include <cstdint>

class CTime {
public:
    CTime() = default;
    explicit CTime(std::int64_t nSeconds) : m_nSeconds(nSeconds) {}

    std::int64_t GetTime() const { return m_nSeconds; }

    bool operator==(const CTime& other) const { return m_nSeconds == other.m_nSeconds; }
    bool operator!=(const CTime& other) const { return m_nSeconds != other.m_nSeconds; }
    bool operator<(const CTime& other) const { return m_nSeconds < other.m_nSeconds; }

private:
    std::int64_t m_nSeconds = 0;
};
