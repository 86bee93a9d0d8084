#include "platform/system/process.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/system/files.h"
#include "tests/support/testfiles.h"
#include "tests/support/testprefix.h"

namespace {

namespace fs = std::filesystem;
using orvane::test::HostExists;
using orvane::test::ReadHostFile;
using orvane::test::TempPrefix;
using orvane::test::WriteHostFile;
using orvane::test::WriteScript;
using Clock = std::chrono::steady_clock;

// A stand-in program: writes its arguments as "[a][b]" to record (atomically,
// so a poller never sees half of it), then exits with the given code.
void WriteRecorder(const std::string& host, const std::string& record, int code = 0) {
  WriteScript(host, "for a in \"$@\"; do printf '[%s]' \"$a\"; done > '" + record +
                        ".tmp'\n/bin/mv '" + record + ".tmp' '" + record + "'\nexit " +
                        std::to_string(code));
}

// The record, once it appears (WinExec does not wait), or "".
std::string AwaitRecord(const std::string& record) {
  for (auto end = Clock::now() + std::chrono::seconds(5); Clock::now() < end;) {
    if (HostExists(record)) return ReadHostFile(record);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return "";
}

struct Outcome {
  bool started;
  DWORD error;     // GetLastError when not started
  DWORD exitCode;  // when started
};

Outcome RunToEnd(const std::string& line, DWORD waitMs = INFINITE, LPCSTR directory = nullptr) {
  STARTUPINFO si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::string buffer = line;
  SetLastError(0);
  Outcome out{CreateProcess(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, directory,
                            &si, &pi) == TRUE,
              GetLastError(), 0};
  if (out.started) {
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, waitMs), WAIT_OBJECT_0) << line;
    EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &out.exitCode));
    EXPECT_TRUE(CloseHandle(pi.hProcess));
  }
  return out;
}

int ZombieChildren() {
  int zombies = 0;
  DIR* proc = opendir("/proc");
  while (dirent* entry = proc ? readdir(proc) : nullptr) {
    if (!isdigit(static_cast<unsigned char>(entry->d_name[0]))) continue;
    std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    std::size_t close = text.rfind(')');
    if (close == std::string::npos) continue;
    char state = 0;
    int ppid = 0;
    if (sscanf(text.c_str() + close + 1, " %c %d", &state, &ppid) == 2 && ppid == getpid() &&
        state == 'Z')
      ++zombies;
  }
  if (proc) closedir(proc);
  return zombies;
}

