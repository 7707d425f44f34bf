// The X server the GTK tests run on: a virtual framebuffer (Xvfb, 1920 x
// 1080, 24 bits) that the test program starts itself on a free display
// number, and the environment that keeps it for the whole program and ends
// it afterwards. Tests never touch the user's own display: DISPLAY is set to
// this server's once it accepts connections.
#pragma once

#include "ChildProcess.h"

#include <gtest/gtest.h>

#include <string>

namespace quarrow::test {

class XServer {
public:
    static constexpr int kWidth = 1920;
    static constexpr int kHeight = 1080;

    // Starts Xvfb and waits until it accepts connections; false with
    // `error()` saying why when it cannot.
    bool start();
    void stop();
    bool running() const { return m_running; }
    // ":N"
    const std::string& display() const { return m_display; }
    const std::string& error() const { return m_error; }

    // The server of this test program (started by XServerEnvironment).
    static XServer& instance();

private:
    ChildProcess m_process;
    std::string m_display;
    std::string m_error;
    bool m_running = false;
};

// Starts the server before the first test and stops it after the last.
class XServerEnvironment : public ::testing::Environment {
public:
    void SetUp() override;
    void TearDown() override;
};

} // namespace quarrow::test
