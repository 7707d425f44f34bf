#include "host/browser/webkit/IncompleteInstallation.h"

#include "host/browser/webkit/WebKitSession.h"
#include "win32/WinUser.h"

#include <cstdio>

namespace quarrow {

void IncompleteInstallation::report(const WebKitSession& session)
{
    std::fprintf(stderr, "quarrow-launcher: the installation is incomplete: %s; no login can reach the game\n",
                 session.extensionProblemText().c_str());
    std::fflush(stderr);
    const bool missing = session.extensionProblem() == WebKitSession::ExtensionProblem::Missing;
    const char16_t* text = missing ? u"Quarrow 微端的安装不完整：缺少组件 quarrow-webext.so，无法登录游戏。请重新安装。"
                                   : u"Quarrow 微端的安装不完整：组件 quarrow-webext.so 无法加载，无法登录游戏。请重新安装。";
    ::MessageBoxW(nullptr, text, u"Quarrow 微端", MB_OK | MB_ICONERROR);
}

} // namespace quarrow
