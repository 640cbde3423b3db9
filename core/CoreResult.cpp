#include "core/CoreResult.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "platform/win32/Resource.h"

namespace corvel {

CJException::CJException(std::int32_t code, std::uint32_t context0, bool owned, bool unexamined,
                         std::uint32_t context1, std::uint32_t context2)
    : code_(code), owned_(owned), unexamined_(unexamined), context_{context0, context1, context2} {
  messageBuffer_[0] = '\0';
}

CJException::CJException(const CJException& other)
    : std::exception(other),
      code_(other.code_),
      owned_(false),
      unexamined_(false),
      context_{other.context_[0], other.context_[1], other.context_[2]} {
  messageBuffer_[0] = '\0';
  if (other.message_) SetMessage(other.message_);
}

CJException::~CJException() { delete[] ownMessage_; }

void CJException::SetMessage(const char* text) {
  std::size_t bytes = std::strlen(text) + 1;
  char* previous = ownMessage_;
  if (bytes <= kMessageBufferSize) {
    std::memmove(messageBuffer_, text, bytes);
    ownMessage_ = nullptr;
    message_ = messageBuffer_;
  } else {
    ownMessage_ = new char[bytes];
    std::memcpy(ownMessage_, text, bytes);
    message_ = ownMessage_;
  }
  delete[] previous;
}

const char* CJException::what() const noexcept {
  if (!message_) {
    GetCoreErrorText(code_, messageBuffer_, static_cast<std::int16_t>(kMessageBufferSize));
    message_ = messageBuffer_;
  }
  return message_;
}

void CJException::ThrowCopy() const { throw CJException(*this); }

std::int32_t CJException::Release() {
  std::int32_t remaining = refCount_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (remaining > 0) return remaining;
  if (Unexamined() && std::uncaught_exceptions() == 0 && code_ != 0) {
    CJException copy(*this);
    if (owned_) delete this;
    throw copy;
  }
  if (owned_) delete this;
  return 0;
}

CJException& CJException::OutOfMemoryRecord() {
  static CJException record(keErrorNoMemory);
  return record;
}

// ---------------------------------------------------------------------------------------------

CoreResult::CoreResult(std::int32_t code) {
  if (code != 0) SetError(code);
}

CoreResult::CoreResult(const CoreResult& other) {
  if (other.record_) *this = other;
}

CoreResult::CoreResult(const CJException& caught) {
  if (caught.Code() == 0) return;
  try {
    record_ = new CJException(caught);
    record_->owned_ = true;
  } catch (const std::bad_alloc&) {
    record_ = &CJException::OutOfMemoryRecord();
  }
  record_->SetUnexamined(true);
  record_->AddRef();
}

CoreResult::~CoreResult() noexcept(false) { ReleaseHeld(); }

void CoreResult::ReleaseHeld() {
  CJException* held = record_;
  record_ = nullptr;
  if (held) held->Release();
}

void CoreResult::SetError(std::int32_t code, std::uint32_t context0, std::uint32_t context1,
                          std::uint32_t context2) {
  if (record_) record_->SetUnexamined(false);
  ReleaseHeld();
  if (code == 0) return;
  try {
    record_ = new CJException(code, context0, true, true, context1, context2);
  } catch (const std::bad_alloc&) {
    record_ = &CJException::OutOfMemoryRecord();
    record_->SetUnexamined(true);
  }
  record_->AddRef();
}

CoreResult& CoreResult::operator=(std::int32_t code) {
  if (code != keErrorNoMemory) {
    SetError(code);
    return *this;
  }
  if (record_) record_->SetUnexamined(false);
  ReleaseHeld();
  record_ = &CJException::OutOfMemoryRecord();
  record_->AddRef();
  record_->SetUnexamined(true);
  return *this;
}

CoreResult& CoreResult::operator=(const CoreResult& other) {
  CJException* replaced = nullptr;
  if (record_ != other.record_) {
    replaced = record_;
    record_ = other.record_;
    if (record_) record_->AddRef();
  }
  if (record_ && record_->Code() != 0) record_->SetUnexamined(true);
  // Last: an unexamined error held only here throws now, with this handle already consistent.
  if (replaced) replaced->Release();
  return *this;
}

std::int32_t CoreResult::GetCode() const {
  if (!record_) return 0;
  record_->SetUnexamined(false);
  return record_->Code();
}

void CoreResult::ThrowIfFailed() const {
  if (!record_ || record_->Code() == keErrorNone) return;
  record_->SetUnexamined(false);
  record_->ThrowCopy();
}

bool CoreResult::HasCode(std::int32_t code) const {
  if (!record_) return code == 0;
  record_->SetUnexamined(false);
  return record_->Code() == code;
}

// ---------------------------------------------------------------------------------------------

namespace {

struct ResourceModuleEntry {
  std::string name;
  HINSTANCE module;
};

class ResourceModuleRegistry {
 public:
  static ResourceModuleRegistry& Instance() {
    static ResourceModuleRegistry registry;
    return registry;
  }

  void Add(const char* name, HINSTANCE module) {
    std::lock_guard<std::mutex> guard(lock_);
    entries_.push_back({name, module});
  }

  void Remove(const char* name) {
    std::lock_guard<std::mutex> guard(lock_);
    for (auto entry = entries_.begin(); entry != entries_.end(); ++entry) {
      if (entry->name == name) {
        entries_.erase(entry);
        return;
      }
    }
  }

  // The first module whose name contains the searched name, ignoring case.
  HINSTANCE Find(const char* name) {
    std::string wanted = UpperCase(name);
    std::lock_guard<std::mutex> guard(lock_);
    for (const ResourceModuleEntry& entry : entries_) {
      if (UpperCase(entry.name).find(wanted) != std::string::npos) return entry.module;
    }
    return nullptr;
  }

 private:
  static std::string UpperCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
  }

  std::mutex lock_;
  std::vector<ResourceModuleEntry> entries_;
};

constexpr char kErrorModuleName[] = "CoreErrorCodes";
constexpr char kFallbackFormat[] = "An undefined error has occured - %u";
constexpr UINT kFormatStringId = 65535;

HINSTANCE ErrorTextModule() {
  static std::atomic<HINSTANCE> cached{nullptr};
  HINSTANCE module = cached.load(std::memory_order_acquire);
  if (!module) {
    module = FindResourceModule(kErrorModuleName);
    cached.store(module, std::memory_order_release);
  }
  return module;
}

}  // namespace

void RegisterResourceModule(const char* name, HINSTANCE module) {
  ResourceModuleRegistry::Instance().Add(name, module);
}

void UnregisterResourceModule(const char* name) { ResourceModuleRegistry::Instance().Remove(name); }

HINSTANCE FindResourceModule(const char* name) { return ResourceModuleRegistry::Instance().Find(name); }

int GetCoreErrorText(std::int32_t code, char* buffer, std::int16_t size) {
  if (!buffer || size <= 0) return 0;
  HINSTANCE module = ErrorTextModule();
  int length = LoadString(module, static_cast<UINT>(code), buffer, size);
  if (length > 0) return length;

  char format[CJException::kMessageBufferSize];
  if (LoadString(module, kFormatStringId, format, sizeof format) == 0) {
    std::memcpy(format, kFallbackFormat, sizeof kFallbackFormat);
  }
  int formatted = std::snprintf(buffer, static_cast<std::size_t>(size), format, static_cast<unsigned>(code));
  if (formatted < 0) {
    buffer[0] = '\0';
    return 0;
  }
  return formatted < size ? formatted : size - 1;
}

}  // namespace corvel
