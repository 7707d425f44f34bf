#include "host/browser/webkit/IncompleteInstallation.h"

#include "win32/WinUser.h"

#include <cstdio>

namespace quarrow {

void IncompleteInstallation::report(const std::u16string& component, bool missing, const std::string& problem)
{
    std::fprintf(stderr, "quarrow-launcher: the installation is incomplete: %s; no login can reach the game\n",
                 problem.c_str());
    std::fflush(stderr);
    const std::u16string text = missing ? u"Quarrow 微端的安装不完整：缺少组件 " + component + u"，无法登录游戏。请重新安装。"
                                        : u"Quarrow 微端的安装不完整：组件 " + component + u" 无法加载，无法登录游戏。请重新安装。";
    ::MessageBoxW(nullptr, text.c_str(), u"Quarrow 微端", MB_OK | MB_ICONERROR);
}

} // namespace quarrow
