// A Windows helper for the launcher's tests under Wine: lists the windows of
// the desktop it runs on, so that a test on the Linux side can find the
// launcher's windows and their child windows (the buttons, the browser
// control's windows), which have no X window of their own.
//
// It reads one request per line from its standard input and answers each
// on its standard output, ending the answer with a line holding a single
// ".":
//   list    every visible top-level window and, below each, its child
//           windows, one per line:
//             <depth> <hwnd> <pid> <left> <top> <right> <bottom> <visible> <id> <class>\t<title>
//           with the rectangle in screen coordinates, the class and title in
//           UTF-8 (the title's tabs and line breaks as spaces)
// It ends at the end of its input. One process answers many requests, so a
// test that polls pays for one Wine start only.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string Utf8(const wchar_t* text)
{
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return {};
    std::string out(static_cast<size_t>(n - 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    for (char& c : out) {
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    }
    return out;
}

void Describe(HWND hwnd, int depth)
{
    wchar_t className[256] = {};
    GetClassNameW(hwnd, className, 256);
    wchar_t title[512] = {};
    GetWindowTextW(hwnd, title, 512);
    RECT r{};
    GetWindowRect(hwnd, &r);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    std::printf("%d %llx %lu %ld %ld %ld %ld %d %ld %s\t%s\n", depth,
                static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(hwnd)), pid, r.left, r.top, r.right,
                r.bottom, IsWindowVisible(hwnd) ? 1 : 0, static_cast<long>(GetDlgCtrlID(hwnd)), Utf8(className).c_str(),
                Utf8(title).c_str());
}

struct Walk {
    HWND parent;
    int depth;
};

BOOL CALLBACK Child(HWND hwnd, LPARAM param)
{
    const Walk* walk = reinterpret_cast<const Walk*>(param);
    // EnumChildWindows goes through every descendant; only the direct
    // children are described here, each followed by its own.
    if (GetAncestor(hwnd, GA_PARENT) != walk->parent) return TRUE;
    Describe(hwnd, walk->depth);
    Walk below{hwnd, walk->depth + 1};
    EnumChildWindows(hwnd, Child, reinterpret_cast<LPARAM>(&below));
    return TRUE;
}

BOOL CALLBACK TopLevel(HWND hwnd, LPARAM)
{
    if (!IsWindowVisible(hwnd)) return TRUE;
    Describe(hwnd, 0);
    Walk below{hwnd, 1};
    EnumChildWindows(hwnd, Child, reinterpret_cast<LPARAM>(&below));
    return TRUE;
}

} // namespace

int main()
{
    char line[256];
    while (std::fgets(line, sizeof line, stdin)) {
        if (std::string(line).rfind("list", 0) == 0) EnumWindows(TopLevel, 0);
        std::printf(".\n");
        std::fflush(stdout);
    }
    return 0;
}
