// Makes Wine start its desktop process now. The first window of a Wine session starts
// "explorer.exe /desktop", which inherits the starting process's error output and lives as
// long as the session: started by a test, it would hold the pipe ctest reads from open until
// the test times out. Run with closed output, this program starts it harmlessly.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Returns once the desktop window exists.
  return GetDesktopWindow() ? 0 : 1;
}
