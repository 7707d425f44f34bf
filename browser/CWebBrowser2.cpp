#include "browser/CWebBrowser2.h"

#include "browser/WebBrowserDispIds.h"

IMPLEMENT_DYNCREATE(CWebBrowser2, CWnd)

BOOL CWebBrowser2::Create(LPCWSTR, LPCWSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                          UINT nID, void*)
{
    return CreateControl(GetClsid(), lpszWindowName, dwStyle, rect, pParentWnd, nID);
}

void CWebBrowser2::Navigate(LPCWSTR URL, VARIANT* Flags, VARIANT* TargetFrameName, VARIANT* PostData,
                            VARIANT* Headers)
{
    static const BYTE parms[] = VTS_BROWSER_NAVIGATE;
    InvokeHelper(DISPID_BROWSER_NAVIGATE, DISPATCH_METHOD, VT_EMPTY, nullptr, parms, URL, Flags, TargetFrameName,
                 PostData, Headers);
}

void CWebBrowser2::SetSilent(BOOL bNewValue)
{
    static const BYTE parms[] = VTS_BROWSER_SILENT;
    InvokeHelper(DISPID_BROWSER_SILENT, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, parms, bNewValue);
}

CString CWebBrowser2::GetLocationURL()
{
    CString result;
    InvokeHelper(DISPID_BROWSER_LOCATIONURL, DISPATCH_PROPERTYGET, VT_BSTR, &result, nullptr);
    return result;
}
