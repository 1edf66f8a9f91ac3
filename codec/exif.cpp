// Reading the Orientation tag out of Exif data and joining an ICC profile from its segments, every
// offset and number checked against what is there.
#include "codec/exif.h"

#include <cstring>

#include "libjpeg/libjpeg.h"

namespace {

constexpr unsigned kOrientationTag = 0x0112;
constexpr unsigned kShortType = 3;
constexpr std::size_t kExifHeader = 6;  // "Exif\0\0"
constexpr std::size_t kEntrySize = 12;
constexpr BYTE kStartOfImage = 0xD8, kStartOfScan = 0xDA;
constexpr BYTE kTemporary = 0x01;  // TEM
constexpr BYTE kFirstRestart = 0xD0, kLastRestart = 0xD7;

// The TIFF structure after the Exif header, with its byte order.
class TiffReader {
public:
    TiffReader(const BYTE* p, std::size_t n, bool bBigEndian)
        : m_p(p), m_n(n), m_bBigEndian(bBigEndian) {}

    // Whether [nOffset, nOffset + nCount) lies inside the data.
    bool Holds(std::size_t nOffset, std::size_t nCount) const {
        return nOffset <= m_n && nCount <= m_n - nOffset;
    }
    unsigned Get16(std::size_t nOffset) const {
        const unsigned a = m_p[nOffset], b = m_p[nOffset + 1];
        return m_bBigEndian ? (a << 8) | b : (b << 8) | a;
    }
    unsigned long Get32(std::size_t nOffset) const {
        const unsigned long nHigh = Get16(nOffset + (m_bBigEndian ? 0 : 2));
        const unsigned long nLow = Get16(nOffset + (m_bBigEndian ? 2 : 0));
        return (nHigh << 16) | nLow;
    }

private:
    const BYTE* m_p;
    std::size_t m_n;
    bool m_bBigEndian;
};

}  // namespace

int ExifOrientation(const BYTE* pData, std::size_t nSize) {
    if (pData == nullptr || nSize < kExifHeader + 8 || std::memcmp(pData, "Exif\0\0", 6) != 0)
        return 0;
    const BYTE* pTiff = pData + kExifHeader;
    const std::size_t nTiff = nSize - kExifHeader;
    const bool bBigEndian = std::memcmp(pTiff, "MM\0*", 4) == 0;
    if (!bBigEndian && std::memcmp(pTiff, "II*\0", 4) != 0)
        return 0;
    const TiffReader tiff(pTiff, nTiff, bBigEndian);
    const unsigned long nDirectory = tiff.Get32(4);
    if (!tiff.Holds(nDirectory, 2))
        return 0;
    const unsigned nEntries = tiff.Get16(nDirectory);
    for (unsigned i = 0; i < nEntries; ++i) {
        const std::size_t nEntry = nDirectory + 2 + i * kEntrySize;
        if (!tiff.Holds(nEntry, kEntrySize))
            return 0;
        if (tiff.Get16(nEntry) != kOrientationTag)
            continue;
        if (tiff.Get16(nEntry + 2) != kShortType || tiff.Get32(nEntry + 4) != 1)
            return 0;
        const unsigned nValue = tiff.Get16(nEntry + 8);  // a short sits at the field's start
        return nValue >= 1 && nValue <= 8 ? static_cast<int>(nValue) : 0;
    }
    return 0;
}

int OrientationOf(const std::vector<COXJPEGDecoder::Marker>& markers) {
    for (const COXJPEGDecoder::Marker& marker : markers) {
        if (marker.nMarker != JPEG_APP0 + 1)
            continue;
        if (const int nOrientation = ExifOrientation(marker.data.data(), marker.data.size()))
            return nOrientation;
    }
    return 1;
}

BOOL ReadHeaderExif(const BYTE* pData, std::size_t nSize,
                    std::vector<COXJPEGDecoder::Marker>& rSegments) {
    rSegments.clear();
    if (pData == nullptr || nSize < 2 || pData[0] != 0xFF || pData[1] != kStartOfImage)
        return FALSE;
    for (std::size_t i = 2; i + 1 < nSize;) {
        if (pData[i] != 0xFF)
            return FALSE;  // not where a marker must be
        const BYTE nMarker = pData[i + 1];
        if (nMarker == 0xFF) {
            ++i;  // a fill byte before the marker
            continue;
        }
        if (nMarker == kStartOfScan || nMarker == JPEG_EOI)
            return TRUE;  // the segments that can hold Exif data are behind
        if (nMarker == kTemporary || (nMarker >= kFirstRestart && nMarker <= kLastRestart)) {
            i += 2;  // markers without a length
            continue;
        }
        if (nSize - i < 4)
            return FALSE;
        const std::size_t nLength = (std::size_t{pData[i + 2]} << 8) | pData[i + 3];
        if (nLength < 2 || nSize - i - 2 < nLength)
            return FALSE;
        if (nMarker == JPEG_APP0 + 1)
            rSegments.push_back(
                {nMarker, std::vector<BYTE>(pData + i + 4, pData + i + 2 + nLength)});
        i += 2 + nLength;
    }
    return FALSE;
}

ProfileFound JoinIccProfile(const std::vector<COXJPEGDecoder::Marker>& markers,
                            std::vector<BYTE>& rProfile) {
    constexpr std::size_t kTag = 12;  // "ICC_PROFILE\0"
    std::vector<const COXJPEGDecoder::Marker*> parts;
    std::size_t nCount = 0;
    for (const COXJPEGDecoder::Marker& marker : markers) {
        const std::vector<BYTE>& d = marker.data;
        if (marker.nMarker != JPEG_APP0 + 2 || d.size() < kTag + 2 ||
            std::memcmp(d.data(), "ICC_PROFILE", kTag) != 0)
            continue;
        // Every segment names the same count, and its own number once, from 1 to the count.
        if ((nCount != 0 && d[kTag + 1] != nCount) || d[kTag + 1] == 0 || d[kTag] == 0 ||
            d[kTag] > d[kTag + 1])
            return ProfileFound::Damaged;
        nCount = d[kTag + 1];
        parts.resize(nCount, nullptr);
        if (parts[d[kTag] - 1] != nullptr)
            return ProfileFound::Damaged;
        parts[d[kTag] - 1] = &marker;
    }
    rProfile.clear();
    if (nCount == 0)
        return ProfileFound::None;
    for (const COXJPEGDecoder::Marker* pPart : parts) {
        if (pPart == nullptr) {
            rProfile.clear();
            return ProfileFound::Damaged;
        }
        rProfile.insert(rProfile.end(), pPart->data.begin() + kTag + 2, pPart->data.end());
    }
    return ProfileFound::Whole;
}
