// The umbrella header: brings in every Win32-style header of the layer, as
// the platform's <windows.h> does. Headers that other parts of the layer add
// later are picked up as soon as they exist.
#pragma once

#include "win32/WinDef.h"
#include "win32/WinError.h"
#include "win32/ErrHandlingApi.h"
#include "win32/Unknwn.h"
#include "win32/WinGdi.h"
#include "win32/WinUser.h"

#if __has_include("win32/WinBase.h")
#include "win32/WinBase.h"
#endif
#if __has_include("win32/ProcessThreadsApi.h")
#include "win32/ProcessThreadsApi.h"
#endif
#if __has_include("win32/LibLoaderApi.h")
#include "win32/LibLoaderApi.h"
#endif
#if __has_include("win32/WinNls.h")
#include "win32/WinNls.h"
#endif
#if __has_include("win32/OleAuto.h")
#include "win32/OleAuto.h"
#endif
#if __has_include("win32/OAIdl.h")
#include "win32/OAIdl.h"
#endif
#if __has_include("win32/ObjIdl.h")
#include "win32/ObjIdl.h"
#endif
#if __has_include("win32/ShellApi.h")
#include "win32/ShellApi.h"
#endif
#if __has_include("win32/CommCtrl.h")
#include "win32/CommCtrl.h"
#endif
#if __has_include("win32/GdiPlus.h")
#include "win32/GdiPlus.h"
#endif
