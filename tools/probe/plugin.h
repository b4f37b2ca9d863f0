// The plug-in under test: loading it as its host does, and every call into
// it, each guarded so that a crash, an abort() or a wrong calling
// convention is reported as the plug-in's, naming the function.
#ifndef HOVERHUE_PROBE_PLUGIN_H
#define HOVERHUE_PROBE_PLUGIN_H

#include <cstddef>
#include <string>
#include <vector>

#define HOVERHUE_NO_PROTOTYPES
#include "hoverhue.h"

// A function list's grammar, as --help and the messages give it.
extern const char functionListGrammar[];

// A name in a function list: letters, digits and '_', not starting with a
// digit, so no decorated name such as _f@0.
bool isName(const std::string& name);

// The names of a list joined by single '|' characters; false when any part
// is no name (an empty list, "a||b", "|a", "a|" included).
bool splitFunctionList(const std::string& list,
                       std::vector<std::string>& names);

struct Function {
  std::string name;
  hoverhue_text_fn call;
};

struct Plugin {
  void* module = nullptr;
  std::string path;  // as messages name it
  std::vector<Function> functions;
  hoverhue_param_fn getparam = nullptr;
};

// Readies the probe for whatever the plug-in does: a crash or an abort()
// is reported and ends the probe with its own exit code, and the system's
// error dialogs stay away (the error mode the probe inherited is kept,
// with the probe's flags added).
void guardCalls();

// Loads exactly the file named, never another of that name that the
// loader's search order would find first, and looks for its own
// dependencies beside it and in the system's folders alone (not in the
// current folder or PATH), where Windows can: 8 and later, and 7 or Vista
// with update KB2533623; elsewhere the current folder and PATH are searched
// too. Then resolves every function that init lists, and getparam. Returns
// goOn, or the exit code to stop with.
int loadPlugin(const std::wstring& path, Plugin& plugin);

// What functions[index] answers, nullptr if no text. Returns goOn, or the
// exit code to stop with.
int callFunction(const Plugin& plugin, std::size_t index, const char*& text);

// What getparam says of functions[index], nullptr if it has no getparam or
// says nothing. Returns goOn, or the exit code to stop with.
int describeParameters(const Plugin& plugin, std::size_t index,
                       const char*& description);

#endif
