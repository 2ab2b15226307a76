// Objects with run-time class records: CObject, the root of every class the
// system persists or creates by name, and CRuntimeClass, the record each such
// class keeps (name, size, schema, base, factory).
//
// A class declares itself with one of three macro pairs, in its header and in
// its source file:
//   DECLARE_DYNAMIC / IMPLEMENT_DYNAMIC(cls, base)          run-time class and IsKindOf
//   DECLARE_DYNCREATE / IMPLEMENT_DYNCREATE(cls, base)      ... and creation by record
//   DECLARE_SERIAL / IMPLEMENT_SERIAL(cls, base, schema)    ... and loading from archives,
//                                                          with a typed `ar >> pCls`
// Every implemented class enters a registry by name when its library is loaded
// (a static registration object) and leaves it when the library is unloaded;
// archives find the classes they load there (CRuntimeClass::FromName).
//
// The records are constant data, valid before any static constructor runs.
// The registry is guarded by a lock: any thread may look classes up.
#pragma once

#include <string>
#include <string_view>

class CArchive;
class CObject;

// Or-ed into a class's schema: loading accepts any stored schema and hands it to
// the object through CArchive::GetObjectSchema.
inline constexpr unsigned VERSIONABLE_SCHEMA = 0x80000000u;
// The schema of a class that cannot be archived (declared dynamic or dyncreate only).
inline constexpr unsigned NONSERIAL_SCHEMA = 0xFFFFu;

// The run-time record of a class. One constant instance per class.
struct CRuntimeClass {
    const char* m_lpszClassName;              // as stored in archives, ASCII
    int m_nObjectSize;                        // sizeof the class
    unsigned m_wSchema;                       // schema, NONSERIAL_SCHEMA if not serial
    CObject* (*m_pfnCreateObject)();          // null if not creatable
    const CRuntimeClass* m_pBaseClass;        // null only for CObject

    // A new object of this class, or null when the class is not creatable.
    CObject* CreateObject() const;
    // Whether this class is `base` or derives from it.
    bool IsDerivedFrom(const CRuntimeClass* base) const;
    // Whether objects of this class can be written to and read from archives.
    bool IsSerializable() const { return (m_wSchema & ~VERSIONABLE_SCHEMA) != NONSERIAL_SCHEMA; }
    // The schema number without the versionable flag.
    unsigned GetSchema() const { return m_wSchema & ~VERSIONABLE_SCHEMA; }
    bool IsVersionable() const { return (m_wSchema & VERSIONABLE_SCHEMA) != 0; }

    // The registered class of that name, or null. When several loaded libraries
    // register one name, the first registration still loaded wins.
    static const CRuntimeClass* FromName(std::string_view name);
};

// Enters a class into the registry for the lifetime of this object (one static
// instance per implemented class, made by the IMPLEMENT_ macros).
class CClassRegistration {
public:
    explicit CClassRegistration(const CRuntimeClass* cls);
    ~CClassRegistration();
    CClassRegistration(const CClassRegistration&) = delete;
    CClassRegistration& operator=(const CClassRegistration&) = delete;

private:
    const CRuntimeClass* m_class;   // borrowed, constant data
};

// The root class. Copyable by derived classes that choose to be.
class CObject {
public:
    virtual ~CObject() = default;

    virtual const CRuntimeClass* GetRuntimeClass() const;
    // Writes or reads the object's own bytes; CObject has none.
    virtual void Serialize(CArchive& ar);

    // Called by CArchive::ReadObject on an object it made whose own Serialize
    // then threw: the reader never received it, so by default it deletes
    // itself. Each kind of object has one owner of this clean-up: a class
    // whose failed objects another party frees (events and view data, by
    // their load guard) or that a holder may already have taken while it was
    // read (a filter a list took, a client item its frame took) overrides this
    // and leaves the object to that owner. The archive does not touch the
    // object afterwards.
    virtual void OnReadFailed();

    // Whether this object's class is `cls` or derives from it.
    bool IsKindOf(const CRuntimeClass* cls) const;
    bool IsSerializable() const { return GetRuntimeClass()->IsSerializable(); }

    static const CRuntimeClass runtimeClass;

protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};

// The record of a class, by class name.
#define RUNTIME_CLASS(cls) (&cls::runtimeClass)

// `ptr` as a `cls*` when the object is of that class (or derived), else null.
template <class T>
T* DynamicDowncast(CObject* object) {
    return object && object->IsKindOf(RUNTIME_CLASS(T)) ? static_cast<T*>(object) : nullptr;
}
template <class T>
const T* DynamicDowncast(const CObject* object) {
    return object && object->IsKindOf(RUNTIME_CLASS(T)) ? static_cast<const T*>(object) : nullptr;
}
#define DYNAMIC_DOWNCAST(cls, ptr) DynamicDowncast<cls>(ptr)

// ---- declaring classes ------------------------------------------------------

#define DECLARE_DYNAMIC(cls)                                                       \
public:                                                                            \
    static const CRuntimeClass runtimeClass;                                       \
    const CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(cls)                                                     \
    DECLARE_DYNAMIC(cls)                                                           \
    static CObject* CreateObject();

// Also declares `ar >> pCls`, reading an object that must be a cls (or derived).
#define DECLARE_SERIAL(cls)                                                        \
    DECLARE_DYNCREATE(cls)                                                         \
    friend CArchive& operator>>(CArchive& ar, cls*& pOb);

// ---- implementing classes (in one source file each) -------------------------

#define STAFFWRIGHT_RUNTIME_CLASS(cls, base, schema, create)                        \
    const CRuntimeClass cls::runtimeClass = {#cls, static_cast<int>(sizeof(cls)),  \
                                             (schema), (create),                    \
                                             RUNTIME_CLASS(base)};                  \
    const CRuntimeClass* cls::GetRuntimeClass() const { return RUNTIME_CLASS(cls); } \
    namespace {                                                                    \
    const CClassRegistration s_registration_##cls(RUNTIME_CLASS(cls));             \
    }

#define IMPLEMENT_DYNAMIC(cls, base)                                               \
    STAFFWRIGHT_RUNTIME_CLASS(cls, base, NONSERIAL_SCHEMA, nullptr)

#define IMPLEMENT_DYNCREATE(cls, base)                                             \
    CObject* cls::CreateObject() { return new cls; }                               \
    STAFFWRIGHT_RUNTIME_CLASS(cls, base, NONSERIAL_SCHEMA, &cls::CreateObject)

// The source file must include "platform/core/archive.h".
#define IMPLEMENT_SERIAL(cls, base, schema)                                        \
    CObject* cls::CreateObject() { return new cls; }                               \
    STAFFWRIGHT_RUNTIME_CLASS(cls, base, (schema), &cls::CreateObject)             \
    [[maybe_unused]] CArchive& operator>>(CArchive& ar, cls*& pOb) {               \
        pOb = static_cast<cls*>(ar.ReadObject(RUNTIME_CLASS(cls)));                \
        return ar;                                                                 \
    }
