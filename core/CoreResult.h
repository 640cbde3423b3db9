// Image core (namespace corvel): banded row images, pixel formats, colours, results and errors,
// progress meters, memory. Uses only the platform layer; everything above builds on it.
//
// Results and errors: every core operation answers a CoreResult, empty for success or a handle
// on a shared error record. A record nobody examined is thrown as CJException when its last
// handle goes, unless an exception is already unwinding the stack; a result is never dropped
// unread for that (a caller that means to drop one reads its code).
#pragma once
#include <atomic>
#include <cstdint>
#include <exception>

#include "platform/win32/Types.h"

namespace corvel {

enum CorvelErrorCode : std::int32_t {
  keErrorNone = 0,
  keErrorStopped = 100,
  keErrorBadArgument = 101,
  keErrorNoMemory = 102,
  keErrorMissingOperand = 106,
  keErrorNotCreated = 110,
  keErrorFormatNotSupported = 120,
  keErrorFileOpenWrite = 200,
  keErrorFileOpenRead = 201,
  keErrorFileRead = 202,
  keErrorFileWrite = 203,
  keErrorFileDelete = 204,
  keErrorFileSize = 208,
  keErrorBitmapRender = 801,
};

class CJException : public std::exception {
 public:
  static constexpr std::size_t kMessageBufferSize = 512;

  CJException(std::int32_t code, std::uint32_t context0 = 0, bool owned = false, bool unexamined = false,
              std::uint32_t context1 = 0, std::uint32_t context2 = 0);
  // A copy carries code, message and context; it starts unshared and unexamined.
  CJException(const CJException& other);
  CJException& operator=(const CJException&) = delete;
  ~CJException() override;

  const char* what() const noexcept override;
  [[noreturn]] virtual void ThrowCopy() const;

  std::int32_t Code() const { return code_; }
  void SetMessage(const char* text);

  // Takes a handle's reference away. The last release of an unexamined error throws a copy
  // (outside unwinding); an owned record is deleted at its last release either way.
  // Answers the references left.
  std::int32_t Release();
  void AddRef() { refCount_.fetch_add(1, std::memory_order_relaxed); }
  std::int32_t RefCount() const { return refCount_.load(); }

  bool Unexamined() const { return unexamined_.load(std::memory_order_relaxed); }
  void SetUnexamined(bool value) { unexamined_.store(value, std::memory_order_relaxed); }
  bool Owned() const { return owned_; }

  // The record that stands in when recording an error cannot allocate: code 102, never freed.
  static CJException& OutOfMemoryRecord();

 private:
  friend class CoreResult;
  std::int32_t code_;
  std::atomic<std::int32_t> refCount_{0};
  bool owned_;
  std::atomic<bool> unexamined_;
  mutable const char* message_ = nullptr;
  mutable char* ownMessage_ = nullptr;  // set when a text did not fit the buffer
  std::uint32_t context_[3];
  mutable char messageBuffer_[kMessageBufferSize];
};

class [[nodiscard]] CoreResult {
 public:
  CoreResult() = default;
  CoreResult(std::int32_t code);  // NOLINT: codes convert implicitly, as results are returned
  CoreResult(const CoreResult& other);
  explicit CoreResult(const CJException& caught);
  ~CoreResult() noexcept(false);

  CoreResult& operator=(const CoreResult& other);
  CoreResult& operator=(std::int32_t code);

  // Replaces the held error; the replaced one is dropped without throwing.
  void SetError(std::int32_t code, std::uint32_t context0 = 0, std::uint32_t context1 = 0,
                std::uint32_t context2 = 0);
  std::int32_t GetCode() const;
  bool HasCode(std::int32_t code) const;
  // Success; like reading the code, it examines the error.
  bool Ok() const { return GetCode() == keErrorNone; }
  // For a caller that has no result of its own to hand an error back in: throws it.
  void ThrowIfFailed() const;

  // Peeks without marking the error examined; for diagnostics and tests only.
  const CJException* Record() const { return record_; }

 private:
  void ReleaseHeld();
  CJException* record_ = nullptr;
};

// The text of a core code: from the string table of the "CoreErrorCodes" resource module, else
// "An undefined error has occured - %u". Answers the length written into buffer.
int GetCoreErrorText(std::int32_t code, char* buffer, std::int16_t size);

// Resource modules by name. Nothing in the filter adds one, so texts fall back to the main
// module's table and then to the format above.
void RegisterResourceModule(const char* name, HINSTANCE module);
void UnregisterResourceModule(const char* name);
HINSTANCE FindResourceModule(const char* name);

}  // namespace corvel
