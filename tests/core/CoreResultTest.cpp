#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "core/CoreResult.h"
#include "platform/win32/Resource.h"

namespace corvel {
namespace {

CoreResult Fail(std::int32_t code) { return code; }

TEST(CoreResult, EmptyMeansSuccess) {
  CoreResult ok;
  EXPECT_EQ(ok.GetCode(), 0);
  EXPECT_TRUE(ok.HasCode(0));
  EXPECT_FALSE(ok.HasCode(101));
  EXPECT_TRUE(ok.Ok());
  CoreResult zero(0);
  EXPECT_EQ(zero.Record(), nullptr);
}

TEST(CoreResult, ExaminedErrorIsDroppedQuietly) {
  EXPECT_NO_THROW({
    CoreResult result = Fail(keErrorBadArgument);
    EXPECT_EQ(result.GetCode(), keErrorBadArgument);
  });
  EXPECT_NO_THROW({
    CoreResult result = Fail(keErrorBadArgument);
    EXPECT_FALSE(result.HasCode(0));  // any check counts as examining
  });
  EXPECT_NO_THROW({
    CoreResult result = Fail(keErrorBadArgument);
    EXPECT_FALSE(result.Ok());
  });
}

TEST(CoreResult, UnexaminedErrorThrowsWhenItsLastHandleGoes) {
  try {
    { CoreResult result = Fail(keErrorBadArgument); }
    FAIL() << "an unread error must throw";
  } catch (const CJException& error) {
    EXPECT_EQ(error.Code(), keErrorBadArgument);
  }
}

// Thrown once, with the record's code and message, and not again when the result goes.
TEST(CoreResult, ThrowIfFailedThrowsTheErrorOnce) {
  EXPECT_NO_THROW(CoreResult().ThrowIfFailed());
  CoreResult held = Fail(keErrorNoMemory);
  try {
    held.ThrowIfFailed();
    FAIL() << "a failure must throw";
  } catch (const CJException& error) {
    EXPECT_EQ(error.Code(), keErrorNoMemory);
    EXPECT_STREQ(error.what(), held.Record()->what());
  }
  EXPECT_NO_THROW(held = CoreResult());
}

TEST(CoreResult, UnexaminedErrorIsDroppedDuringUnwinding) {
  try {
    CoreResult result = Fail(keErrorBadArgument);
    throw std::runtime_error("first");
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "first");  // no second exception replaced it
  }
}

TEST(CoreResult, HandlesShareTheExaminedFlag) {
  EXPECT_NO_THROW({
    CoreResult first = Fail(keErrorNotCreated);
    CoreResult second(first);
    EXPECT_EQ(first.GetCode(), keErrorNotCreated);
  });
}

TEST(CoreResult, AssignmentAfterReadingMarksTheErrorUnexaminedAgain) {
  CoreResult first = Fail(keErrorNotCreated);
  EXPECT_EQ(first.GetCode(), keErrorNotCreated);
  EXPECT_THROW(
      {
        CoreResult second;
        second = first;
        first = CoreResult();  // hand the record to second alone
      },
      CJException);
}

TEST(CoreResult, ReplacingAnErrorNeverThrows) {
  CoreResult result = Fail(keErrorBadArgument);
  EXPECT_NO_THROW(result.SetError(keErrorFormatNotSupported));
  EXPECT_EQ(result.GetCode(), keErrorFormatNotSupported);
  EXPECT_NO_THROW(result.SetError(0));
  EXPECT_EQ(result.Record(), nullptr);
}

TEST(CoreResult, AssigningOutOfMemoryUsesTheStaticRecord) {
  CJException& record = CJException::OutOfMemoryRecord();
  std::int32_t countBefore = record.RefCount();
  {
    CoreResult result;
    result = keErrorNoMemory;
    EXPECT_EQ(result.Record(), &record);
    EXPECT_EQ(record.RefCount(), countBefore + 1);
    EXPECT_FALSE(record.Owned());
    EXPECT_EQ(result.GetCode(), keErrorNoMemory);
  }
  EXPECT_EQ(record.RefCount(), countBefore);
  EXPECT_EQ(record.Code(), keErrorNoMemory);  // still alive
}

TEST(CoreResult, ResultFromACaughtException) {
  CJException thrown(keErrorFileRead);
  thrown.SetMessage("read failed");
  CoreResult result(thrown);
  ASSERT_NE(result.Record(), nullptr);
  EXPECT_STREQ(result.Record()->what(), "read failed");
  EXPECT_EQ(result.GetCode(), keErrorFileRead);

  CoreResult none{CJException(0)};
  EXPECT_EQ(none.Record(), nullptr);
}

TEST(CJException, MessagesUpTo511CharactersStayInTheRecord) {
  CJException error(keErrorBadArgument);
  std::string fits(511, 'a'), tooLong(512, 'b');
  error.SetMessage(fits.c_str());
  EXPECT_EQ(error.what(), fits);
  error.SetMessage(tooLong.c_str());
  EXPECT_EQ(error.what(), tooLong);
  CJException copy(error);
  EXPECT_EQ(copy.what(), tooLong);
  EXPECT_EQ(copy.RefCount(), 0);
  EXPECT_FALSE(copy.Unexamined());
}

TEST(CoreErrorText, FallsBackToTheUndefinedErrorFormat) {
  CJException error(keErrorBadArgument);
  EXPECT_STREQ(error.what(), "An undefined error has occured - 101");

  char small[12];
  EXPECT_EQ(GetCoreErrorText(keErrorBadArgument, small, sizeof small), 11);
  EXPECT_STREQ(small, "An undefine");
}

TEST(CoreErrorText, ComesFromTheCoreErrorCodesModule) {
  static const StringResource texts[] = {{101, "Bad argument"}, {65535, "Core error %u"}};
  HINSTANCE module = reinterpret_cast<HINSTANCE>(0x2000);
  platform::RegisterStringTable(module, texts, 2);
  RegisterResourceModule("corvel.CoreErrorCodes.dll", module);

  char text[64];
  EXPECT_EQ(GetCoreErrorText(keErrorBadArgument, text, sizeof text), 12);
  EXPECT_STREQ(text, "Bad argument");
  GetCoreErrorText(keErrorNotCreated, text, sizeof text);
  EXPECT_STREQ(text, "Core error 110");

  platform::UnregisterStringTable(module);
  GetCoreErrorText(keErrorNotCreated, text, sizeof text);
  EXPECT_STREQ(text, "An undefined error has occured - 110");
  UnregisterResourceModule("corvel.CoreErrorCodes.dll");
}

TEST(ResourceModules, FoundByCaseBlindSubstring) {
  HINSTANCE module = reinterpret_cast<HINSTANCE>(0x3000);
  EXPECT_EQ(FindResourceModule("Palettes"), nullptr);
  RegisterResourceModule("Shared.PALETTES.res", module);
  EXPECT_EQ(FindResourceModule("palettes"), module);
  UnregisterResourceModule("Shared.PALETTES.res");
  EXPECT_EQ(FindResourceModule("palettes"), nullptr);
}

}  // namespace
}  // namespace corvel
