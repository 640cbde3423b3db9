#include "platform/classlib/CObject.h"

#include <cstring>
#include <mutex>
#include <vector>

namespace {

std::mutex& RegistryMutex() {
  static std::mutex mutex;
  return mutex;
}
std::vector<const CRuntimeClass*>& Registry() {
  static auto* classes = new std::vector<const CRuntimeClass*>;
  return *classes;
}

const CRuntimeClass* NoBase() { return nullptr; }

}  // namespace

const CRuntimeClass CObject::classCObject = {"CObject", sizeof(CObject), 0xFFFF, nullptr, &NoBase};
static const AFX_CLASSINIT _init_CObject(&CObject::classCObject);

AFX_CLASSINIT::AFX_CLASSINIT(const CRuntimeClass* record) {
  std::lock_guard<std::mutex> lock(RegistryMutex());
  Registry().push_back(record);
}

CObject* CRuntimeClass::CreateObject() const { return m_pfnCreateObject ? m_pfnCreateObject() : nullptr; }

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const {
  for (const CRuntimeClass* at = this; at; at = at->m_pfnGetBaseClass ? at->m_pfnGetBaseClass() : nullptr) {
    if (at == base) return true;
  }
  return false;
}

const CRuntimeClass* CRuntimeClass::FromName(LPCSTR className) {
  if (!className) return nullptr;
  std::lock_guard<std::mutex> lock(RegistryMutex());
  for (const CRuntimeClass* record : Registry()) {
    if (std::strcmp(record->m_lpszClassName, className) == 0) return record;
  }
  return nullptr;
}

CObject* CRuntimeClass::CreateObject(LPCSTR className) {
  const CRuntimeClass* record = FromName(className);
  return record ? record->CreateObject() : nullptr;
}

const CRuntimeClass* CObject::GetThisClass() { return &classCObject; }
const CRuntimeClass* CObject::GetRuntimeClass() const { return &classCObject; }

bool CObject::IsKindOf(const CRuntimeClass* runtimeClass) const {
  return GetRuntimeClass()->IsDerivedFrom(runtimeClass);
}