TEST(ResolveCommandLine, FindsOnlyTheIntendedProgram) {
  TempPrefix prefix;
  const std::string c = prefix.driveC();
  WriteRecorder(c + "/Program Files/App/app.exe", prefix.path("app"));
  WriteRecorder(c + "/Program", prefix.path("planted"));
  WriteRecorder(c + "/Program.exe", prefix.path("planted"));
  for (const char* name : {"run", "run x", "run.exe", "only.exe"})
    WriteRecorder(c + "/Tools/" + name, prefix.path("tools"));
  WriteHostFile(c + "/Tools/notes.txt", "not a program");
  WriteRecorder(prefix.path("bin/onpath"), prefix.path("onpath"));
  orvane::test::ScopedEnv path("PATH", ":" + prefix.path("empty") + ":" + prefix.path("bin"));

  const struct {
    const char* line;
    std::string host;  // under drive C: or the prefix; empty when it fails
    std::vector<std::string> argv;
    LONG error = ERROR_SUCCESS;
  } cases[] = {
      {R"(C:\Program Files\App\app.exe -x "a b")",
       c + "/Program Files/App/app.exe",
       {R"(C:\Program Files\App\app.exe)", "-x", "a b"}},
      {R"( "C:\Program Files\App\app.exe" -x)",
       c + "/Program Files/App/app.exe",
       {R"(C:\Program Files\App\app.exe)", "-x"}},
      {R"(c:\PROGRAM FILES\app\APP.EXE)",
       c + "/Program Files/App/app.exe",
       {R"(c:\PROGRAM FILES\app\APP.EXE)"}},
      // The planted C:\Program never stands in for a missing program.
      {R"(C:\Program Files\Gone\app.exe)", "", {}, ERROR_PATH_NOT_FOUND},
      {R"(C:\Program Files\App\gone.exe -x)", "", {}, ERROR_FILE_NOT_FOUND},
      {R"("C:\Program Files\App\gone.exe")", "", {}, ERROR_FILE_NOT_FOUND},
      // Quoted: the program is what the quotes hold; argv keeps the runtime's reading.
      {R"("C:\Program Files\App\app.exe"y -x)",
       c + "/Program Files/App/app.exe",
       {R"(C:\Program Files\App\app.exey)", "-x"}},
      // The longest prefix wins; arguments may be drive paths and addresses.
      {R"(C:\Tools\run x y)", c + "/Tools/run x", {R"(C:\Tools\run x)", "y"}},
      {R"(C:\Tools\run.exe C:\Data Files\x.txt http://h/p)",
       c + "/Tools/run.exe",
       {R"(C:\Tools\run.exe)", R"(C:\Data)", R"(Files\x.txt)", "http://h/p"}},
      {R"(C:\Tools\run.exe /o -p\q "r\s")",
       c + "/Tools/run.exe",
       {R"(C:\Tools\run.exe)", "/o", R"(-p\q)", R"(r\s)"}},
      {R"(C:\Tools\only)", "", {}, ERROR_FILE_NOT_FOUND},  // no ".exe" added
      {R"(C:\Tools\notes.txt -x)", "", {}, ERROR_BAD_FORMAT},
      {R"(C:\Tools)", "", {}, ERROR_ACCESS_DENIED},
      {R"(Q:\x.exe)", "", {}, ERROR_PATH_NOT_FOUND},
      {"onpath -a", prefix.path("bin/onpath"), {"onpath", "-a"}},
      {"onpath.exe", prefix.path("bin/onpath"), {"onpath.exe"}},
      {"sh -c id", "", {}, ERROR_FILE_NOT_FOUND},  // only the private PATH counts
      {"  ", "", {}, ERROR_FILE_NOT_FOUND},
  };
  for (const auto& t : cases) {
    LONG error = ERROR_SUCCESS;
    auto resolved = orvane::process::ResolveCommandLine(t.line, &error);
    if (t.host.empty()) {
      EXPECT_FALSE(resolved) << t.line;
      EXPECT_EQ(error, t.error) << t.line;
    } else {
      ASSERT_TRUE(resolved) << t.line << " error " << error;
      EXPECT_EQ(resolved->hostProgram, t.host) << t.line;
      EXPECT_EQ(resolved->argv, t.argv) << t.line;
    }
  }
  EXPECT_EQ(orvane::process::FindOnPath("onpath"), prefix.path("bin/onpath"));
  EXPECT_FALSE(orvane::process::FindOnPath("notes.txt"));
}

