// The program's entry point, in its own library (quarrow_afx_main) so that
// only the program links it: it hands control to the framework, which runs
// the one application object. On Windows the entry point is wWinMain (the
// program links with -municode); the framework reads the instance and the
// module path from the system itself, so the arguments are not passed on.
#include "afx/CWinApp.h"

#if defined(_WIN32)
int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) { return AfxWinMain(); }
#else
int main() { return AfxWinMain(); }
#endif
