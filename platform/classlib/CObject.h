// The root class and its run-time class records: class names, base classes and dynamic
// creation by name, for classes declared with the DYNAMIC and DYNCREATE macros.
#pragma once
#include "platform/win32/Types.h"

class CObject;

struct CRuntimeClass {
  LPCSTR m_lpszClassName;
  int m_nObjectSize;
  UINT m_wSchema;  // 0xFFFF for classes that can be created dynamically
  CObject* (*m_pfnCreateObject)();
  const CRuntimeClass* (*m_pfnGetBaseClass)();

  // A new object of the class, or null when the class cannot be created dynamically.
  CObject* CreateObject() const;
  bool IsDerivedFrom(const CRuntimeClass* base) const;
  // Look-up among the classes registered so far; null when no class has that name.
  static const CRuntimeClass* FromName(LPCSTR className);
  static CObject* CreateObject(LPCSTR className);
};

// Links a class record into the registry of names at start-up.
struct AFX_CLASSINIT {
  explicit AFX_CLASSINIT(const CRuntimeClass* record);
};

class CObject {
 public:
  virtual ~CObject() = default;
  virtual const CRuntimeClass* GetRuntimeClass() const;
  bool IsKindOf(const CRuntimeClass* runtimeClass) const;
  static const CRuntimeClass* GetThisClass();
  static const CRuntimeClass classCObject;

 protected:
  CObject() = default;
};

#define RUNTIME_CLASS(class_name) (class_name::GetThisClass())

#define DECLARE_DYNAMIC(class_name)             \
 public:                                        \
  static const CRuntimeClass class##class_name; \
  static const CRuntimeClass* GetThisClass();   \
  const CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name) \
  DECLARE_DYNAMIC(class_name)         \
  static CObject* CreateObject();

#define WF_IMPLEMENT_RUNTIMECLASS(class_name, base_name, schema, create)                                \
  const CRuntimeClass class_name::class##class_name = {#class_name, sizeof(class_name), schema, create, \
                                                       &base_name::GetThisClass};                       \
  static const AFX_CLASSINIT _init_##class_name(&class_name::class##class_name);                        \
  const CRuntimeClass* class_name::GetThisClass() { return &class_name::class##class_name; }            \
  const CRuntimeClass* class_name::GetRuntimeClass() const { return &class_name::class##class_name; }

#define IMPLEMENT_DYNAMIC(class_name, base_name) \
  WF_IMPLEMENT_RUNTIMECLASS(class_name, base_name, 0xFFFF, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_name)               \
  CObject* class_name::CreateObject() { return new class_name; } \
  WF_IMPLEMENT_RUNTIMECLASS(class_name, base_name, 0xFFFF, class_name::CreateObject)
