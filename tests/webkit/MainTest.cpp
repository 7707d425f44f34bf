// The program's entry point on the real screen (quarrow_gtk_main), run as
// a program of its own: without a display it says so in one line and
// fails, before anything of the application or of WebKit starts.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace quarrow::test {
namespace {

TEST(GtkMainTest, WithoutADisplayTheProgramSaysSoInOneLineAndFails)
{
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        if (std::strncmp(*e, "DISPLAY=", 8) != 0 && std::strncmp(*e, "WAYLAND_DISPLAY=", 16) != 0) env.push_back(*e);
    }
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    int err[2];
    ASSERT_EQ(pipe2(err, O_CLOEXEC), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    char* argv[] = {const_cast<char*>(QUARROW_GTK_MAIN_PROBE), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, QUARROW_GTK_MAIN_PROBE, &actions, nullptr, argv, envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(err[1]);
    std::string text;
    char buffer[512];
    ssize_t n;
    while ((n = read(err[0], buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
    ::close(err[0]);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);

    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(text,
              "quarrow-launcher: no X display to show the windows on: DISPLAY is not set; this program needs an X11 "
              "screen\n");
}

} // namespace
} // namespace quarrow::test
