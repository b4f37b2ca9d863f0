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

std::wstring wide(const std::string& utf8) {
  std::wstring text(utf8.size() + 1, L'\0');
  int length = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &text[0],
                                   static_cast<int>(text.size()));
  text.resize(length > 0 ? static_cast<size_t>(length) - 1 : 0);
  return text;
}

// Sets a process's error mode before it runs, as Windows does for a child
// whose parent has one: Wine starts every process with none.
bool setErrorModeOf(HANDLE process, UINT mode) {
  auto setErrorMode = reinterpret_cast<LPTHREAD_START_ROUTINE>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"),
                                             "SetErrorMode")));
  HANDLE thread = CreateRemoteThread(
      process, nullptr, 0, setErrorMode,
      reinterpret_cast<void*>(static_cast<ULONG_PTR>(mode)), 0, nullptr);
  if (thread == nullptr) return false;
  bool done = WaitForSingleObject(thread, 10000) == WAIT_OBJECT_0;
  CloseHandle(thread);
  return done;
}

// Runs the probe with its output in pipes, as a script would; arguments in
// UTF-8, from the given directory, with the given environment block and
// error mode.
Run runProbe(const std::string& arguments, const char* directory = nullptr,
             wchar_t* environment = nullptr, UINT errorMode = 0) {
  Run run;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE outRead, outWrite, errRead, errWrite;
  CreatePipe(&outRead, &outWrite, &inherit, 1 << 16);
  CreatePipe(&errRead, &errWrite, &inherit, 1 << 16);
  SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = outWrite;
  startup.hStdError = errWrite;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION process{};
  std::wstring command = wide("hoverhue-probe.exe " + arguments);
  std::wstring folder = directory ? wide(directory) : L"";
  if (CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE,
                     CREATE_UNICODE_ENVIRONMENT | CREATE_SUSPENDED,
                     environment, directory ? folder.c_str() : nullptr,
                     &startup, &process)) {
    if (errorMode != 0 && !setErrorModeOf(process.hProcess, errorMode))
      run.err = "(the error mode could not be set)";
    ResumeThread(process.hThread);
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    run.out = readAll(outRead);
    run.err += readAll(errRead);
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

void checkExit(Checks& checks, const std::string& what, const Run& run,
               DWORD exitCode) {
  char codes[48];
  std::snprintf(codes, sizeof codes, ": exit %lu (got %lu)", exitCode,
                run.exitCode);
  checks.truth((what + codes).c_str(), run.exitCode == exitCode);
}

void checkFailure(Checks& checks, const std::string& arguments, DWORD exitCode,
                  const char* message) {
  Run run = runProbe(arguments);
  std::string what = "probe " + arguments;
  checkExit(checks, what, run, exitCode);
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

void writeTextFile(const char* path, const std::string& text) {
  HANDLE file =
      CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written,
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

  checkFailure(checks, "--dll nosuch.dll", 9, "nosuch.dll: ");
  checkFailure(checks, "--dll not-a-dll.dll", 9,
               "not-a-dll.dll: not a PE file");
  checkFailure(checks, "--dll empty.dll", 9, "empty.dll: not a PE file");
  checkFailure(checks, "--dll plugins", 9, "plugins: it is a directory");
  // A header that points before itself or past the end of the file.
  for (LONG at : {-1L, 0L, 0x7FFFFFF0L}) {
    IMAGE_DOS_HEADER dos{};
    dos.e_magic = IMAGE_DOS_SIGNATURE;
    dos.e_lfanew = at;
    std::string image(reinterpret_cast<char*>(&dos), sizeof dos);
    image += "PE";
    writeTextFile("pointer.dll", image);
    checkFailure(checks, "--dll pointer.dll", 9,
                 "pointer.dll: not a PE file");
  }
  // Held open by a program that shares it with no one.
  CopyFileA("fake_described.dll", "held.dll", FALSE);
  HANDLE held = CreateFileA("held.dll", GENERIC_READ, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  checkFailure(checks, "--dll held.dll", 9,
               "held.dll: another program holds it open and lets no one "
               "read it (a sharing violation, error 32)");
  CloseHandle(held);
  // A copy for the other build of the two, refused with advice.
#if defined(_WIN64)
  const WORD otherMachine = IMAGE_FILE_MACHINE_I386;
  const char* refusal =
      "is a 32-bit (i386) DLL (machine 0x014C); this probe is 64-bit (x64): "
      "use the 32-bit hoverhue-probe";
#else
  const WORD otherMachine = IMAGE_FILE_MACHINE_AMD64;
  const char* refusal =
      "is a 64-bit (x64) DLL (machine 0x8664); this probe is 32-bit (i386): "
      "use the 64-bit hoverhue-probe";
#endif
  checks.truth("copy for the other build written",
               writeCopyFor(otherMachine, "other.dll"));
  checkFailure(checks, "--dll other.dll", 4, refusal);
  checks.truth("ARM64 copy written", writeCopyFor(0xAA64, "arm64.dll"));
  checkFailure(checks, "--dll arm64.dll", 4, "is a 64-bit (ARM64) DLL");

  checkFailure(checks, "--dll fake_noinit.dll", 5, "does not export init");
  checkFailure(checks, "--dll fake_empty.dll", 5, "empty function list");
  checkFailure(checks, "--dll fake_nullinit.dll", 5, "init returned no list");
  checkFailure(checks, "--dll fake_malformed.dll", 5,
               "malformed function list \"mousex||answer\"");
  checkFailure(checks, "--dll fake_missing.dll", 6,
               "lists colourQ but does not export it");
  checkFailure(checks, "--dll fake_crash.dll", 7,
               "the plug-in crashed in crash");
  checkFailure(checks, "--dll fake_crashload.dll", 7,
               "the plug-in crashed in DllMain");
  Run handled = runProbe("--dll fake_handledload.dll");
  checkExit(checks, "an exception that DllMain handles is no crash", handled,
            0);
  checks.text("the plug-in that handled it answers", handled.out.c_str(),
              "mousex: 7\n");
  // A message is never cut, however long the path that it names.
  const std::string deep = std::string(1500, 'd') + "\\nosuch.dll";
  checkFailure(checks, "--dll " + deep, 9, deep.c_str());
  Run huge = runProbe("--dll fake_huge.dll");
  checks.truth("a 5 MB malformed list: exit 5, a short message",
               huge.exitCode == 5 && huge.err.size() < 1000 &&
                   huge.err.find("more characters cut]") != std::string::npos);
}

// What a plug-in does wrong at run time is named, with an exit code of its
// own, and what the probe inherited from its parent is kept.
void checkMisbehaviour(Checks& checks) {
  checkFailure(checks, "--dll fake_abort.dll", 10, "abort() in colourHex");
#if !defined(_WIN64)
  checkFailure(checks, "--dll fake_stdcall.dll", 11,
               "getparam popped its argument: it is stdcall, and hosts call "
               "it as cdecl");
  checkFailure(checks, "--dll fake_popper.dll", 11,
               "popper popped 4 bytes of its caller's stack: hosts call it "
               "as cdecl, with no arguments");
#endif
  // The parent's "no crash dialog", with the probe's own flags added.
  Run run = runProbe("--dll fake_errormode.dll", nullptr, nullptr,
                     SEM_NOGPFAULTERRORBOX);
  checks.text("the error mode set before the probe ran", run.err.c_str(), "");
  checks.text("the inherited error mode is kept", run.out.c_str(),
              "errormode: 8003\n");
}

// Dependencies are found beside the plug-in, never in the current folder.
void checkDependencySearch(Checks& checks) {
  Run run = runProbe("--dll ..\\fake_needsdep.dll", "deps");
  checkExit(checks, "a dependency only in the current folder is not loaded",
            run, 9);
  CopyFileA("fake_needsdep.dll", "deps\\fake_needsdep.dll", FALSE);
  run = runProbe("--dll deps\\fake_needsdep.dll");
  checks.text("a dependency beside the plug-in is loaded", run.out.c_str(),
              "mousex: 7\n");
}

// --json: one object a reading, every text whole.
void checkJson(Checks& checks) {
  const COLORREF colour = RGB(200, 10, 7);
  ColourWindow window({400, 300, 600, 500}, colour);
  Run run = runProbe("--at 420 330 --json");
  ExpectedTexts expected = expectedTexts({420, 330}, colour);
  std::string object = "{";
  for (int i = 0; i < valueCount; ++i)
    object += std::string(i ? "," : "") + "\"" + valueNames[i] + "\":\"" +
              expected.text[i] + "\"";
  checks.text("probe --json over a painted pixel", run.out.c_str(),
              (object + "}\n").c_str());
  run = runProbe("--dll fake_hostile.dll --json");
  checks.text("--json escapes what it must", run.out.c_str(),
              "{\"mousex\":\"7\",\"hostile\":\"\\u001b[2Jcleared\\u000aline\"}\n");
}

// The file named is the file loaded, from any folder and under any name,
// never another that the loader's search order would find first.
void checkExactFile(Checks& checks) {
  const char* described =
      "mousex: 7\nanswer: 42  [parameters: takes no parameters]\n";
  CopyFileA("fake_described.dll", "plugins\\hoverhue.dll", FALSE);
  for (const char* path : {"hoverhue.dll", ".\\hoverhue.dll"}) {
    Run run = runProbe(std::string("--dll ") + path, "plugins");
    checks.text((std::string("from plugins, --dll ") + path).c_str(),
                run.out.c_str(), described);
  }
  const std::string cyrillic = u8"\u041f\u0440\u0438\u0432\u0435\u0442";
  CreateDirectoryW(wide(cyrillic).c_str(), nullptr);
  CopyFileW(L"fake_described.dll", wide(cyrillic + "\\plugin.dll").c_str(),
            FALSE);
  Run run = runProbe("--dll " + cyrillic + "\\plugin.dll");
  checks.text("a DLL in a Cyrillic folder", run.out.c_str(), described);
  checkFailure(checks, "--dll " + cyrillic + "\\nosuch.dll", 9,
               (cyrillic + "\\nosuch.dll").c_str());
}

// A plug-in's text can neither drive the terminal nor break the lines.
void checkHostileText(Checks& checks) {
  Run run = runProbe("--dll fake_hostile.dll");
  checks.text("control characters are shown escaped", run.out.c_str(),
              "mousex: 7\nhostile: \\x1b[2Jcleared\\x0aline\n");
}

// --watch ends, with its own exit code, once its output goes away.
void checkWatchStopsWhenOutputCloses(Checks& checks) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE outRead, outWrite;
  CreatePipe(&outRead, &outWrite, &inherit, 1 << 16);
  SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = outWrite;
  startup.hStdError = outWrite;
  PROCESS_INFORMATION process{};
  char command[] = "hoverhue-probe.exe --watch 20";
  DWORD exitCode = 0xFFFFFFFF;
  if (CreateProcessA(nullptr, command, nullptr, nullptr, TRUE, 0, nullptr,
                     nullptr, &startup, &process)) {
    CloseHandle(outWrite);
    char buffer[64];
    DWORD read = 0;
    ReadFile(outRead, buffer, sizeof buffer, &read, nullptr);
    CloseHandle(outRead);  // as `| head -c 64` does
    WaitForSingleObject(process.hProcess, 10000);
    GetExitCodeProcess(process.hProcess, &exitCode);
    if (exitCode == STILL_ACTIVE) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  char what[80];
  std::snprintf(what, sizeof what,
                "--watch with its output closed exits 8 (got %lu)", exitCode);
  checks.truth(what, exitCode == 8);
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
  writeTextFile("empty.dll", "");
  CreateDirectoryA("plugins", nullptr);
  checkOutputOverPaintedPixel(checks);
  checkBadInput(checks);
  checkOtherPlugins(checks);
  checkExactFile(checks);
  checkHostileText(checks);
  checkWatchStopsWhenOutputCloses(checks);
  checkMisbehaviour(checks);
  checkDependencySearch(checks);
  checkJson(checks);
  return checks.finish();
}
