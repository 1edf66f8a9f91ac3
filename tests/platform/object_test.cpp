// Run-time class information: kinds, the class list and creation by name.
#include <gtest/gtest.h>

#include <memory>

#include "platform/exception.h"
#include "platform/object.h"

namespace {

class CShape : public CObject {
    DECLARE_DYNAMIC(CShape)
};

class CCircle : public CShape {
    DECLARE_SERIAL(CCircle)
};

}  // namespace

IMPLEMENT_DYNAMIC(CShape, CObject)
IMPLEMENT_SERIAL(CCircle, CShape, 1)

TEST(RuntimeClassTest, IsKindOfFollowsTheBaseChain) {
    CCircle circle;
    EXPECT_TRUE(circle.IsKindOf(RUNTIME_CLASS(CCircle)));
    EXPECT_TRUE(circle.IsKindOf(RUNTIME_CLASS(CShape)));
    EXPECT_TRUE(circle.IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(circle.IsKindOf(RUNTIME_CLASS(CException)));
    CFileException fileError;
    EXPECT_TRUE(fileError.IsKindOf(RUNTIME_CLASS(CException)));
    EXPECT_FALSE(fileError.IsKindOf(RUNTIME_CLASS(CShape)));
}

TEST(RuntimeClassTest, CreatesByNameOnlyClassesThatAllowIt) {
    std::unique_ptr<CObject> pCircle(CRuntimeClass::CreateObject("CCircle"));
    ASSERT_NE(pCircle, nullptr);
    EXPECT_EQ(pCircle->GetRuntimeClass(), RUNTIME_CLASS(CCircle));
    EXPECT_EQ(CRuntimeClass::CreateObject("CShape"), nullptr);  // dynamic only
    EXPECT_EQ(CRuntimeClass::CreateObject("NoSuchClass"), nullptr);
    EXPECT_EQ(CRuntimeClass::FromName(nullptr), nullptr);
}

TEST(RuntimeClassTest, RecordsNameSchemaAndSerialisability) {
    const CRuntimeClass* pClass = CRuntimeClass::FromName("CCircle");
    ASSERT_EQ(pClass, RUNTIME_CLASS(CCircle));
    EXPECT_STREQ(pClass->m_lpszClassName, "CCircle");
    EXPECT_EQ(pClass->m_wSchema, 1u);
    EXPECT_EQ(pClass->m_pBaseClass, RUNTIME_CLASS(CShape));
    CCircle circle;
    CShape* pShape = &circle;
    EXPECT_TRUE(pShape->IsSerializable());
    EXPECT_FALSE(CFileException().IsSerializable());
}
