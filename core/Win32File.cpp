#include "core/Win32File.h"

#include <cstring>

#include "platform/win32/Error.h"
#include "platform/win32/File.h"

namespace corvel {

HANDLE Win32File::InvalidHandle() { return INVALID_HANDLE_VALUE; }

Win32File::~Win32File() {
  if (IsOpen()) CloseHandle(handle_);
}

void Win32File::Require(bool condition) const {
  if (!condition) throw CJException(keErrorBadArgument);
}

void Win32File::SetName(const char* name) {
  Require(name_[0] == '\0' && name && std::strlen(name) <= kMaxName);
  std::strcpy(name_, name);
}

void Win32File::Open(int mode) {
  Require(name_[0] != '\0' && mode_ == keFileClosed && !IsOpen());
  mode_ = mode;
  switch (mode) {
    case keFileRead:
      handle_ = CreateFileA(name_, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
      break;
    case keFileReadWrite:
      handle_ = CreateFileA(name_, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
      break;
    case keFileWrite: {
      // A read-only file is rewritten and stays read-only.
      const DWORD attributes = GetFileAttributesA(name_);
      const bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
      if (readOnly) SetFileAttributesA(name_, FILE_ATTRIBUTE_NORMAL);
      handle_ = CreateFileA(name_, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL, nullptr);
      // Recreating an existing file need not apply the attribute: set it again on the name.
      if (readOnly && IsOpen()) SetFileAttributesA(name_, FILE_ATTRIBUTE_READONLY);
      break;
    }
    default:
      break;
  }
  if (!IsOpen()) {
    mode_ = keFileClosed;
    throw CJException(mode == keFileRead ? keErrorFileOpenRead : keErrorFileOpenWrite);
  }
}

void Win32File::Write(const void* buffer, std::uint32_t count) {
  Require((mode_ == keFileReadWrite || mode_ == keFileWrite) && IsOpen() && buffer);
  DWORD written = 0;
  if (!WriteFile(handle_, buffer, count, &written, nullptr) || written != count)
    throw CJException(keErrorFileWrite);
}

void Win32File::Flush() {
  Require((mode_ == keFileReadWrite || mode_ == keFileWrite) && IsOpen());
  if (!FlushFileBuffers(handle_)) throw CJException(keErrorFileWrite);
}

std::uint32_t Win32File::Read(void* buffer, std::uint32_t count, bool exact) {
  Require((mode_ == keFileRead || mode_ == keFileReadWrite) && IsOpen() && buffer);
  DWORD read = 0;
  const BOOL ok = ReadFile(handle_, buffer, count, &read, nullptr);
  if (read == 0 && count > 0) {
    if (exact) throw CJException(keErrorFileRead);
    return 0;
  }
  const bool endOfFile = !ok && GetLastError() == ERROR_HANDLE_EOF;
  if ((ok || endOfFile) && (!exact || read == count)) return read;
  throw CJException(keErrorFileRead);
}

void Win32File::Close() {
  if (IsOpen()) CloseHandle(handle_);
  handle_ = InvalidHandle();
  mode_ = keFileClosed;
}

void Win32File::Delete() {
  Require(name_[0] != '\0');
  Close();
  if (!DeleteFileA(name_)) throw CJException(keErrorFileDelete);
}

std::uint32_t Win32File::GetSize() {
  Require(IsOpen());
  const DWORD size = GetFileSize(handle_, nullptr);
  if (size == INVALID_FILE_SIZE) throw CJException(keErrorFileSize);
  return size;
}

std::uint32_t Win32File::Seek(std::int32_t offset, int origin) {
  Require(IsOpen());
  if (origin < 0 || origin > 2) throw CJException(keErrorFileSize);
  const DWORD position = SetFilePointer(handle_, offset, nullptr, static_cast<DWORD>(origin));
  if (position == INVALID_SET_FILE_POINTER) throw CJException(keErrorFileSize);
  return position;
}

namespace {

int Le16(const BYTE* p) { return p[0] | (p[1] << 8); }

int TypeFromMagic(const BYTE* b) {
  if (b[0] == 'B' && b[1] == 'M') return keImageFileBMP;
  if (std::memcmp(b, "GIF8", 4) == 0 && b[5] == 'a') return keImageFileGIF;
  if (b[0] == 0xFF && b[1] == 0xD8) return keImageFileJPEG;
  if (b[0] == 10 && b[1] <= 5 && b[2] == 1 && b[3] < 9) return keImageFilePCX;
  if (std::memcmp(b, "\x89PNG\r\n\x1A\n", 8) == 0) return keImageFilePNG;
  if (std::memcmp(b, "MM\0*", 4) == 0 || std::memcmp(b, "II*\0", 4) == 0) return keImageFileTIFF;
  if ((b[0] == 1 || b[0] == 2) && b[1] == 0 && Le16(b + 2) == 9 && b[4] == 0 && (b[5] == 1 || b[5] == 3))
    return keImageFileWMF;
  if (b[0] == 0xD7 && b[1] == 0xCD && b[2] == 0xC6 && b[3] == 0x9A) return keImageFileWMF;
  return keImageFileUnknown;
}

// TGA has no magic number: its 18-byte header must describe a plausible image.
bool IsTargaHeader(const BYTE* b) {
  const int width = Le16(b + 12);
  const int height = Le16(b + 14);
  const int xOrigin = Le16(b + 8);
  const int yOrigin = Le16(b + 10);
  const bool imageType = b[2] == 1 || b[2] == 2 || b[2] == 3 || b[2] == 9 || b[2] == 10 || b[2] == 11;
  const bool depth = b[16] == 8 || b[16] == 15 || b[16] == 16 || b[16] == 24 || b[16] == 32;
  return b[1] <= 1 && imageType && depth && width != 0 && height != 0 && (xOrigin == 0 || xOrigin == width) &&
         (yOrigin == 0 || yOrigin == height);
}

int Identify(Win32File& file) {
  BYTE head[2048] = {};
  file.Open(keFileRead);
  if (file.Read(head, sizeof head, false) < sizeof head) {
    file.Seek(0, FILE_BEGIN);
    if (file.Read(head, 32, false) < 32) {
      file.Seek(0, FILE_BEGIN);
      file.Read(head, 16, true);
    }
  }
  file.Close();
  const int type = TypeFromMagic(head);
  if (type != keImageFileUnknown) return type;

  BYTE header[18] = {};
  file.Open(keFileRead);
  const std::uint32_t read = file.Read(header, sizeof header, false);
  file.Close();
  return read == sizeof header && IsTargaHeader(header) ? keImageFileTGA : keImageFileUnknown;
}

}  // namespace

CoreResult IdentifyImageFile(Win32File& file, int* type) {
  if (!type) return keErrorBadArgument;
  *type = keImageFileUnknown;
  try {
    *type = Identify(file);
  } catch (const CJException& error) {
    file.Close();
    return CoreResult(error);
  }
  return CoreResult();
}

CoreResult LoadImageFile(const char* name, int* type) {
  if (!name || !*name) return keErrorBadArgument;
  Win32File file;
  try {
    file.SetName(name);
  } catch (const CJException& error) {
    return CoreResult(error);
  }
  return IdentifyImageFile(file, type);
}

}  // namespace corvel
