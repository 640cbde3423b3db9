// Saves that run out of room: whichever write fails, the encode says so and the file that was
// there before is left as it was. An encode into memory that runs out of it says so.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "codecs/ImageFile.h"
#include "codecs/MemoryStream.h"
#include "tests/WaitUntil.h"
#include "tests/codecs/TempDir.h"
#include "tests/codecs/TiffBlock.h"

namespace {

// Refuses every write that would reach past its limit, as a full disk does, and remembers it
// as a file's error flag does.
class FullStream : public CMemoryStream {
 public:
  explicit FullStream(long limit) : limit_(limit) { Open(); }
  std::size_t Write(const void* buffer, std::size_t size, std::size_t count) override {
    if (Tell() + static_cast<long>(size * count) <= limit_) return CMemoryStream::Write(buffer, size, count);
    failed_ = true;
    return 0;
  }
  bool PutC(unsigned char c) override { return Write(&c, 1, 1) == 1; }
  long Error() override { return failed_ ? 1 : CMemoryStream::Error(); }

 private:
  long limit_;
  bool failed_ = false;
};

struct Saved {
  const char* name;
  unsigned long type;
  unsigned long bpp;
};

const Saved kSaved[] = {
    {"bmp", keImageFormatBMP, 24}, {"gif", keImageFormatGIF, 8},  {"jpg", keImageFormatJPG, 24},
    {"png", keImageFormatPNG, 24}, {"ico", keImageFormatICO, 24}, {"tif", keImageFormatTIF, 24},
    {"tga", keImageFormatTGA, 24}, {"pcx", keImageFormatPCX, 24}, {"wbmp", keImageFormatWBMP, 1},
    {"jp2", keImageFormatJP2, 24}, {"jpc", keImageFormatJPC, 24}, {"pnm", keImageFormatPNM, 24},
    {"ras", keImageFormatRAS, 24},
};

CImageFile Picture(long width, long height, unsigned long bpp) {
  CImageFile image(width, height, 24, keImageFormatUnknown);
  for (long y = 0; y < height; ++y) {
    for (long x = 0; x < width; ++x) {
      image.SetPixelColor(x, y, RGBQUAD{static_cast<BYTE>(x * 37 + y), static_cast<BYTE>(y * 91), 40, 0});
    }
  }
  if (bpp < 24) image.DecreaseBpp(bpp, false);
  image.SetCodecOption(1, keImageFormatTIF);  // uncompressed, so its size is known
  return image;
}

// A tmpfs of its own, mounted over a fresh directory; unmounted at the end.
class SmallDisk {
 public:
  explicit SmallDisk(const char* size) {
    const std::string options = std::string("size=") + size;
    mounted_ = mount("tmpfs", dir_.Path("").c_str(), "tmpfs", 0, options.c_str()) == 0;
    if (!mounted_) why_ = std::strerror(errno);
  }
  ~SmallDisk() {
    if (mounted_) umount2(dir_.Path("").c_str(), MNT_DETACH);
  }
  bool Mounted() const { return mounted_; }
  const std::string& Why() const { return why_; }
  std::string Path(const std::string& name) const { return dir_.Path(name); }

  // Fills the disk up to all but `free` bytes (whole pages) with one file.
  void FillLeaving(long free) {
    FILE* filler = std::fopen(Path("filler").c_str(), "wb");
    ASSERT_TRUE(filler);
    std::setvbuf(filler, nullptr, _IONBF, 0);
    const std::vector<char> page(4096, 'x');
    long written = 0;
    while (std::fwrite(page.data(), 1, page.size(), filler) == page.size()) written += 4096;
    std::fclose(filler);
    ASSERT_EQ(truncate(Path("filler").c_str(), written > free ? written - free : 0), 0);
  }

 private:
  TempDir dir_;
  bool mounted_ = false;
  std::string why_;
};

}  // namespace

TEST(FullDisk, EveryEncoderReportsAWriteThatFails) {
  for (const Saved& s : kSaved) {
    CImageFile image = Picture(13, 9, s.bpp);
    const Bytes whole = EncodeToBytes(image, s.type);
    ASSERT_FALSE(whole.empty()) << s.name << ": " << image.GetLastError();
    for (long limit = 0; limit < static_cast<long>(whole.size()); ++limit) {
      FullStream stream(limit);
      ASSERT_FALSE(image.Encode(&stream, s.type)) << s.name << " with room for " << limit << " bytes";
      EXPECT_STRNE(image.GetLastError(), "") << s.name;
    }
  }
}

TEST(FullDisk, ASaveThatRunsOutOfRoomKeepsTheOldFile) {
  SmallDisk disk("256k");
  if (!disk.Mounted()) GTEST_SKIP() << "cannot mount a small tmpfs here: " << disk.Why();
  for (const Saved& s : kSaved) {
    const std::string path = disk.Path(std::string("picture.") + s.name);
    CImageFile old = Picture(5, 5, s.bpp);
    ASSERT_TRUE(old.Save(path.c_str(), s.type)) << s.name << ": " << old.GetLastError();
    const Bytes before = ReadFile(path);
    CImageFile image = Picture(97, 61, s.bpp);
    const long size = static_cast<long>(EncodeToBytes(image, s.type).size());
    // Room for nothing, and room for all but the last page of the file.
    for (const long free : {0L, (size - 1) / 4096 * 4096}) {
      disk.FillLeaving(free);
      EXPECT_FALSE(image.Save(path.c_str(), s.type)) << s.name << " with " << free << " bytes free";
      EXPECT_STRNE(image.GetLastError(), "") << s.name;
      EXPECT_EQ(ReadFile(path), before) << s.name;
      std::remove(disk.Path("filler").c_str());
    }
  }
  std::remove(disk.Path("filler").c_str());
}

// The sanitizers reserve terabytes of address space: a limit on it stops them from starting.
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
TEST(ShortMemory, AnEncodeIntoMemoryThatRunsOutSaysSoRatherThanThatTheWriteFailed) {
  for (unsigned long type : {keImageFormatBMP, keImageFormatTGA}) {
    SCOPED_TRACE(type);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      CImageFile image;
      if (!image.Create(4096, 4096, 24, type)) _exit(2);
      long pages = 0;
      std::ifstream("/proc/self/statm") >> pages;
      // Room for half the 48 MB the encoded picture takes.
      const rlim_t room = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (rlim_t{24} << 20);
      const rlimit limit{room, room};
      if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(2);
      unsigned char* buffer = nullptr;
      long size = 0;
      if (image.Encode(buffer, size, type)) _exit(3);
      _exit(std::strcmp(image.GetLastError(), "Encode: can't allocate memory") == 0 ? 0 : 4);
    }
    int status = 0;
    ASSERT_TRUE(wf_test::WaitForChild(child, status));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "2: no limit set, 3: encoded all the same, 4: another reason";
  }
}
#endif
