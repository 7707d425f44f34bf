// Parameter-type descriptions for the framework's InvokeHelper and event
// sink maps: one VARTYPE byte per parameter, with VT_BYREF's 0x40 bit for a
// pointer to that type, as a zero-terminated byte string.
#pragma once

#define VTS_NONE ""
#define VTS_I2 "\x02"
#define VTS_I4 "\x03"
#define VTS_BSTR "\x08"
#define VTS_DISPATCH "\x09"
#define VTS_BOOL "\x0B"
#define VTS_VARIANT "\x0C"
#define VTS_UNKNOWN "\x0D"
#define VTS_PI4 "\x43"
#define VTS_PBSTR "\x48"
#define VTS_PBOOL "\x4B"
#define VTS_PVARIANT "\x4C"
