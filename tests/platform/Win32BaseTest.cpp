#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/win32/Win32.h"

namespace {

TEST(Clock, VirtualClockMovesOnlyWhenAdvanced) {
  platform::VirtualClockScope scope;
  LARGE_INTEGER before, after, frequency;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&before);
  DWORD ticksBefore = GetTickCount();
  QueryPerformanceCounter(&after);
  EXPECT_EQ(before.QuadPart, after.QuadPart);

  platform::AdvanceVirtualClock(std::chrono::milliseconds(250));
  QueryPerformanceCounter(&after);
  EXPECT_EQ(after.QuadPart - before.QuadPart, frequency.QuadPart / 4);
  EXPECT_EQ(GetTickCount() - ticksBefore, 250u);
}

TEST(Clock, SystemClockIsMonotonic) {
  LARGE_INTEGER a, b;
  QueryPerformanceCounter(&a);
  QueryPerformanceCounter(&b);
  EXPECT_LE(a.QuadPart, b.QuadPart);
  EXPECT_FALSE(platform::IsVirtualClock());
}

TEST(MulDiv, RoundsHalfAwayFromZeroAndRefusesOverflow) {
  struct Case {
    int number, numerator, denominator, expected;
  };
  const Case cases[] = {
      {10, 10, 3, 33},    {5, 1, 2, 3},           {-5, 1, 2, -3},
      {5, -1, 2, -3},     {-5, -1, 2, 3},         {7, 3, -2, -11},
      {1, 1, 0, -1},      {0x40000000, 4, 1, -1}, {0x7FFFFFFF, 2, 2, 0x7FFFFFFF},
      {100, 96, 72, 133},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MulDiv(c.number, c.numerator, c.denominator), c.expected)
        << c.number << " * " << c.numerator << " / " << c.denominator;
  }
}

TEST(CodePages, SingleBytePlatformPageAndKnownDoubleBytePages) {
  CPINFO info;
  for (UINT single : {CP_ACP, CP_OEMCP, 1252u}) {
    ASSERT_TRUE(GetCPInfo(single, &info)) << single;
    EXPECT_EQ(info.MaxCharSize, 1u);
    EXPECT_EQ(info.LeadByte[0], 0);
    EXPECT_FALSE(IsDBCSLeadByteEx(single, 0x82));
  }
  ASSERT_TRUE(GetCPInfo(932, &info));
  EXPECT_EQ(info.MaxCharSize, 2u);
  EXPECT_EQ(info.LeadByte[2], 0xE0);
  EXPECT_EQ(info.LeadByte[4], 0);
  EXPECT_TRUE(IsDBCSLeadByteEx(932, 0x9F));
  EXPECT_FALSE(IsDBCSLeadByteEx(932, 0xA0));
  EXPECT_TRUE(IsDBCSLeadByteEx(950, 0xFE));
  EXPECT_FALSE(GetCPInfo(1251, &info));
  EXPECT_FALSE(GetCPInfo(CP_ACP, nullptr));
}

TEST(CodePages, TextGoesToUtf8AndBackWithTheCharactersThePageLacksAsQuestionMarks) {
  const struct {
    const char* text;  // in the code page
    const char* utf8;
  } pairs[] = {
      {"Sunset 2", "Sunset 2"},
      {"Caf\xe9", "Caf\xc3\xa9"},
      {"\x80 \x9f\xff", "\xe2\x82\xac \xc5\xb8\xc3\xbf"},
  };
  for (const auto& pair : pairs) {
    EXPECT_EQ(platform::Utf8FromCodePage(pair.text), pair.utf8) << pair.text;
    std::string back;
    EXPECT_TRUE(platform::CodePageFromUtf8(pair.utf8, &back)) << pair.utf8;
    EXPECT_EQ(back, pair.text);
  }
  std::string text = "kept";
  EXPECT_TRUE(platform::CodePageFromUtf8("\xe6\x97\xa5\xf0\x9f\x98\x80 x", &text));
  EXPECT_EQ(text, "?? x");
  // Bytes of the code page itself, cut, overlong, a surrogate, past the last character.
  for (const char* notUtf8 : {"Caf\xe9", "\xc3", "\xe2\x82", "\xc0\xaf", "\xe0\x80\xaf", "\xed\xa0\x80",
                              "\xf4\x90\x80\x80", "\x80"}) {
    text = "kept";
    EXPECT_FALSE(platform::CodePageFromUtf8(notUtf8, &text)) << notUtf8;
    EXPECT_EQ(text, "kept");
  }
}

