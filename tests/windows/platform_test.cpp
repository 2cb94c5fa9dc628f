// The Windows layers against the system itself: registry values written with reg.exe, the
// shell's folders, ids and clocks, modules, stacks, the process heaps, and crash logs written
// by a child process that faults on purpose.
#include <gtest/gtest.h>
#include <windows.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "config/expand.h"
#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/folders.h"
#include "platform/heaps.h"
#include "platform/modules.h"
#include "platform/registry.h"
#include "platform/stack.h"
#include "platform/thread.h"

namespace {

using qz::config::expandPath;
using qz::platform::RegistryRoot;

constexpr char kVariableKey[] = "SOFTWARE\\KESTRAN\\PATH\\";

// Runs a command line with the inherited environment; its exit code, or -1.
long long run(std::string commandLine) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return -1;
  }
  WaitForSingleObject(process.hProcess, 60000);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string uniqueName(const char* stem) {
  return std::string("QZWIN_") + stem + "_" + std::to_string(GetCurrentProcessId());
}

bool isFolder(const std::string& path) {
  const DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// Registry values made with reg.exe, as an installer or an administrator would, and removed
// again.
class Registry : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const std::string& key : keys_) run("reg delete \"" + key + "\" /f");
  }
  // reg add <root>\SOFTWARE\KESTRAN\PATH\<name> with the given value arguments.
  void add(const char* root, const std::string& name, const std::string& valueArguments) {
    const std::string key = std::string(root) + "\\" + kVariableKey + name;
    keys_.push_back(key);
    ASSERT_EQ(run("reg add \"" + key + "\" " + valueArguments + " /f"), 0) << key;
  }

 private:
  std::vector<std::string> keys_;
};

TEST_F(Registry, VariablesExpandFromUserThenMachineRoot) {
  const std::string setup = uniqueName("SETUP");
  const std::string inner = uniqueName("INNER");
  const std::string machineOnly = uniqueName("MACHINE");
  add("HKCU", setup, "/ve /d C:\\kestran\\$(" + inner + ")");
  add("HKLM", setup, "/ve /d C:\\machine");
  add("HKCU", inner, "/ve /d user");
  add("HKLM", machineOnly, "/ve /d D:\\m");
  // An empty user value does not hide the machine's.
  add("HKCU", machineOnly, "/ve /d \"\"");
  EXPECT_EQ(expandPath("$" + setup + "/dbproxy.cfg"), "C:\\kestran\\user/dbproxy.cfg");
  EXPECT_EQ(expandPath("$(" + machineOnly + ")\\jdbc.cfg"), "D:\\m\\jdbc.cfg");
  EXPECT_EQ(expandPath("$(OSNAME)y.$OSDLLEXT"), "x86y.dll");
  EXPECT_EQ(expandPath("$" + uniqueName("NOBODY") + "/x"), "$" + uniqueName("NOBODY") + "/x");
}

TEST_F(Registry, OnlyStringValuesAreRead) {
  const std::string number = uniqueName("DWORD");
  const std::string expandable = uniqueName("EXPAND");
  add("HKCU", number, "/ve /t REG_DWORD /d 7");
  add("HKCU", expandable, "/ve /t REG_EXPAND_SZ /d C:\\x");
  std::string value = "untouched";
  EXPECT_FALSE(qz::platform::readRegistryString(RegistryRoot::kCurrentUser, kVariableKey + number,
                                                "", &value));
  EXPECT_FALSE(qz::platform::readRegistryString(RegistryRoot::kCurrentUser,
                                                kVariableKey + expandable, "", &value));
  EXPECT_EQ(value, "untouched");
  EXPECT_EQ(expandPath("$" + number), "$" + number);
}

TEST_F(Registry, LongValuesNamedValuesAndSlashes) {
  const std::string name = uniqueName("LONG");
  const std::string longText(3000, 'v');  // beyond the first read of 1024 bytes
  add("HKCU", name, "/ve /d " + longText);
  add("HKCU", name, "/v Named /d named-value");
  std::string value;
  ASSERT_TRUE(qz::platform::readRegistryString(RegistryRoot::kCurrentUser, kVariableKey + name, "",
                                               &value));
  EXPECT_EQ(value, longText);
  ASSERT_TRUE(qz::platform::readRegistryString(
      RegistryRoot::kCurrentUser, "software/kestran//path/" + lower(name), "named", &value));
  EXPECT_EQ(value, "named-value");
  EXPECT_FALSE(qz::platform::readRegistryString(RegistryRoot::kCurrentUser, kVariableKey + name,
                                                "Other", &value));
}

