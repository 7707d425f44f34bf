// What a page cannot do inside the launcher's view, with real clicks on a
// real X server: a new window that a user's click asks for (a link with
// target="_blank", window.open from a click) opens in the user's browser
// through the shell open, and one a page's script opens by itself opens
// nothing; a download is never saved: a user's click on a download link
// hands its address to the user's browser once, a frame's attachment is
// cancelled. The desktop's opener is a recorder script found first on PATH,
// so each address the user's browser would get becomes a line of its
// record, in order. A test that expects nothing clicks a harmless _blank
// link last: once its address is recorded, anything before it would have
// been recorded before it.
#include "WebKitFixture.h"

#include <gmock/gmock.h>
#include <webkit2/webkit2.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/Files.h"

namespace quarrow::test {
namespace {

namespace fs = std::filesystem;

// Where each element of links.html lies in the page.
constexpr POINT kBlankLink{40, 15};
constexpr POINT kFileLink{40, 65};
constexpr POINT kOpenButton{40, 115};
constexpr POINT kDownloadLink{40, 165};

// Standard error while it lives; released whatever way the test ends.
class CapturedStderr {
public:
    CapturedStderr() { ::testing::internal::CaptureStderr(); }
    ~CapturedStderr() { text(); }
    const std::string& text()
    {
        if (!m_done) m_text = ::testing::internal::GetCapturedStderr();
        m_done = true;
        return m_text;
    }

private:
    bool m_done = false;
    std::string m_text;
};

class WebKitUserBrowserTest : public WebKitTest {
protected:
    void SetUp() override
    {
        m_folder = fs::temp_directory_path() / ("quarrow-user-browser-" + std::to_string(getpid()));
        fs::create_directories(m_folder);
        m_record = m_folder / "opened";
        {
            std::ofstream opener(m_folder / "xdg-open");
            opener << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << m_record.string() << "'\n";
        }
        fs::permissions(m_folder / "xdg-open", fs::perms::owner_all);
        const char* path = std::getenv("PATH");
        m_savedPath = path ? path : "";
        setenv("PATH", (m_folder.string() + ":" + m_savedPath).c_str(), 1);
        WebKitTest::SetUp();
        if (HasFatalFailure()) return;
        g_signal_connect(session->context(), "download-started",
                         G_CALLBACK(+[](WebKitWebContext*, WebKitDownload*, gpointer count) { ++*static_cast<int*>(count); }),
                         &m_downloadsStarted);
    }
    void TearDown() override
    {
        if (session) g_signal_handlers_disconnect_by_data(session->context(), &m_downloadsStarted);
        WebKitTest::TearDown();
        setenv("PATH", m_savedPath.c_str(), 1);
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }

    void addPages() override
    {
        WebKitTest::addPages();
        auto at = [](POINT p) {
            return "position: absolute; display: block; left: 0; top: " + std::to_string(p.y - 15) +
                   "px; width: 200px; height: 30px; margin: 0";
        };
        portal.addPage("links.html", "<!DOCTYPE html><html><body style='margin: 0'>"
                                     "<a href='http://portal.test/away.html' target='_blank' style='" + at(kBlankLink) + "'>away</a>"
                                     "<a href='file:///etc/hostname' target='_blank' style='" + at(kFileLink) + "'>file</a>"
                                     "<button onclick=\"window.open('http://portal.test/opened.html')\" style='" +
                                     at(kOpenButton) + "'>open</button>"
                                     "<a id='download' href='report.bin' style='" + at(kDownloadLink) +
                                     "'>download</a></body></html>");
        // Pop-ups of the page's own script, at once and a moment later.
        portal.addPage("popups.html", "<!DOCTYPE html><html><body style='margin: 0'>"
                                      "<a href='http://portal.test/away.html' target='_blank' style='" + at(kBlankLink) + "'>away</a>"
                                      "<script>window.open('http://portal.test/at-once.html');"
                                      "setTimeout(function () { window.open('http://portal.test/later.html');"
                                      " document.title = 'tried'; }, 0);</script></body></html>");
        portal.addPage("report.bin", std::string(4096, 'x'));
        portal.addHeaders("report.bin", "Content-Type: application/octet-stream\n"
                                        "Content-Disposition: attachment; filename=\"report.bin\"\n");
        portal.addPage("framed.html", "<!DOCTYPE html><html><body style='margin: 0'>"
                                      "<a href='http://portal.test/away.html' target='_blank' style='" + at(kBlankLink) + "'>away</a>"
                                      "<iframe src='report.bin' style='position: absolute; top: 200px'></iframe>"
                                      "</body></html>");
    }