TEST(Rectangles, IntersectionAndEmptiness) {
  RECT a{0, 0, 10, 10}, b{5, -5, 20, 5}, result;
  EXPECT_TRUE(IntersectRect(&result, &a, &b));
  EXPECT_EQ(result.left, 5);
  EXPECT_EQ(result.top, 0);
  EXPECT_EQ(result.right, 10);
  EXPECT_EQ(result.bottom, 5);

  RECT touching{10, 0, 20, 10};
  result = {1, 2, 3, 4};
  EXPECT_FALSE(IntersectRect(&result, &a, &touching));
  EXPECT_EQ(result.left | result.top | result.right | result.bottom, 0);

  RECT inverted{5, 5, 4, 6};
  EXPECT_TRUE(IsRectEmpty(&inverted));
  EXPECT_FALSE(IsRectEmpty(&a));
  OffsetRect(&a, 3, -2);
  EXPECT_EQ(a.left, 3);
  EXPECT_EQ(a.bottom, 8);
}

TEST(LoadString, ReadsTheModulesTableAndTruncates) {
  static const StringResource table[] = {{7, "Seven"}, {65535, "Code %u"}};
  HINSTANCE module = reinterpret_cast<HINSTANCE>(0x1000);
  platform::RegisterStringTable(module, table, 2);

  char buffer[16];
  EXPECT_EQ(LoadString(module, 7, buffer, sizeof buffer), 5);
  EXPECT_STREQ(buffer, "Seven");
  EXPECT_EQ(LoadString(module, 7, buffer, 4), 3);
  EXPECT_STREQ(buffer, "Sev");
  EXPECT_EQ(LoadString(module, 8, buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(LoadString(nullptr, 7, buffer, sizeof buffer), 0);

  platform::UnregisterStringTable(module);
  EXPECT_EQ(LoadString(module, 7, buffer, sizeof buffer), 0);
}

TEST(Synchronisation, CriticalSectionIsReentrantAndExcludesOtherThreads) {
  CRITICAL_SECTION section;
  InitializeCriticalSection(&section);
  EnterCriticalSection(&section);
  EXPECT_TRUE(TryEnterCriticalSection(&section));  // the same thread may enter again
  BOOL otherThreadGotIn = TRUE;
  std::thread([&] { otherThreadGotIn = TryEnterCriticalSection(&section); }).join();
  EXPECT_FALSE(otherThreadGotIn);
  LeaveCriticalSection(&section);
  LeaveCriticalSection(&section);
  std::thread([&] {
    otherThreadGotIn = TryEnterCriticalSection(&section);
    if (otherThreadGotIn) LeaveCriticalSection(&section);
  }).join();
  EXPECT_TRUE(otherThreadGotIn);
  DeleteCriticalSection(&section);
}

TEST(Synchronisation, InterlockedCountersCountEveryIncrement) {
  LONG counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 10000; ++i) InterlockedIncrement(&counter);
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(counter, 40000);
  EXPECT_EQ(InterlockedDecrement(&counter), 39999);
  EXPECT_EQ(InterlockedExchange(&counter, 5), 39999);
  EXPECT_EQ(InterlockedCompareExchange(&counter, 9, 4), 5);  // no match: unchanged
  EXPECT_EQ(InterlockedCompareExchange(&counter, 9, 5), 5);
  EXPECT_EQ(counter, 9);
}

}  // namespace
