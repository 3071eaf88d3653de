// A library that a web page could leave in Downloads beside the program, for
// win32_library_search_test.cpp: only its name matters, and that no system library names it.
extern "C" __declspec(dllexport) int PagemindPlantedLibrary() {
  return 1;
}
