// The program's entry point, in its own library (quarrow_afx_main) so that
// only the program links it: it hands control to the framework, which runs
// the one application object.
#include "afx/CWinApp.h"

int main() { return AfxWinMain(); }
