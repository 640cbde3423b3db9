#include "platform/win32/File.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>
#include <unordered_set>

#include "platform/win32/Error.h"
#include "platform/win32/Memory.h"

namespace {

// A handle points at one of these; the registry tells live handles from stale or foreign ones.
struct KernelObject {
  enum class Type { kFile, kMapping } type;
  int descriptor;
  ULONGLONG mappingSize = 0;  // mappings only
  bool writable = false;      // mappings only
};

struct Objects {
  std::mutex mutex;
  std::unordered_set<KernelObject*> live;
  std::unordered_map<const void*, SIZE_T> views;  // view address -> length
};

Objects& Registry() {
  static Objects objects;
  return objects;
}

HANDLE Register(KernelObject::Type type, int descriptor, ULONGLONG mappingSize = 0, bool writable = false) {
  auto* object = new (std::nothrow) KernelObject{type, descriptor, mappingSize, writable};
  if (object) {
    Objects& objects = Registry();
    try {
      std::lock_guard<std::mutex> lock(objects.mutex);
      objects.live.insert(object);
      return object;
    } catch (const std::bad_alloc&) {
      delete object;
    }
  }
  close(descriptor);
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return nullptr;
}

// The live object of that type behind a handle, or null with ERROR_INVALID_HANDLE.
KernelObject* Find(HANDLE handle, KernelObject::Type type) {
  Objects& objects = Registry();
  std::lock_guard<std::mutex> lock(objects.mutex);
  auto* object = static_cast<KernelObject*>(handle);
  if (objects.live.count(object) && object->type == type) return object;
  SetLastError(ERROR_INVALID_HANDLE);
  return nullptr;
}

BOOL FailWithErrno() {
  SetLastError(platform::ErrorFromErrno(errno));
  return FALSE;
}

}  // namespace

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD, SECURITY_ATTRIBUTES*, DWORD disposition,
                   DWORD flagsAndAttributes, HANDLE) {
  if (!name || !*name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  int flags = O_CLOEXEC;
  const bool read = access & GENERIC_READ, write = access & GENERIC_WRITE;
  flags |= read && write ? O_RDWR : write ? O_WRONLY : O_RDONLY;
  switch (disposition) {
    case CREATE_NEW:
      flags |= O_CREAT | O_EXCL;
      break;
    case CREATE_ALWAYS:
      flags |= O_CREAT | O_TRUNC;
      break;
    case OPEN_EXISTING:
      break;
    case OPEN_ALWAYS:
      flags |= O_CREAT;
      break;
    case TRUNCATE_EXISTING:
      flags |= O_TRUNC;
      break;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return INVALID_HANDLE_VALUE;
  }
  const mode_t mode = (flagsAndAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
  const int descriptor = open(name, flags, mode);
  if (descriptor < 0) {
    FailWithErrno();
    return INVALID_HANDLE_VALUE;
  }
  HANDLE file = Register(KernelObject::Type::kFile, descriptor);
  return file ? file : INVALID_HANDLE_VALUE;
}

BOOL ReadFile(HANDLE handle, LPVOID buffer, DWORD count, DWORD* read, OVERLAPPED*) {
  if (read) *read = 0;
  KernelObject* file = Find(handle, KernelObject::Type::kFile);
  if (!file) return FALSE;
  DWORD done = 0;
  while (done < count) {
    const ssize_t got = ::read(file->descriptor, static_cast<BYTE*>(buffer) + done, count - done);
    if (got < 0) {
      if (errno == EINTR) continue;
      if (read) *read = done;
      return FailWithErrno();
    }
    if (got == 0) break;
    done += static_cast<DWORD>(got);
  }
  if (read) *read = done;
  return TRUE;
}

BOOL WriteFile(HANDLE handle, LPCVOID buffer, DWORD count, DWORD* written, OVERLAPPED*) {
  if (written) *written = 0;
  KernelObject* file = Find(handle, KernelObject::Type::kFile);
  if (!file) return FALSE;
  DWORD done = 0;
  while (done < count) {
    const ssize_t put = ::write(file->descriptor, static_cast<const BYTE*>(buffer) + done, count - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      if (written) *written = done;
      return FailWithErrno();
    }
    done += static_cast<DWORD>(put);
  }
  if (written) *written = done;
  return TRUE;
}

DWORD SetFilePointer(HANDLE handle, LONG distance, LONG* distanceHigh, DWORD method) {
  KernelObject* file = Find(handle, KernelObject::Type::kFile);
  if (!file) return INVALID_SET_FILE_POINTER;
  int whence;
  switch (method) {
    case FILE_BEGIN:
      whence = SEEK_SET;
      break;
    case FILE_CURRENT:
      whence = SEEK_CUR;
      break;
    case FILE_END:
      whence = SEEK_END;
      break;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return INVALID_SET_FILE_POINTER;
  }
  // Without a high word the distance is a signed 32-bit value; with one, the two make 64 bits.
  const off_t offset = distanceHigh ? static_cast<off_t>(
                                          (static_cast<ULONGLONG>(static_cast<DWORD>(*distanceHigh)) << 32) |
                                          static_cast<DWORD>(distance))
                                    : static_cast<off_t>(distance);
  const off_t position = lseek(file->descriptor, offset, whence);
  if (position < 0) {
    FailWithErrno();
    return INVALID_SET_FILE_POINTER;
  }
  if (distanceHigh) *distanceHigh = static_cast<LONG>(static_cast<ULONGLONG>(position) >> 32);
  SetLastError(NO_ERROR);
  return static_cast<DWORD>(position);
}

DWORD GetFileSize(HANDLE handle, DWORD* sizeHigh) {
  KernelObject* file = Find(handle, KernelObject::Type::kFile);
  if (!file) return INVALID_FILE_SIZE;
  struct stat status;
  if (fstat(file->descriptor, &status) != 0) {
    FailWithErrno();
    return INVALID_FILE_SIZE;
  }
  const auto size = static_cast<ULONGLONG>(status.st_size);
  if (sizeHigh) *sizeHigh = static_cast<DWORD>(size >> 32);
  SetLastError(NO_ERROR);
  return static_cast<DWORD>(size);
}

BOOL FlushFileBuffers(HANDLE handle) {
  KernelObject* file = Find(handle, KernelObject::Type::kFile);
  if (!file) return FALSE;
  return fsync(file->descriptor) == 0 ? TRUE : FailWithErrno();
}

BOOL CloseHandle(HANDLE handle) {
  Objects& objects = Registry();
  KernelObject* object = static_cast<KernelObject*>(handle);
  {
    std::lock_guard<std::mutex> lock(objects.mutex);
    if (!objects.live.erase(object)) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
  }
  const int result = close(object->descriptor);
  delete object;
  return result == 0 ? TRUE : FailWithErrno();
}

BOOL DeleteFileA(LPCSTR name) {
  if (!name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return unlink(name) == 0 ? TRUE : FailWithErrno();
}

DWORD GetFileAttributesA(LPCSTR name) {
  struct stat status;
  if (!name || stat(name, &status) != 0) {
    if (name) FailWithErrno();
    return INVALID_FILE_ATTRIBUTES;
  }
  if (S_ISDIR(status.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
  return (status.st_mode & S_IWUSR) ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_READONLY;
}

BOOL SetFileAttributesA(LPCSTR name, DWORD attributes) {
  struct stat status;
  if (!name || stat(name, &status) != 0) return name ? FailWithErrno() : FALSE;
  mode_t mode = status.st_mode & 07777;
  if (attributes & FILE_ATTRIBUTE_READONLY)
    mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
  else
    mode |= S_IWUSR;
  return chmod(name, mode) == 0 ? TRUE : FailWithErrno();
}

DWORD GetTempPathA(DWORD size, LPSTR buffer) {
  const char* folder = std::getenv("TMPDIR");
  if (!folder || !*folder) folder = "/tmp";
  const std::size_t length = std::strlen(folder);
  const bool slash = folder[length - 1] == '/';
  const DWORD needed = static_cast<DWORD>(length + (slash ? 0 : 1));
  if (!buffer || size <= needed) return needed + 1;
  std::memcpy(buffer, folder, length);
  if (!slash) buffer[length] = '/';
  buffer[needed] = '\0';
  return needed;
}

UINT GetTempFileNameA(LPCSTR path, LPCSTR prefix, UINT unique, LPSTR buffer) {
  if (!path || !prefix || !buffer || unique != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  char name[MAX_PATH];
  const char* separator = (*path && path[std::strlen(path) - 1] != '/') ? "/" : "";
  const int length = std::snprintf(name, sizeof name, "%s%s%sXXXXXX", path, separator, prefix);
  if (length < 0 || length >= static_cast<int>(sizeof name)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const int descriptor = mkstemp(name);
  if (descriptor < 0) return FailWithErrno();
  close(descriptor);
  std::memcpy(buffer, name, static_cast<std::size_t>(length) + 1);
  return 1;
}

HANDLE CreateFileMappingA(HANDLE fileHandle, SECURITY_ATTRIBUTES*, DWORD protect, DWORD sizeHigh,
                          DWORD sizeLow, LPCSTR name) {
  KernelObject* file = Find(fileHandle, KernelObject::Type::kFile);
  if (!file) return nullptr;
  if (name || (protect != PAGE_READONLY && protect != PAGE_READWRITE)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  struct stat status;
  if (fstat(file->descriptor, &status) != 0) {
    FailWithErrno();
    return nullptr;
  }
  ULONGLONG size = (static_cast<ULONGLONG>(sizeHigh) << 32) | sizeLow;
  const auto fileSize = static_cast<ULONGLONG>(status.st_size);
  if (size == 0) size = fileSize;
  if (size == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  // Reserving the blocks now turns a full disk into an error here instead of a fault on a
  // later write through a view.
  if (size > fileSize) {
    if (protect != PAGE_READWRITE) {
      SetLastError(ERROR_ACCESS_DENIED);
      return nullptr;
    }
    const int result = posix_fallocate(file->descriptor, 0, static_cast<off_t>(size));
    if (result != 0) {
      SetLastError(platform::ErrorFromErrno(result));
      return nullptr;
    }
  }
  const int descriptor = fcntl(file->descriptor, F_DUPFD_CLOEXEC, 0);
  if (descriptor < 0) {
    FailWithErrno();
    return nullptr;
  }
  return Register(KernelObject::Type::kMapping, descriptor, size, protect == PAGE_READWRITE);
}

LPVOID MapViewOfFile(HANDLE mappingHandle, DWORD access, DWORD offsetHigh, DWORD offsetLow, SIZE_T bytes) {
  KernelObject* mapping = Find(mappingHandle, KernelObject::Type::kMapping);
  if (!mapping) return nullptr;
  const ULONGLONG offset = (static_cast<ULONGLONG>(offsetHigh) << 32) | offsetLow;
  const bool write = access & FILE_MAP_WRITE;
  if (offset % kAllocationGranularity != 0 || offset >= mapping->mappingSize ||
      bytes > mapping->mappingSize - offset || (write && !mapping->writable)) {
    SetLastError(write && !mapping->writable ? ERROR_ACCESS_DENIED : ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (bytes == 0) bytes = static_cast<SIZE_T>(mapping->mappingSize - offset);
  void* view = mmap(nullptr, bytes, write ? PROT_READ | PROT_WRITE : PROT_READ, MAP_SHARED,
                    mapping->descriptor, static_cast<off_t>(offset));
  if (view == MAP_FAILED) {
    FailWithErrno();
    return nullptr;
  }
  Objects& objects = Registry();
  try {
    std::lock_guard<std::mutex> lock(objects.mutex);
    objects.views.emplace(view, bytes);
  } catch (const std::bad_alloc&) {
    munmap(view, bytes);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return view;
}

BOOL UnmapViewOfFile(LPCVOID address) {
  Objects& objects = Registry();
  std::lock_guard<std::mutex> lock(objects.mutex);
  auto view = objects.views.find(address);
  if (view == objects.views.end()) {
    SetLastError(ERROR_INVALID_ADDRESS);
    return FALSE;
  }
  munmap(const_cast<void*>(view->first), view->second);
  objects.views.erase(view);
  return TRUE;
}
