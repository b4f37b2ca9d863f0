// The function list's grammar, free of Windows.
#include "plugin.h"

const char functionListGrammar[] =
    "names of letters, digits and '_', not starting with a digit, joined by "
    "single '|' characters";

bool isName(const std::string& name) {
  if (name.empty() || (name[0] >= '0' && name[0] <= '9')) return false;
  for (char c : name)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
          (c >= '0' && c <= '9') || c == '_'))
      return false;
  return true;
}

bool splitFunctionList(const std::string& list,
                       std::vector<std::string>& names) {
  names.clear();
  for (std::size_t start = 0;;) {
    std::size_t bar = list.find('|', start);
    std::string name = list.substr(start, bar - start);
    if (!isName(name)) return false;
    names.push_back(name);
    if (bar == std::string::npos) return true;
    start = bar + 1;
  }
}
