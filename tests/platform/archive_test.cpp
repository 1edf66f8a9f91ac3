// CArchive's encodings and object records.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/archive.h"
#include "platform/memfile.h"

namespace {

// A serialisable object with a number and a pointer to another one.
class CNode : public CObject {
    DECLARE_SERIAL(CNode)

public:
    void Serialize(CArchive& ar) override {
        if (ar.IsStoring()) {
            ar << m_nValue << m_pNext;
        } else {
            ar >> m_nValue;
            m_pNext = static_cast<CNode*>(ar.ReadObject(RUNTIME_CLASS(CNode)));
        }
    }
    DWORD m_nValue = 0;
    CNode* m_pNext = nullptr;
};
IMPLEMENT_SERIAL(CNode, CObject, 3)

std::string Stored(const std::function<void(CArchive&)>& store) {
    CMemFile file;
    CArchive ar(&file, CArchive::store, 16);  // a small buffer: writes cross it
    store(ar);
    ar.Close();
    std::string s(static_cast<std::size_t>(file.GetLength()), '\0');
    file.SeekToBegin();
    file.Read(s.data(), static_cast<UINT>(s.size()));
    return s;
}

// The cause of the archive exception loading sBytes throws, or none.
int LoadCause(const std::string& sBytes, const CRuntimeClass* pRequested) {
    CMemFile file(sBytes);
    CArchive ar(&file, CArchive::load, 16);
    try {
        delete ar.ReadObject(pRequested);
    } catch (CArchiveException* e) {
        const int nCause = e->m_cause;
        e->Delete();
        return nCause;
    }
    return CArchiveException::none;
}

const std::string kNodeClass = std::string("\xFF\xFF\x03\x00\x05\x00", 6) + "CNode";

}  // namespace

TEST(ArchiveTest, NumbersAndStringsUseTheFrameworksEncoding) {
    const std::string sLong(300, 'x');
    const std::string sBytes = Stored([&](CArchive& ar) {
        ar << BYTE{7} << WORD{0x1234} << DWORD{0x89ABCDEF} << LONG{-2};
        ar << CString("日本") << CString(sLong.c_str());
    });
    const std::string sExpected =
        std::string("\x07\x34\x12\xEF\xCD\xAB\x89\xFE\xFF\xFF\xFF\x06", 12) + "日本" +
        std::string("\xFF\x2C\x01", 3) + sLong;
    EXPECT_EQ(sBytes, sExpected);

    CMemFile file(sBytes);
    CArchive ar(&file, CArchive::load, 16);
    BYTE by = 0;
    WORD w = 0;
    DWORD dw = 0;
    LONG l = 0;
    CString sShort, sRead;
    ar >> by >> w >> dw >> l >> sShort >> sRead;
    EXPECT_TRUE(by == 7 && w == 0x1234 && dw == 0x89ABCDEFu && l == -2);
    EXPECT_EQ(sShort, "日本");
    EXPECT_EQ(sRead, sLong.c_str());
    try {
        ar >> by;
        ADD_FAILURE() << "read past the end";
    } catch (CArchiveException* e) {
        EXPECT_EQ(e->m_cause, CArchiveException::endOfFile);
        e->Delete();
    }
}

TEST(ArchiveTest, ObjectsCarryTheirClassOnceAndReferencesAfterwards) {
    CNode a, b;
    a.m_nValue = 1;
    a.m_pNext = &b;
    b.m_nValue = 2;
    b.m_pNext = &a;
    const std::string sBytes = Stored([&](CArchive& ar) { ar << &a; });
    // a: new class record, its value; b: class reference 1, its value; then a again: object 2.
    EXPECT_EQ(sBytes, kNodeClass + std::string("\x01\0\0\0\x01\x80\x02\0\0\0\x02\0", 12));

    CMemFile file(sBytes);
    CArchive ar(&file, CArchive::load);
    auto* pA = static_cast<CNode*>(ar.ReadObject(RUNTIME_CLASS(CNode)));
    ASSERT_NE(pA, nullptr);
    ASSERT_NE(pA->m_pNext, nullptr);
    EXPECT_EQ(pA->m_nValue, 1u);
    EXPECT_EQ(pA->m_pNext->m_nValue, 2u);
    EXPECT_EQ(pA->m_pNext->m_pNext, pA);
    delete pA->m_pNext;
    delete pA;

    EXPECT_EQ(LoadCause(std::string(2, '\0'), RUNTIME_CLASS(CNode)), CArchiveException::none);
    const std::string sOther = std::string("\xFF\xFF\x03\x00\x05\x00", 6) + "CNodX";
    EXPECT_EQ(LoadCause(sOther + std::string(6, '\0'), nullptr), CArchiveException::badClass);
    std::string sSchema = sBytes;
    sSchema[2] = 4;
    EXPECT_EQ(LoadCause(sSchema, nullptr), CArchiveException::badSchema);
    EXPECT_EQ(LoadCause(sBytes, RUNTIME_CLASS(CException)), CArchiveException::badClass);
    EXPECT_EQ(LoadCause(std::string("\x09\x00", 2), nullptr), CArchiveException::badIndex);
    EXPECT_EQ(LoadCause(sBytes.substr(0, 15), nullptr), CArchiveException::endOfFile);
}
