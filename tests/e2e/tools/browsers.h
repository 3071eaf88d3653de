#pragma once
// What the parts of the browsers tool share (tests/e2e/tools/browsers.cpp): its error lines and
// the subcommands kept in a file of their own.
#include <windows.h>

#include <string>
#include <vector>

namespace browsers {

void PrintError(const std::string& line);

// Reports a failed call and returns the tool's failure status.
int Failed(const std::string& what, HRESULT hr);

// bench ROUNDS [--keep-item] [--kind] (browsers_bench.cpp); returns 2 for a bad use.
int Bench(const std::vector<std::wstring>& args);

}  // namespace browsers