TEST(Folders, PlaceholdersResolveToExistingFolders) {
  char windows[MAX_PATH];
  ASSERT_GT(GetWindowsDirectoryA(windows, sizeof windows), 0u);
  EXPECT_EQ(expandPath("%SystemRoot%"), windows);
  EXPECT_TRUE(isFolder(expandPath("%systemroot%\\system32")));

  const std::string temp = expandPath("%SYSTEMTEMP%");
  ASSERT_FALSE(temp.empty());
  EXPECT_NE(temp.back(), '\\');
  EXPECT_NE(temp.back(), '/');
  EXPECT_TRUE(isFolder(temp)) << temp;

  // The shell knows the profile's folder, so the last resort is not needed.
  const std::string appData = expandPath("%UserAppData%");
  EXPECT_NE(lower(appData), "c:\\temp");
  EXPECT_EQ(appData, qz::platform::userAppDataFolder());
  EXPECT_TRUE(isFolder(appData)) << appData;
  EXPECT_NE(appData.back(), '\\');
}

TEST(IdsAndClocks, MatchTheSystem) {
  EXPECT_EQ(qz::platform::currentProcessId(), GetCurrentProcessId());
  uint32_t other = 0;
  std::thread([&] { other = qz::platform::currentThreadId(); }).join();
  EXPECT_NE(other, qz::platform::currentThreadId());
  EXPECT_NE(other, 0u);

  const uint64_t before = qz::platform::performanceCounter();
  Sleep(50);
  const uint64_t elapsed = qz::platform::performanceCounter() - before;
  EXPECT_GE(elapsed, 40'000'000u);
  EXPECT_LT(elapsed, 10'000'000'000u);

  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const uint64_t system = static_cast<uint64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime;
  const uint64_t ours = qz::platform::systemFileTime();
  EXPECT_LT(ours > system ? ours - system : system - ours, 50'000'000u);  // 5 s
  const uint64_t created = qz::platform::processCreationTime();
  EXPECT_LE(created, ours);
  EXPECT_GT(created, ours - 36'000'000'000ull);  // within the hour

  SYSTEMTIME local;
  GetLocalTime(&local);
  const qz::platform::LocalTimeOfDay t = qz::platform::localTimeOfDay(ours);
  const int minutes = t.hour * 60 + t.minute;
  const int expected = local.wHour * 60 + local.wMinute;
  EXPECT_LE(std::abs(minutes - expected) % (24 * 60 - 1), 1);
}

TEST(Environment, ChangesReachTheLibraryAndTheSystem) {
  const std::string name = uniqueName("ENV");
  ASSERT_TRUE(qz::platform::setEnvironmentVariable(name.c_str(), "0x1234"));
  ASSERT_NE(std::getenv(name.c_str()), nullptr);
  EXPECT_STREQ(std::getenv(name.c_str()), "0x1234");
  char system[64] = {};
  EXPECT_GT(GetEnvironmentVariableA(name.c_str(), system, sizeof system), 0u);
  EXPECT_STREQ(system, "0x1234");
  qz::platform::removeEnvironmentVariable(name.c_str());
  EXPECT_EQ(std::getenv(name.c_str()), nullptr);
  EXPECT_EQ(GetEnvironmentVariableA(name.c_str(), system, sizeof system), 0u);
}

__attribute__((noinline)) size_t captureHere(uint64_t* out, size_t depth) {
  const size_t n = qz::platform::captureStack(out, depth, 0);
  asm volatile("");
  return n;
}

TEST(Modules, ExecutableFirstAndSystemLibrariesByAddress) {
  const auto modules = qz::platform::loadedModules();
  ASSERT_GE(modules.size(), 2u);
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, sizeof self);
  EXPECT_EQ(lower(modules[0].path), lower(self));
  EXPECT_EQ(modules[0].low, reinterpret_cast<uintptr_t>(GetModuleHandleA(nullptr)));
  EXPECT_GT(modules[0].high, modules[0].low);

  EXPECT_EQ(lower(qz::platform::moduleFileNameOf(reinterpret_cast<const void*>(&GetTickCount))),
            "kernel32.dll");
  char path[MAX_PATH];
  uintptr_t base = 0;
  ASSERT_TRUE(qz::platform::findModule(reinterpret_cast<uintptr_t>(&captureHere), path, sizeof path,
                                       &base));
  EXPECT_EQ(base, reinterpret_cast<uintptr_t>(GetModuleHandleA(nullptr)));
  int onTheStack = 0;
  EXPECT_FALSE(
      qz::platform::findModule(reinterpret_cast<uintptr_t>(&onTheStack), path, sizeof path, &base));
}

TEST(Stack, CapturesAndNamesTheCallers) {
  uint64_t frames[16] = {};
  const size_t n = captureHere(frames, 16);
  ASSERT_GE(n, 2u);
  // The first frame returns into this test's body, in the executable.
  qz::platform::AddressInfo info;
  ASSERT_TRUE(qz::platform::describeAddress(frames[0] - 1, &info));
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, sizeof self);
  EXPECT_EQ(lower(info.module), lower(self));

  // An exported system function is named, by the debug-help library or the export table.
  ASSERT_TRUE(qz::platform::describeAddress(reinterpret_cast<uintptr_t>(&GetTickCount), &info));
  EXPECT_NE(std::string(info.symbol).find("GetTickCount"), std::string::npos) << info.symbol;

  uint64_t word = 0;
  EXPECT_TRUE(qz::platform::readMemory(reinterpret_cast<uintptr_t>(&n), &word, sizeof n));
  EXPECT_FALSE(qz::platform::readMemory(0, &word, sizeof word));
  EXPECT_FALSE(qz::platform::readMemory(16, &word, sizeof word));
}

