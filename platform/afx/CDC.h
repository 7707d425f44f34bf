// The framework's device-context wrapper: a thin object around an HDC that
// message handlers receive (OnEraseBkgnd, OnCtlColor). It owns the handle
// only when it created it; a wrapper made by FromHandle or Attach leaves
// the handle to whoever made it. Temporary wrappers from FromHandle belong
// to the framework and live until it next goes idle.
#pragma once

#include "afx/CObject.h"
#include "win32/WinGdi.h"
#include "win32/WinUser.h"

class CDC : public CObject {
    DECLARE_DYNAMIC(CDC)
public:
    CDC() = default;
    ~CDC() override;

    // A wrapper for `hDC` that the framework keeps until it is idle; null
    // for a null handle.
    static CDC* FromHandle(HDC hDC);
    // Deletes the temporary wrappers that FromHandle made.
    static void DeleteTempMap();

    // Unlike the framework it imitates, this must be called on a real
    // object: calling a member through a null pointer is undefined in C++.
    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }

    BOOL Attach(HDC hDC);
    HDC Detach();
    // A memory context compatible with `pDC` (null: the screen), owned by
    // this wrapper and deleted with it.
    BOOL CreateCompatibleDC(CDC* pDC);
    BOOL DeleteDC();

    int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
    COLORREF SetBkColor(COLORREF color) { return ::SetBkColor(m_hDC, color); }
    COLORREF SetTextColor(COLORREF color) { return ::SetTextColor(m_hDC, color); }
    HGDIOBJ SelectObject(HGDIOBJ object) { return ::SelectObject(m_hDC, object); }
    int FillRect(LPCRECT rect, HBRUSH brush) { return ::FillRect(m_hDC, rect, brush); }
    void FillSolidRect(LPCRECT rect, COLORREF color);
    int DrawText(LPCWSTR text, int count, LPRECT rect, UINT format)
    {
        return ::DrawTextW(m_hDC, text, count, rect, format);
    }

    HDC m_hDC = nullptr;
    HDC m_hAttribDC = nullptr;

private:
    bool m_bOwnsDC = false;
};
