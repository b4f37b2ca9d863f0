// hoverhue-probe as its users run it: its output over a painted pixel, and
// a clear message and its own exit code for every kind of bad input.

#include <string>

#include "harness.h"

namespace {

struct Run {
  DWORD exitCode = 0xFFFFFFFF;
  std::string out, err;
};

std::string readAll(HANDLE pipe) {
  std::string text;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(pipe, buffer, sizeof buffer, &read, nullptr) && read > 0)
    text.append(buffer, read);
  // The probe writes text-mode lines: CR LF on Windows.
  std::string lines;
  for (char c : text)
    if (c != '\r') lines += c;
  return lines;
}

// Runs the probe with its output in pipes, as a script would.
Run runProbe(const std::string& arguments) {
  Run run;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE outRead, outWrite, errRead, errWrite;
  CreatePipe(&outRead, &outWrite, &inherit, 1 << 16);
  CreatePipe(&errRead, &errWrite, &inherit, 1 << 16);
  SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = outWrite;
  startup.hStdError = errWrite;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION process{};
  std::string command = "hoverhue-probe.exe " + arguments;
  if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr,
                     nullptr, &startup, &process)) {
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    run.out = readAll(outRead);
    run.err = readAll(errRead);
    WaitForSingleObject(process.hProcess, 30000);
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  } else {
    CloseHandle(outWrite);
    CloseHandle(errWrite);
  }
  CloseHandle(outRead);
  CloseHandle(errRead);
  return run;
}

void checkFailure(Checks& checks, const std::string& arguments, DWORD exitCode,
                  const char* message) {
  Run run = runProbe(arguments);
  std::string what = "probe " + arguments;
  char code[80];
  std::snprintf(code, sizeof code, "%s: exit code %lu (got %lu)", what.c_str(),
                exitCode, run.exitCode);
  checks.truth(code, run.exitCode == exitCode);
  bool named = run.err.find(message) != std::string::npos;
  checks.truth((what + ": stderr names \"" + message + "\"").c_str(), named);
  if (!named) std::printf("  stderr was: %s\n", run.err.c_str());
}

void checkOutputOverPaintedPixel(Checks& checks) {
  const COLORREF colour = RGB(123, 45, 6);
  ColourWindow window({400, 300, 600, 500}, colour);
  Run run = runProbe("--at 450 350");
  checks.truth("probe --at 450 350 exits 0", run.exitCode == 0);
  ExpectedTexts expected = expectedTexts({450, 350}, colour);
  std::string lines;
  for (int i = 0; i < valueCount; ++i)
    lines += std::string(valueNames[i]) + ": " + expected.text[i] + "\n";
  checks.text("probe --at 450 350 output", run.out.c_str(), lines.c_str());
  checks.text("probe --at 450 350 stderr", run.err.c_str(), "");
}

void writeTextFile(const char* path, const char* text) {
  HANDLE file =
      CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, text, static_cast<DWORD>(std::strlen(text)), &written,
            nullptr);
  CloseHandle(file);
}

// hoverhue.dll with its machine field changed, as the loader sees a build
// for another machine.
bool writeCopyFor(WORD machine, const char* path) {
  HANDLE file = CreateFileA("hoverhue.dll", GENERIC_READ, FILE_SHARE_READ,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  static char image[1 << 16];
  DWORD size = 0;
  ReadFile(file, image, sizeof image, &size, nullptr);
  CloseHandle(file);
  if (size < sizeof(IMAGE_DOS_HEADER)) return false;
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(image);
  auto* header =
      reinterpret_cast<IMAGE_FILE_HEADER*>(image + dos->e_lfanew + 4);
  header->Machine = machine;
  file =
      CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, image, size, &written, nullptr);
  CloseHandle(file);
  return written == size;
}

void checkBadInput(Checks& checks) {
  checkFailure(checks, "--frobnicate", 2, "unknown option '--frobnicate'");
  checkFailure(checks, "--at 10 ten", 2, "--at needs two whole numbers");
  checkFailure(checks, "--at 10", 2, "--at needs two whole numbers");
  checkFailure(checks, "--at 99999999999 0", 2, "--at needs two whole numbers");
  checkFailure(checks, "--watch 0", 2, "--watch needs milliseconds");
  checkFailure(checks, "--watch", 2, "--watch needs milliseconds");
  checkFailure(checks, "--dll", 2, "--dll needs a path");

  checkFailure(checks, "--dll nosuch.dll", 3, "cannot load nosuch.dll");
  checkFailure(checks, "--dll not-a-dll.dll", 3, "cannot load not-a-dll.dll");
#if defined(_WIN64)
  checks.truth("32-bit copy written",
               writeCopyFor(IMAGE_FILE_MACHINE_I386, "other.dll"));
  checkFailure(checks, "--dll other.dll", 4,
               "is a 32-bit (i386) DLL (machine 0x014C); this probe is 64-bit "
               "(x64): use the 32-bit hoverhue-probe");
#else
  checks.truth("64-bit copy written",
               writeCopyFor(IMAGE_FILE_MACHINE_AMD64, "other.dll"));
  checkFailure(checks, "--dll other.dll", 4,
               "is a 64-bit (x64) DLL (machine 0x8664); this probe is 32-bit "
               "(i386): use the 64-bit hoverhue-probe");
#endif
  checks.truth("ARM64 copy written", writeCopyFor(0xAA64, "arm64.dll"));
  checkFailure(checks, "--dll arm64.dll", 4, "is a 64-bit (ARM64) DLL");

  checkFailure(checks, "--dll fake_noinit.dll", 5, "does not export init");
  checkFailure(checks, "--dll fake_empty.dll", 5, "empty function list");
  checkFailure(checks, "--dll fake_malformed.dll", 5,
               "malformed function list \"mousex||answer\"");
  checkFailure(checks, "--dll fake_missing.dll", 6,
               "lists colourQ but does not export it");
  checkFailure(checks, "--dll fake_crash.dll", 7,
               "the plug-in crashed in crash");
}

void checkOtherPlugins(Checks& checks) {
  Run run = runProbe("--dll fake_described.dll");
  checks.truth("probe of another plug-in exits 0", run.exitCode == 0);
  checks.text("a non-empty description is shown", run.out.c_str(),
              "mousex: 7\nanswer: 42  [parameters: takes no parameters]\n");

  run = runProbe("--help");
  checks.truth("--help exits 0", run.exitCode == 0);
  checks.truth("--help describes the probe",
               run.out.rfind("usage: hoverhue-probe", 0) == 0 &&
                   run.out.find("--watch MS") != std::string::npos);
}

}  // namespace

int main() {
  Checks checks;
  writeTextFile("not-a-dll.dll", "plain text, no program\n");
  checkOutputOverPaintedPixel(checks);
  checkBadInput(checks);
  checkOtherPlugins(checks);
  return checks.finish();
}
