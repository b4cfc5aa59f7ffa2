// A module of the sample client: a library that only knows its own name and version.
#include <windows.h>

extern "C" __declspec(dllexport) const char* TavoraModuleName() { return TAVORA_SAMPLE_MODULE_NAME; }
extern "C" __declspec(dllexport) const char* TavoraModuleVersion() { return TAVORA_SAMPLE_MODULE_VERSION; }

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