TEST(CreateProcess, NeverRunsAProgramPlantedAtAShorterPrefix) {
  TempPrefix prefix;
  const std::string c = prefix.driveC();
  WriteRecorder(c + "/Program", prefix.path("planted"));
  WriteRecorder(c + "/Program.exe", prefix.path("planted"));
  WriteRecorder(c + "/Program Files/App/app.exe", prefix.path("app"), 4);
  const std::string line = R"(C:\Program Files\App\app.exe -x "a b" c\"d)";

  Outcome run = RunToEnd(line);
  EXPECT_TRUE(run.started);
  EXPECT_EQ(run.exitCode, 4u);
  EXPECT_EQ(ReadHostFile(prefix.path("app")), R"([-x][a b][c"d])");

  fs::remove(c + "/Program Files/App/app.exe");
  EXPECT_EQ(RunToEnd(line).error, DWORD(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(WinExec(line.c_str(), 1), UINT(ERROR_FILE_NOT_FOUND));
  fs::remove_all(c + "/Program Files/App");
  EXPECT_EQ(RunToEnd(line).error, DWORD(ERROR_PATH_NOT_FOUND));
  EXPECT_FALSE(HostExists(prefix.path("planted")));
}

TEST(CreateProcess, PassesTextAsLiteralArgumentsNeverToAShell) {
  TempPrefix prefix;
  const std::string pwned = prefix.path("pwned");
  WriteRecorder(prefix.driveC() + "/We;ird $(x) & `y`/rec.exe", prefix.path("rec"));
  const std::string line = "\"C:\\We;ird $(x) & `y`\\rec.exe\" \"x; touch " + pwned +
                           "\" \"$(touch " + pwned + ")\" a|b>c&d";
  const std::string expected = "[x; touch " + pwned + "][$(touch " + pwned + ")][a|b>c&d]";

  EXPECT_EQ(RunToEnd(line).exitCode, 0u);
  EXPECT_EQ(ReadHostFile(prefix.path("rec")), expected);
  fs::remove(prefix.path("rec"));
  EXPECT_EQ(WinExec(line.c_str(), 1), 33u);
  EXPECT_EQ(AwaitRecord(prefix.path("rec")), expected);
  EXPECT_FALSE(HostExists(pwned));
}

TEST(CreateProcess, ReportsWhyAProgramCannotStart) {
  TempPrefix prefix;
  const std::string c = prefix.driveC();
  WriteHostFile(c + "/Apps/data.exe", "plain data");
  // Executable but neither a binary nor a script: it must not reach a shell.
  WriteScript(c + "/Apps/bare.exe", "");
  WriteHostFile(c + "/Apps/bare.exe", "/usr/bin/touch " + prefix.path("pwned") + "\n");
  const struct {
    const char* line;
    LONG error;
  } cases[] = {
      {R"(C:\Apps\gone.exe)", ERROR_FILE_NOT_FOUND},
      {R"(C:\Gone\app.exe -x)", ERROR_PATH_NOT_FOUND},
      {R"(C:\Apps\data.exe)", ERROR_BAD_FORMAT},
      {R"(C:\Apps\bare.exe)", ERROR_BAD_FORMAT},
      {R"(C:\Apps)", ERROR_ACCESS_DENIED},
  };
  for (const auto& t : cases) {
    Outcome run = RunToEnd(t.line);
    EXPECT_FALSE(run.started) << t.line;
    EXPECT_EQ(run.error, DWORD(t.error)) << t.line;
    EXPECT_EQ(WinExec(t.line, 1), UINT(t.error)) << t.line;
  }
  EXPECT_FALSE(HostExists(prefix.path("pwned")));
}

TEST(CreateProcess, TakesAnApplicationNameAsItIs) {
  TempPrefix prefix;
  WriteRecorder(prefix.driveC() + "/Program Files/App/app.exe", prefix.path("rec"));
  WriteRecorder(prefix.path("bin/app.exe"), prefix.path("rec"));
  orvane::test::ScopedEnv path("PATH", prefix.path("bin"));
  STARTUPINFO si{};
  PROCESS_INFORMATION pi{};
  char line[] = R"(app "a b")";
  ASSERT_TRUE(CreateProcess(R"(C:\Program Files\App\app.exe)", line, nullptr, nullptr, FALSE, 0,
                            nullptr, nullptr, &si, &pi));
  EXPECT_EQ(WaitForSingleObject(pi.hProcess, INFINITE), WAIT_OBJECT_0);
  EXPECT_TRUE(CloseHandle(pi.hProcess));
  EXPECT_EQ(ReadHostFile(prefix.path("rec")), "[a b]");
  // No PATH search for an application name.
  EXPECT_FALSE(
      CreateProcess("app.exe", line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
}

TEST(WaitForSingleObject, GivesExitCodesAndSignals) {
  TempPrefix prefix;
  const struct {
    const char* body;
    DWORD waitMs;
    DWORD exitCode;
  } cases[] = {
      {"exit 0", INFINITE, 0},
      {"exit 3", 5000, 3},
      {"exit 255", INFINITE, 255},
      {"kill -TERM $$", 5000, 128 + SIGTERM},
      {"kill -KILL $$", INFINITE, 128 + SIGKILL},
  };
  for (const auto& t : cases) {
    WriteScript(prefix.driveC() + "/prog", t.body);
    Outcome run = RunToEnd(R"(C:\prog)", t.waitMs);
    EXPECT_TRUE(run.started) << t.body;
    EXPECT_EQ(run.exitCode, t.exitCode) << t.body;
  }
}

TEST(WaitForSingleObject, TimesOutAndStaysAnswerableWhileAnotherThreadWaits) {
  TempPrefix prefix;
  WriteScript(prefix.driveC() + "/sleeper", "exec /bin/sleep 10");
  STARTUPINFO si{};
  PROCESS_INFORMATION pi{};
  char line[] = R"(C:\sleeper)";
  ASSERT_TRUE(CreateProcess(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));

  auto start = Clock::now();
  EXPECT_EQ(WaitForSingleObject(pi.hProcess, 100), WAIT_TIMEOUT);
  auto waited = Clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(100));
  EXPECT_LT(waited, std::chrono::milliseconds(1000));

  DWORD infiniteWait = WAIT_FAILED;
  std::thread waiter([&] { infiniteWait = WaitForSingleObject(pi.hProcess, INFINITE); });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));  // must not block behind the waiter
  EXPECT_EQ(code, STILL_ACTIVE);
  kill(static_cast<pid_t>(pi.dwProcessId), SIGKILL);
  waiter.join();
  EXPECT_EQ(infiniteWait, WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(pi.hProcess, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
  EXPECT_EQ(code, DWORD(128 + SIGKILL));

  EXPECT_TRUE(CloseHandle(pi.hProcess));
  EXPECT_EQ(WaitForSingleObject(pi.hProcess, 0), WAIT_FAILED);
  EXPECT_FALSE(GetExitCodeProcess(pi.hProcess, &code));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
}

TEST(CreateProcess, ChildInheritsEnvironmentAndDirectory) {
  TempPrefix prefix;
  fs::create_directories(prefix.driveC() + "/Work");
  WriteScript(prefix.driveC() + "/env",
              "printf '%s|%s' \"$ORVANE_PROBE\" \"$(pwd -P)\" > '" + prefix.path("env.txt") + "'");
  orvane::test::ScopedEnv probe("ORVANE_PROBE", "a b;c");

  EXPECT_TRUE(RunToEnd(R"(C:\env)").started);
  EXPECT_EQ(ReadHostFile(prefix.path("env.txt")),
            "a b;c|" + fs::canonical(fs::current_path()).string());
  EXPECT_TRUE(RunToEnd(R"(C:\env)", INFINITE, R"(c:\work)").started);
  EXPECT_EQ(ReadHostFile(prefix.path("env.txt")),
            "a b;c|" + fs::canonical(prefix.driveC() + "/Work").string());
  EXPECT_EQ(RunToEnd(R"(C:\env)", INFINITE, R"(C:\Gone)").error, DWORD(ERROR_DIRECTORY));
}

TEST(WinExec, LeavesNoZombies) {
  TempPrefix prefix;
  WriteRecorder(prefix.driveC() + "/quick", prefix.path("rec"));
  ASSERT_EQ(WinExec(R"(C:\quick one)", 1), 33u);
  EXPECT_EQ(AwaitRecord(prefix.path("rec")), "[one]");
  // The same for a CreateProcess handle closed while the child still runs.
  STARTUPINFO si{};
  PROCESS_INFORMATION pi{};
  char line[] = R"(C:\quick two)";
  ASSERT_TRUE(CreateProcess(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  EXPECT_TRUE(CloseHandle(pi.hProcess));
  fs::remove(prefix.path("rec"));
  EXPECT_EQ(AwaitRecord(prefix.path("rec")), "[two]");

  int zombies = ZombieChildren();
  for (auto end = Clock::now() + std::chrono::seconds(3); zombies && Clock::now() < end;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    zombies = ZombieChildren();
  }
  EXPECT_EQ(zombies, 0);
}

}  // namespace
