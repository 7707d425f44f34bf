// The dispatch ids of the WebBrowser control's events (DWebBrowserEvents2)
// that the launcher handles, under the platform's names. They are macros,
// as the platform declares them.
#pragma once

#if defined(_WIN32)
// The Windows build takes these declarations from the SDK: <exdispid.h>.
#include <exdispid.h>
#else

#define DISPID_BEFORENAVIGATE2 250
#define DISPID_DOCUMENTCOMPLETE 259
#define DISPID_BEFORESCRIPTEXECUTE 290

#endif // _WIN32
