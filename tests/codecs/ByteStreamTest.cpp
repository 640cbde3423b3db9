#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "codecs/MemoryStream.h"
#include "codecs/StdioStream.h"
#include "tests/codecs/TempDir.h"

TEST(MemoryStream, ReadsWholeItemsFromACallersBuffer) {
  unsigned char bytes[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  {
    CMemoryStream stream(bytes, sizeof(bytes));
    unsigned char out[12] = {};
    EXPECT_EQ(stream.Read(out, 4, 3), 2u);  // 10 bytes copied, two whole items
    EXPECT_EQ(out[9], 9);
    EXPECT_EQ(stream.Read(out, 4, 3), 0u);
    EXPECT_TRUE(stream.Eof());
  }
  EXPECT_EQ(bytes[9], 9);  // the caller's buffer outlives the stream untouched
}

TEST(MemoryStream, SeeksClampBelowButNotAboveAndNeverOverflow) {
  unsigned char bytes[10] = {};
  CMemoryStream stream(bytes, sizeof(bytes));
  EXPECT_TRUE(stream.Seek(-5, 0));
  EXPECT_EQ(stream.Tell(), 0);
  EXPECT_FALSE(stream.Seek(0, 3));
  EXPECT_TRUE(stream.Seek(100, 0));
  EXPECT_EQ(stream.Error(), 1);
  EXPECT_EQ(stream.GetC(), -1);
  EXPECT_TRUE(stream.Seek(-4, 2));
  EXPECT_EQ(stream.Tell(), 6);
  EXPECT_TRUE(stream.Seek(-100, 1));
  EXPECT_EQ(stream.Tell(), 0);
  EXPECT_TRUE(stream.Seek(1000, 0));
  EXPECT_FALSE(stream.Seek(std::numeric_limits<long>::max(), 1));
  EXPECT_EQ(stream.Tell(), 1000);
  EXPECT_EQ(stream.Write(bytes, std::size_t{1} << 62, 4), 0u);
  EXPECT_EQ(stream.Size(), 10);
}

TEST(MemoryStream, GrowsZeroFillsGapsAndHandsItsBufferOver) {
  CMemoryStream stream;
  ASSERT_TRUE(stream.Open());
  EXPECT_FALSE(stream.Open());
  for (int i = 0; i < 5000; ++i) ASSERT_TRUE(stream.PutC(static_cast<unsigned char>(i)));
  stream.Seek(5006, 0);
  unsigned char tail[2] = {8, 9};
  EXPECT_EQ(stream.Write(tail, 2, 1), 1u);
  EXPECT_EQ(stream.Size(), 5008);
  unsigned char* detached = stream.GetBuffer(true);
  stream.Close();
  ASSERT_NE(detached, nullptr);
  EXPECT_EQ(detached[4999], static_cast<unsigned char>(4999));
  const unsigned char gap[8] = {0, 0, 0, 0, 0, 0, 8, 9};
  EXPECT_EQ(std::memcmp(detached + 5000, gap, 8), 0);
  std::free(detached);  // the caller owns it after GetBuffer(true)

  unsigned char bytes[3] = {1, 2, 3};
  CMemoryStream borrowed(bytes, sizeof(bytes));
  borrowed.Seek(0, 2);
  ASSERT_TRUE(borrowed.PutC(4));  // growing a caller's buffer moves to a copy
  EXPECT_NE(borrowed.GetBuffer(false), bytes);
  EXPECT_EQ(borrowed.GetBuffer(false)[3], 4);
  EXPECT_EQ(bytes[2], 3);
}

TEST(StdioStream, ClosesOnlyWhatItOpened) {
  TempDir dir;
  const std::string path = dir.Path("stream.bin");
  FILE* fp = std::fopen(path.c_str(), "wb+");
  ASSERT_NE(fp, nullptr);
  {
    CStdioStream borrowed(fp);
    EXPECT_TRUE(borrowed.PutC('a'));
    EXPECT_TRUE(borrowed.Close());
    EXPECT_FALSE(borrowed.Open(path.c_str(), "rb"));  // still holds the caller's stream
  }
  EXPECT_EQ(std::fputc('b', fp), 'b');  // neither Close nor destruction closed it
  EXPECT_EQ(std::fclose(fp), 0);

  CStdioStream owned;
  ASSERT_TRUE(owned.Open(path.c_str(), "rb"));
  EXPECT_EQ(owned.GetC(), 'a');
  EXPECT_EQ(owned.Size(), 2);
  EXPECT_EQ(owned.Tell(), 1);  // Size puts the position back
  EXPECT_TRUE(owned.Close());
  EXPECT_EQ(owned.GetC(), -1);
}

TEST(ByteStreams, WithoutStorageEveryOperationIsNeutral) {
  CMemoryStream memory;
  CStdioStream file;
  for (CByteStream* stream : {static_cast<CByteStream*>(&memory), static_cast<CByteStream*>(&file)}) {
    unsigned char byte = 0;
    EXPECT_EQ(stream->Read(&byte, 1, 1), 0u);
    EXPECT_EQ(stream->Write(&byte, 1, 1), 0u);
    EXPECT_FALSE(stream->Seek(0, 0));
    EXPECT_EQ(stream->Size(), -1);
    EXPECT_EQ(stream->Error(), -1);
    EXPECT_EQ(stream->GetC(), -1);
    EXPECT_FALSE(stream->PutC(1));
    EXPECT_FALSE(stream->Flush());
    EXPECT_TRUE(stream->Eof());
    EXPECT_TRUE(stream->Close());
  }
  EXPECT_EQ(memory.Tell(), -1);
  EXPECT_EQ(file.Tell(), 0);
}
