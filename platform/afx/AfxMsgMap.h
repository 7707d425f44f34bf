// Message-map entry macros for window messages and control notifications,
// with the framework's handler names and signatures. Use them between
// BEGIN_MESSAGE_MAP and END_MESSAGE_MAP (afx/CCmdTarget.h) of a CWnd-derived
// class; each names the handler of the class being mapped (ThisClass) and
// fails to compile when the handler's signature is wrong.
//
// Handlers, by entry:
//   ON_WM_CREATE        int OnCreate(LPCREATESTRUCT)
//   ON_WM_DESTROY       void OnDestroy()
//   ON_WM_NCDESTROY     void OnNcDestroy()
//   ON_WM_CLOSE         void OnClose()
//   ON_WM_PAINT         void OnPaint()
//   ON_WM_ERASEBKGND    BOOL OnEraseBkgnd(CDC*)
//   ON_WM_MOVE          void OnMove(int x, int y)            client origin, screen or parent coordinates
//   ON_WM_SIZE          void OnSize(UINT nType, int cx, int cy)
//   ON_WM_LBUTTONDOWN   void OnLButtonDown(UINT nFlags, CPoint point)   client coordinates
//   ON_WM_LBUTTONUP     void OnLButtonUp(UINT nFlags, CPoint point)
//   ON_WM_MOUSEMOVE     void OnMouseMove(UINT nFlags, CPoint point)
//   ON_WM_NCHITTEST     LRESULT OnNcHitTest(CPoint point)    screen coordinates
//   ON_WM_QUERYDRAGICON HCURSOR OnQueryDragIcon()
//   ON_WM_CTLCOLOR      HBRUSH OnCtlColor(CDC*, CWnd*, UINT nCtlColor)
//                       for every WM_CTLCOLORMSGBOX ... WM_CTLCOLORSTATIC, with
//                       nCtlColor = CTLCOLOR_MSGBOX ... CTLCOLOR_STATIC
//   ON_WM_SYSCOMMAND    void OnSysCommand(UINT nID, LPARAM lParam)
//   ON_WM_DRAWITEM      void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT)
//   ON_MESSAGE(msg, f)  LRESULT f(WPARAM, LPARAM)
//   ON_BN_CLICKED(id, f), ON_COMMAND(id, f), ON_CONTROL(code, id, f)   void f()
#pragma once

#include "afx/CCmdTarget.h"

// The framework's one control-colour message, under which its message maps
// keep the handler for every WM_CTLCOLOR* message. It is the framework's
// value (the system's message of that number is gone), so it lives here and
// not with the system's messages.
#define WM_CTLCOLOR 0x0019

#define QUARROW_ON_WM(message, sig, member, type, handler) \
    {message, 0, 0, 0, sig, {.member = static_cast<type>(&ThisClass::handler)}},

#define ON_WM_CREATE() QUARROW_ON_WM(WM_CREATE, AfxSig_i_CREATE, i_CREATE, int (CWnd::*)(LPCREATESTRUCTW), OnCreate)
#define ON_WM_DESTROY() QUARROW_ON_WM(WM_DESTROY, AfxSig_v_v, v_v, AFX_PMSG, OnDestroy)
#define ON_WM_NCDESTROY() QUARROW_ON_WM(WM_NCDESTROY, AfxSig_v_v, v_v, AFX_PMSG, OnNcDestroy)
#define ON_WM_CLOSE() QUARROW_ON_WM(WM_CLOSE, AfxSig_v_v, v_v, AFX_PMSG, OnClose)
#define ON_WM_PAINT() QUARROW_ON_WM(WM_PAINT, AfxSig_v_v, v_v, AFX_PMSG, OnPaint)
#define ON_WM_ERASEBKGND() QUARROW_ON_WM(WM_ERASEBKGND, AfxSig_b_DC, b_DC, BOOL (CWnd::*)(CDC*), OnEraseBkgnd)
#define ON_WM_MOVE() QUARROW_ON_WM(WM_MOVE, AfxSig_v_ii, v_ii, void (CWnd::*)(int, int), OnMove)
#define ON_WM_SIZE() QUARROW_ON_WM(WM_SIZE, AfxSig_v_uii, v_uii, void (CWnd::*)(UINT, int, int), OnSize)
#define ON_WM_LBUTTONDOWN() \
    QUARROW_ON_WM(WM_LBUTTONDOWN, AfxSig_v_uPoint, v_uPoint, void (CWnd::*)(UINT, CPoint), OnLButtonDown)
#define ON_WM_LBUTTONUP() \
    QUARROW_ON_WM(WM_LBUTTONUP, AfxSig_v_uPoint, v_uPoint, void (CWnd::*)(UINT, CPoint), OnLButtonUp)
#define ON_WM_MOUSEMOVE() \
    QUARROW_ON_WM(WM_MOUSEMOVE, AfxSig_v_uPoint, v_uPoint, void (CWnd::*)(UINT, CPoint), OnMouseMove)
#define ON_WM_NCHITTEST() QUARROW_ON_WM(WM_NCHITTEST, AfxSig_l_Point, l_Point, LRESULT (CWnd::*)(CPoint), OnNcHitTest)
#define ON_WM_QUERYDRAGICON() \
    QUARROW_ON_WM(WM_QUERYDRAGICON, AfxSig_hcur_v, hcur_v, HCURSOR (CWnd::*)(), OnQueryDragIcon)
// Stored under WM_CTLCOLOR: the dispatcher looks every WM_CTLCOLOR* message
// up there.
#define ON_WM_CTLCOLOR() \
    QUARROW_ON_WM(WM_CTLCOLOR, AfxSig_hbr_DCWu, hbr_DCWu, HBRUSH (CWnd::*)(CDC*, CWnd*, UINT), OnCtlColor)
#define ON_WM_SYSCOMMAND() QUARROW_ON_WM(WM_SYSCOMMAND, AfxSig_v_ul, v_ul, void (CWnd::*)(UINT, LPARAM), OnSysCommand)
#define ON_WM_DRAWITEM() \
    QUARROW_ON_WM(WM_DRAWITEM, AfxSig_v_iDRAW, v_iDRAW, void (CWnd::*)(int, LPDRAWITEMSTRUCT), OnDrawItem)

#define ON_MESSAGE(message, memberFxn) \
    {message, 0, 0, 0, AfxSig_l_wl, {.l_wl = static_cast<LRESULT (CWnd::*)(WPARAM, LPARAM)>(memberFxn)}},

#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