TEST(Heaps, AHealthyProcessWalksClean) {
  void* block = HeapAlloc(GetProcessHeap(), 0, 100);
  EXPECT_TRUE(qz::platform::checkProcessHeaps().empty());
  HeapFree(GetProcessHeap(), 0, block);
}

// A child that faults with the handler of a mode, writing its log into a folder of its own.
class CrashLog : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    dir_ = std::string(temp) +
           uniqueName(::testing::UnitTest::GetInstance()->current_test_info()->name());
    ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    child_ = (std::filesystem::path(self).parent_path() / "windows_crash_child.exe").string();
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

  // The child's exit code; its log is log().
  long long crash(const char* mode, const char* how) {
    // "tmp" is also the system's TMP (names ignore case): only the child may see ours.
    char tmp[MAX_PATH] = {};
    const bool hadTmp = GetEnvironmentVariableA("tmp", tmp, sizeof tmp) > 0;
    SetEnvironmentVariableA("tmp", dir_.c_str());
    SetEnvironmentVariableA("QZDBG_EXCEPTIONHANDLER", mode);
    const long long code = run("\"" + child_ + "\" " + how);
    SetEnvironmentVariableA("QZDBG_EXCEPTIONHANDLER", nullptr);
    SetEnvironmentVariableA("tmp", hadTmp ? tmp : nullptr);
    return code;
  }
  void clearLog() { DeleteFileA((dir_ + "/qzdbgcrash.log").c_str()); }
  std::string log() const {
    std::ifstream in(dir_ + "/qzdbgcrash.log", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

 private:
  std::string dir_;
  std::string child_;
};

TEST_F(CrashLog, FilterAndVectoredHandlerLogAccessViolations) {
  for (const char* mode : {"0", "2"}) {
    SCOPED_TRACE(mode);
    EXPECT_EQ(crash(mode, "write"), 0xC0000005);
    const std::string text = log();
    EXPECT_EQ(text.rfind("Location ", 0), 0u) << text;
    EXPECT_NE(text.find(", Code c0000005 SEQ:"), std::string::npos) << text;
    EXPECT_NE(text.find("EXCEPTION_ACCESS_VIOLATION (code 1) at address 0\n"), std::string::npos);
    // The faulting frame and its caller are in the child.
    EXPECT_NE(text.find("Modul: windows_crash_child.exe) SEQ: "), std::string::npos) << text;
    EXPECT_NE(lower(text).find("kernel32.dll"), std::string::npos);  // in the module list
    clearLog();
  }
}

TEST_F(CrashLog, PureVirtualCallLogsWithoutLocation) {
  crash("1", "pure");
  EXPECT_EQ(log().rfind("Location Unknown\n", 0), 0u) << log();
}

TEST_F(CrashLog, OtherModesInstallNothing) {
  EXPECT_EQ(crash("3", "write"), 0xC0000005);
  EXPECT_EQ(log(), "");
}

}  // namespace
