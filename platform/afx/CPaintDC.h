// A device context for painting a window in its WM_PAINT handler: the
// constructor begins the paint (BeginPaint) and the destructor ends it
// (EndPaint). Lives on the handler's stack; owns the paint it began.
#pragma once

#include "afx/CDC.h"

class CWnd;

class CPaintDC : public CDC {
    DECLARE_DYNAMIC(CPaintDC)
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC() override;

    PAINTSTRUCT m_ps{};

protected:
    HWND m_hWnd;
};
