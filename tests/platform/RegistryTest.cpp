#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/registry/Registry.h"

namespace {

std::string Contents(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class Registry : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* base = std::getenv("WF_TEST_TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/wf-registry-XXXXXX";
    folder_ = mkdtemp(pattern.data());
    path_ = folder_ + "/config/registry";
    setenv("WF_REGISTRY", path_.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("WF_REGISTRY");
    std::filesystem::remove_all(folder_);
  }

  static HKEY Create(const char* subKey, DWORD* disposition = nullptr) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                             nullptr, &key, disposition),
              ERROR_SUCCESS);
    return key;
  }
  static void SetDword(HKEY key, const char* name, DWORD value) {
    ASSERT_EQ(RegSetValueEx(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4),
              ERROR_SUCCESS);
  }
  static LSTATUS GetDword(const char* subKey, const char* name, DWORD& value) {
    HKEY key = nullptr;
    LSTATUS status = RegOpenKeyEx(HKEY_CURRENT_USER, subKey, 0, KEY_READ, &key);
    if (status != ERROR_SUCCESS) return status;
    DWORD size = 4;
    status = RegQueryValueEx(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    return status;
  }
  // Runs `body` in a child process and answers how it ended.
  template <class Body>
  static int InChild(Body body) {
    pid_t child = fork();
    if (child == 0) {
      body();
      _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return status;
  }

  std::string folder_;
  std::string path_;
};

TEST_F(Registry, ValuesOfEveryTypeSurviveTheProcessThatWroteThem) {
  const std::string oddName = "100% \"odd\"\\name\n[x]";
  const BYTE binary[] = {0, 1, 0xFF, '\n', 0x25};
  int status = InChild([&] {
    HKEY key = Create("Software\\Veltramoor\\Wendle Forge");
    SetDword(key, "Feathering", 10);
    RegSetValueEx(key, oddName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>("text"), 5);
    RegSetValueEx(key, nullptr, 0, REG_BINARY, binary, sizeof binary);
    RegCloseKey(key);
  });
  ASSERT_TRUE(WIFEXITED(status));

  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "SOFTWARE\\veltramoor\\Wendle Forge", 0, KEY_READ, &key),
            ERROR_SUCCESS);
  char name[64];
  BYTE data[16];
  DWORD type = 0, nameSize = sizeof name, size = sizeof data;
  const struct {
    std::string name;
    DWORD type;
    std::string data;
  } expected[] = {{"Feathering", REG_DWORD, std::string("\x0a\0\0\0", 4)},
                  {oddName, REG_SZ, std::string("text", 5)},
                  {"", REG_BINARY, std::string(reinterpret_cast<const char*>(binary), sizeof binary)}};
  for (DWORD i = 0; i < 3; ++i) {
    nameSize = sizeof name;
    size = sizeof data;
    ASSERT_EQ(RegEnumValue(key, i, name, &nameSize, nullptr, &type, data, &size), ERROR_SUCCESS);
    EXPECT_EQ(std::string(name, nameSize), expected[i].name);
    EXPECT_EQ(type, expected[i].type);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data), size), expected[i].data);
  }
  nameSize = sizeof name;
  EXPECT_EQ(RegEnumValue(key, 3, name, &nameSize, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
  RegCloseKey(key);
}

TEST_F(Registry, AWriterKilledMidWriteLeavesTheOldFileWhole) {
  HKEY key = Create("Software\\Veltramoor");
  SetDword(key, "TileSize", 100);
  RegCloseKey(key);
  const std::string before = Contents(path_);

  int status = InChild([] {
    platform::SetRegistryWriteHook([] { raise(SIGKILL); });
    HKEY child = Create("Software\\Veltramoor");
    SetDword(child, "TileSize", 250);
  });
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(WTERMSIG(status), SIGKILL);

  EXPECT_EQ(Contents(path_), before);
  DWORD value = 0;
  EXPECT_EQ(GetDword("Software\\Veltramoor", "TileSize", value), ERROR_SUCCESS);
  EXPECT_EQ(value, 100u);
}

TEST_F(Registry, AKilledWritersTemporaryGoesWithTheNextWrite) {
  auto temporaries = [&] {
    int n = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder_ + "/config"))
      n += entry.path().filename().string().rfind("registry.~wf", 0) == 0;
    return n;
  };
  const int status = InChild([] {
    platform::SetRegistryWriteHook([] { raise(SIGKILL); });
    SetDword(Create("Software\\Veltramoor"), "TileSize", 250);
  });
  ASSERT_TRUE(WIFSIGNALED(status));
  ASSERT_EQ(temporaries(), 1);
  HKEY key = Create("Software\\Veltramoor");
  SetDword(key, "TileSize", 100);
  RegCloseKey(key);
  EXPECT_EQ(temporaries(), 0);
}

