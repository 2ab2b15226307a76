// platform/core/object.cpp: run-time classes, creation by record and the
// registry by name.
#include "platform/core/archive.h"
#include "platform/core/object.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class TObjShape : public CObject {
    DECLARE_DYNAMIC(TObjShape)
};
IMPLEMENT_DYNAMIC(TObjShape, CObject)

class TObjCircle : public TObjShape {
    DECLARE_DYNCREATE(TObjCircle)
};
IMPLEMENT_DYNCREATE(TObjCircle, TObjShape)

class TObjDisc : public TObjCircle {
    DECLARE_SERIAL(TObjDisc)
};
IMPLEMENT_SERIAL(TObjDisc, TObjCircle, VERSIONABLE_SCHEMA | 4)

class TObjSquare : public TObjShape {
    DECLARE_SERIAL(TObjSquare)
};
IMPLEMENT_SERIAL(TObjSquare, TObjShape, 1)

TEST(ObjectTest, RecordsDescribeTheClass) {
    const struct {
        const CRuntimeClass* cls;
        const char* name;
        bool creatable, serializable, versionable;
        unsigned schema;
    } cases[] = {
        {RUNTIME_CLASS(CObject), "CObject", false, false, false, NONSERIAL_SCHEMA},
        {RUNTIME_CLASS(TObjShape), "TObjShape", false, false, false, NONSERIAL_SCHEMA},
        {RUNTIME_CLASS(TObjCircle), "TObjCircle", true, false, false, NONSERIAL_SCHEMA},
        {RUNTIME_CLASS(TObjDisc), "TObjDisc", true, true, true, 4},
        {RUNTIME_CLASS(TObjSquare), "TObjSquare", true, true, false, 1},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(c.cls->m_lpszClassName, c.name);
        EXPECT_EQ(c.cls->IsSerializable(), c.serializable) << c.name;
        EXPECT_EQ(c.cls->IsVersionable(), c.versionable) << c.name;
        EXPECT_EQ(c.cls->GetSchema(), c.schema) << c.name;
        EXPECT_EQ(CRuntimeClass::FromName(c.name), c.cls) << "registered when the library loaded";
        std::unique_ptr<CObject> made(c.cls->CreateObject());
        EXPECT_EQ(made != nullptr, c.creatable) << c.name;
        if (made) {
            EXPECT_EQ(made->GetRuntimeClass(), c.cls) << c.name;
        }
    }
    EXPECT_EQ(RUNTIME_CLASS(TObjDisc)->m_nObjectSize, static_cast<int>(sizeof(TObjDisc)));
    EXPECT_EQ(CRuntimeClass::FromName("TObjNothing"), nullptr);
}

TEST(ObjectTest, KindFollowsTheBaseChain) {
    TObjDisc disc;
    TObjSquare square;
    EXPECT_TRUE(disc.IsKindOf(RUNTIME_CLASS(TObjDisc)));
    EXPECT_TRUE(disc.IsKindOf(RUNTIME_CLASS(TObjCircle)));
    EXPECT_TRUE(disc.IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(square.IsKindOf(RUNTIME_CLASS(TObjCircle)));
    EXPECT_FALSE(RUNTIME_CLASS(TObjShape)->IsDerivedFrom(RUNTIME_CLASS(TObjDisc)));

    CObject* object = &disc;
    EXPECT_EQ(DYNAMIC_DOWNCAST(TObjCircle, object), &disc);
    EXPECT_EQ(DYNAMIC_DOWNCAST(TObjSquare, object), nullptr);
    EXPECT_EQ(DYNAMIC_DOWNCAST(TObjSquare, static_cast<CObject*>(nullptr)), nullptr);
}

// A library that is unloaded takes its classes out of the registry; a second
// library registering a name already taken does not replace the first.
TEST(ObjectTest, RegistrationLastsAsLongAsItsLibrary) {
    static const CRuntimeClass lateClass = {"TObjLate", 8, 1, nullptr, RUNTIME_CLASS(CObject)};
    static const CRuntimeClass twinClass = {"TObjSquare", 8, 1, nullptr, RUNTIME_CLASS(CObject)};
    {
        CClassRegistration late(&lateClass);
        CClassRegistration twin(&twinClass);
        EXPECT_EQ(CRuntimeClass::FromName("TObjLate"), &lateClass);
        EXPECT_EQ(CRuntimeClass::FromName("TObjSquare"), RUNTIME_CLASS(TObjSquare));
    }
    EXPECT_EQ(CRuntimeClass::FromName("TObjLate"), nullptr);
    EXPECT_EQ(CRuntimeClass::FromName("TObjSquare"), RUNTIME_CLASS(TObjSquare));
}

TEST(ObjectTest, TypedExtractionChecksTheClass) {
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        TObjDisc disc;
        TObjSquare square;
        ar << &disc << &square;
    }
    file.SeekToBegin();
    CArchive ar(&file, CArchive::load);
    TObjDisc* disc = nullptr;
    ar >> disc;
    std::unique_ptr<TObjDisc> owned(disc);
    EXPECT_NE(disc, nullptr);
    TObjDisc* wrong = nullptr;
    try {
        ar >> wrong;
        ADD_FAILURE() << "a square was read as a disc";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::badClass);
    }
}

}  // namespace