    void clickPage(POINT p)
    {
        probe->click(kFrame.left + kControl.left + p.x, kFrame.top + kControl.top + p.y);
        probe->sync();
    }

    std::vector<std::string> opened() const
    {
        std::vector<std::string> lines;
        std::istringstream in(ReadFile(m_record.string()));
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    // Runs until the user's browser has been asked for `count` addresses.
    bool waitForOpened(size_t count)
    {
        return runUntil([&] { return opened().size() >= count; }, 20000);
    }

    fs::path m_folder;
    fs::path m_record;
    std::string m_savedPath;
    int m_downloadsStarted = 0;
};

TEST_F(WebKitUserBrowserTest, NewWindowsAUserClicksForOpenInTheUsersBrowserAndNoOtherAddress)
{
    ASSERT_TRUE(load(portal.loopbackRoot() + "links.html"));
    clickPage(kFileLink);
    clickPage(kBlankLink);
    ASSERT_TRUE(waitForOpened(1)) << "the _blank link opened nothing";
    clickPage(kOpenButton);
    ASSERT_TRUE(waitForOpened(2)) << "window.open from a click opened nothing";
    // The local file was not handed on: it came first and is not there.
    EXPECT_THAT(opened(), ::testing::ElementsAre("http://portal.test/away.html", "http://portal.test/opened.html"));
    // The launcher's view stays where it was.
    EXPECT_EQ(engine->location(), wide(portal.loopbackRoot() + "links.html"));
}

TEST_F(WebKitUserBrowserTest, APagesOwnPopUpsOpenNothing)
{
    ASSERT_TRUE(load(portal.loopbackRoot() + "popups.html"));
    ASSERT_EQ(waitForJs("document.title", "tried"), "tried");
    clickPage(kBlankLink);
    ASSERT_TRUE(waitForOpened(1));
    EXPECT_THAT(opened(), ::testing::ElementsAre("http://portal.test/away.html"));
}

TEST_F(WebKitUserBrowserTest, ADownloadLinkAUserClicksGoesToTheUsersBrowserOnceAndIsNotSaved)
{
    ASSERT_TRUE(load(portal.loopbackRoot() + "links.html"));
    CapturedStderr captured;
    clickPage(kDownloadLink);
    ASSERT_TRUE(waitForOpened(1)) << "the download went nowhere:\n" << captured.text();
    // Then a _blank link: a second hand-over of the download would come
    // before its address.
    clickPage(kBlankLink);
    ASSERT_TRUE(waitForOpened(2));
    const std::string err = captured.text();
    EXPECT_THAT(opened(), ::testing::ElementsAre(portal.loopbackRoot() + "report.bin", "http://portal.test/away.html"));
    EXPECT_EQ(m_downloadsStarted, 0) << "WebKit started a download of its own";
    EXPECT_THAT(err, ::testing::HasSubstr("the download of " + portal.loopbackRoot() +
                                          "report.bin was handed to the user's browser"));
    EXPECT_EQ(engine->location(), wide(portal.loopbackRoot() + "links.html"));
}

TEST_F(WebKitUserBrowserTest, AFramesAttachmentIsCancelledAndGoesNowhere)
{
    CapturedStderr captured;
    ASSERT_TRUE(load(portal.loopbackRoot() + "framed.html"));
    const std::string line = "the download of " + portal.loopbackRoot() + "report.bin was cancelled: no user asked for it";
    // The top document's load has ended once its frame's has, the
    // cancelled download's with it.
    clickPage(kBlankLink);
    ASSERT_TRUE(waitForOpened(1));
    const std::string err = captured.text();
    EXPECT_THAT(opened(), ::testing::ElementsAre("http://portal.test/away.html"));
    EXPECT_EQ(m_downloadsStarted, 0);
    EXPECT_THAT(err, ::testing::HasSubstr(line));
}

} // namespace
} // namespace quarrow::test