TEST_F(Registry, ACorruptFileIsReportedAndNeverOverwritten) {
  std::string tooDeep = "WF-REGISTRY 1\n[HKEY_CURRENT_USER";
  for (int i = 0; i < 600; ++i) tooDeep += "\\k";
  tooDeep += "]\n";
  std::vector<std::string> texts = {
      "not a registry\n",
      "WF-REGISTRY 1\n\"TileSize\"=4:64000000\n",                            // value outside a key
      "WF-REGISTRY 1\n[HKEY_LOCAL_MACHINE\\Software]\n",                     // unknown root
      "WF-REGISTRY 1\n[HKEY_CURRENT_USER\\Software]\n\"a\"=4:640\n",         // odd digits
      "WF-REGISTRY 1\n[HKEY_CURRENT_USER\\Software]\n\"a\"=4:zz\n",          // not hexadecimal
      "WF-REGISTRY 1\n[HKEY_CURRENT_USER\\Software]\n\"a\"=99999999999:\n",  // type too large
      "WF-REGISTRY 1\n[HKEY_CURRENT_USER\\Software]\n\"a\"=4:\n\"A\"=4:\n",  // twice
      "WF-REGISTRY 1\n[HKEY_CURRENT_USER\\Soft%2]\n",                        // cut escape
      "WF-REGISTRY 1\n[HKEY_CURRENT_USER\\\\Software]\n",                    // empty level
      "WF-REGISTRY 1\n[HKEY_CURRENT_USER\\Software]\n\"a=4:00\n",            // open quote
  };
  std::filesystem::create_directories(folder_ + "/config");
  texts.push_back(tooDeep);
  for (const std::string& text : texts) {
    SCOPED_TRACE(text.substr(0, 80));
    std::ofstream(path_, std::ios::binary) << text;
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key), ERROR_REGISTRY_CORRUPT);
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                             nullptr),
              ERROR_REGISTRY_CORRUPT);
    EXPECT_EQ(key, nullptr);
    EXPECT_EQ(Contents(path_), text);
    EXPECT_EQ(platform::RegistryFailureReason(), path_ + " is not a registry file; it is left as it is");
  }
}

// Writers in several processes never undo each other's changes: each value set is kept.
TEST_F(Registry, ProcessesSettingValuesAtOnceKeepEveryOne) {
  constexpr int kWriters = 2, kValues = 200;
  std::vector<pid_t> writers;
  for (int w = 0; w < kWriters; ++w) {
    const pid_t child = fork();
    if (child == 0) {
      HKEY key = nullptr;
      bool all = RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Veltramoor", 0, nullptr, 0, KEY_ALL_ACCESS,
                                nullptr, &key, nullptr) == ERROR_SUCCESS;
      for (DWORD i = 0; all && i < kValues; ++i) {
        const std::string name = "w" + std::to_string(w) + "-" + std::to_string(i);
        all = RegSetValueEx(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&i), 4) ==
              ERROR_SUCCESS;
      }
      _exit(all ? 0 : 1);
    }
    writers.push_back(child);
  }
  for (pid_t child : writers) {
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int w = 0; w < kWriters; ++w) {
    for (DWORD i = 0; i < kValues; ++i) {
      const std::string name = "w" + std::to_string(w) + "-" + std::to_string(i);
      DWORD value = ~0u;
      ASSERT_EQ(GetDword("Software\\Veltramoor", name.c_str(), value), ERROR_SUCCESS) << name;
      EXPECT_EQ(value, i);
    }
  }
}

