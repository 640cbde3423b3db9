// The core's file class: a named file opened for reading, reading and writing, or writing, with
// every failure thrown as CJException carrying a core code (200..208 for the file errors, 101
// for a call the file's state does not allow). On it sits the identification of image files by
// their first bytes.
#pragma once
#include <cstdint>

#include "core/CoreResult.h"
#include "platform/win32/Types.h"

namespace corvel {

class FileBase {
 public:
  virtual ~FileBase() = default;
};

enum Win32FileMode : std::int32_t {
  keFileClosed = 0,
  keFileRead = 1,
  keFileReadWrite = 2,
  keFileWrite = 3,
};

class Win32File : public FileBase {
 public:
  static constexpr int kMaxName = 512;

  Win32File() = default;
  ~Win32File() override;
  Win32File(const Win32File&) = delete;
  Win32File& operator=(const Win32File&) = delete;

  // Once only, while the name is empty; at most kMaxName characters.
  void SetName(const char* name);
  virtual void Open(int mode);
  virtual void Write(const void* buffer, std::uint32_t count);
  virtual void Flush();
  // Exact reads throw 202 unless all count bytes come back.
  virtual std::uint32_t Read(void* buffer, std::uint32_t count, bool exact);
  virtual void Close();
  virtual void Delete();
  virtual std::uint32_t GetSize();
  // Origin 0 the start, 1 the current position, 2 the end.
  virtual std::uint32_t Seek(std::int32_t offset, int origin);
  virtual const char* GetName() const { return name_; }

  int Mode() const { return mode_; }
  bool IsOpen() const { return handle_ != InvalidHandle(); }

 private:
  static HANDLE InvalidHandle();
  void Require(bool condition) const;

  char name_[kMaxName + 1] = {};
  HANDLE handle_ = InvalidHandle();
  std::int32_t mode_ = keFileClosed;
};

// Image-file types as the image-file library numbers them.
enum ImageFileType : int {
  keImageFileUnknown = 0,
  keImageFileBMP = 1,
  keImageFileGIF = 2,
  keImageFileJPEG = 3,
  keImageFilePNG = 4,
  keImageFileTIFF = 6,
  keImageFileTGA = 7,
  keImageFilePCX = 8,
  keImageFileWMF = 10,
};

// Names a file's type from its magic numbers; reads no pixels. File errors become the result.
CoreResult IdentifyImageFile(Win32File& file, int* type);
CoreResult LoadImageFile(const char* name, int* type);

}  // namespace corvel
