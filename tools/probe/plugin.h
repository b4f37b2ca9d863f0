// Loading a plug-in as its host does: the machine check, the load itself,
// crash reports, and the function list.
#ifndef HOVERHUE_PROBE_PLUGIN_H
#define HOVERHUE_PROBE_PLUGIN_H

#include <windows.h>

#include <string>
#include <vector>

using TextFunction = const char*(__cdecl*)();
using ParamFunction = const char*(__cdecl*)(unsigned);

struct Function {
  std::string name;
  TextFunction call;
};

// What the probe is doing with the plug-in, named if the plug-in crashes.
extern const char* currentFunction;

// Reports a crash in the plug-in and ends the probe: the filter for
// exceptions that nothing handled.
LONG WINAPI reportCrash(EXCEPTION_POINTERS* exception);

// Loads exactly the file named, never another of that name that the
// loader's search order would find first, and looks for its own
// dependencies beside it. Returns goOn, or the exit code to stop with.
int loadPlugin(const std::wstring& path, HMODULE& module);

// The functions that init lists, each resolved by name. Returns goOn, or
// the exit code to stop with.
int readFunctionList(HMODULE module, const std::string& path,
                     std::vector<Function>& functions);

#endif