// A batch writes its changes once, when it ends, and takes part in the same lock.
TEST_F(Registry, ABatchWritesItsChangesOnce) {
  static int writes;
  writes = 0;
  platform::SetRegistryWriteHook([] { ++writes; });
  {
    platform::RegistryBatch batch;
    HKEY key = Create("Software\\Veltramoor");
    for (DWORD i = 0; i < 25; ++i) SetDword(key, ("v" + std::to_string(i)).c_str(), i);
    RegCloseKey(key);
    EXPECT_EQ(writes, 0);
    EXPECT_EQ(batch.Finish(), ERROR_SUCCESS);
  }
  platform::SetRegistryWriteHook(nullptr);
  EXPECT_EQ(writes, 1);
  const int status = InChild([] {
    DWORD value = 0;
    _exit(GetDword("Software\\Veltramoor", "v24", value) == ERROR_SUCCESS && value == 24 ? 0 : 1);
  });
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// Something other than a readable file answers error codes, also when it turns up mid-run.
TEST_F(Registry, AFolderInsteadOfTheFileAnswersReadErrors) {
  HKEY key = Create("Software\\Veltramoor");
  SetDword(key, "TileSize", 100);
  std::filesystem::remove(path_);
  std::filesystem::create_directory(path_);
  const DWORD value = 5;
  EXPECT_EQ(RegSetValueEx(key, "TileSize", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4),
            ERROR_CANTREAD);
  DWORD size = 4, read = 0;
  EXPECT_EQ(RegQueryValueEx(key, "TileSize", nullptr, nullptr, reinterpret_cast<BYTE*>(&read), &size),
            ERROR_CANTREAD);
  EXPECT_EQ(platform::RegistryFailureReason(), path_ + " is a folder");
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  HKEY other = nullptr;
  EXPECT_EQ(
      RegCreateKeyEx(HKEY_CURRENT_USER, "Software", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &other, nullptr),
      ERROR_CANTREAD);
  EXPECT_TRUE(std::filesystem::is_directory(path_));
}

// What cannot be a registry is refused unread, with the reason: an endless device, a pipe
// (whose read would wait for a writer) and a file larger than any registry. The alarm ends a
// read that never stops; the process may not grow by what a read to the cap would take.
TEST_F(Registry, WhatIsNoRegistryFileIsRefusedUnread) {
  std::filesystem::create_directories(folder_ + "/config");
  const std::string pipe = folder_ + "/config/pipe", huge = folder_ + "/config/huge";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  std::filesystem::resize_file((std::ofstream(huge), huge), 65u << 20);
  struct Case {
    std::string path;
    const char* reason;
  } cases[] = {
      {"/dev/zero", " is not a regular file"},
      {pipe, " is not a regular file"},
      {huge, " is larger than a registry can be"},
  };
  // In a child of its own, whose growth is the call's alone.
  auto refusedUnread = [](const Case& c) {
    alarm(10);
    setenv("WF_REGISTRY", c.path.c_str(), 1);
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    HKEY key = nullptr;
    const bool refused = RegCreateKeyEx(HKEY_CURRENT_USER, "Software", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                        &key, nullptr) == ERROR_REGISTRY_CORRUPT;
    getrusage(RUSAGE_SELF, &after);
    const bool small = after.ru_maxrss - before.ru_maxrss < 8 * 1024;  // kilobytes
    return refused && small && platform::RegistryFailureReason() == c.path + c.reason;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EXIT(std::exit(refusedUnread(c) ? 0 : 1), ::testing::ExitedWithCode(0), "");
  }
  EXPECT_EQ(std::filesystem::status(pipe).type(), std::filesystem::file_type::fifo);
  EXPECT_EQ(std::filesystem::file_size(huge), 65u << 20);
  EXPECT_FALSE(std::filesystem::exists(pipe + ".lock"));
}

TEST_F(Registry, KeysAndValuesAnswerAsThePlatformDoes) {
  DWORD value = 0, disposition = 0;
  EXPECT_EQ(GetDword("Software\\Veltramoor", "TileSize", value), ERROR_FILE_NOT_FOUND);
  HKEY key = Create("Software\\Veltramoor", &disposition);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  RegCloseKey(Create("Software\\Veltramoor", &disposition));
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  EXPECT_EQ(GetDword("Software\\Veltramoor", "TileSize", value), ERROR_FILE_NOT_FOUND);
  SetDword(key, "TileSize", 250);

  // Size queries, short buffers, deletion of values.
  DWORD size = 0, type = 0;
  BYTE small[2];
  EXPECT_EQ(RegQueryValueEx(key, "tilesize", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(type, REG_DWORD);
  size = sizeof small;
  EXPECT_EQ(RegQueryValueEx(key, "TileSize", nullptr, nullptr, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(RegDeleteValue(key, "TileSize"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValue(key, "TileSize"), ERROR_FILE_NOT_FOUND);

  // A read-only handle cannot write; a key with sub keys cannot be deleted.
  HKEY reader = nullptr;
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &reader), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueEx(reader, "x", 0, REG_DWORD, small, 2), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, "Software"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKey(reader, "Veltramoor"), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueEx(key, "x", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
  EXPECT_EQ(RegCloseKey(reader), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
}

TEST_F(Registry, AFreshRegistryNamesABrowserCommand) {
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyEx(HKEY_CLASSES_ROOT, "http\\shell\\open\\command", 0, KEY_READ, &key), ERROR_SUCCESS);
  char command[32];
  DWORD size = sizeof command;
  ASSERT_EQ(RegQueryValueEx(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(command), &size),
            ERROR_SUCCESS);
  EXPECT_STREQ(command, "xdg-open");
  RegCloseKey(key);
}

}  // namespace
