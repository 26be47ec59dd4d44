// The page in a real browser (headless Chromium): it shows the running Trimul with its ports,
// its deactivate button changes the state it shows, and its plot of an output port draws what
// the port sends after an injection. Leaves a screenshot of the page in the build folder.
#include "ServeProcess.h"
#include "WebDriver.h"

#include "Rtctl.h"
#include "TrimulProcess.h"

#include "NameServer.h"
#include "Paths.h"
#include "Wait.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace std::chrono_literals;

namespace web
{
  namespace
  {
    class Browser : public ::testing::Test
    {
    protected:
      // The text of the first element matching `css`, or "" when there is none yet.
      std::string text(const std::string& css)
      {
        const nlohmann::json found =
          browser.script("const e = document.querySelector(arguments[0]); return e ? e.textContent : '';", {css});
        return found.is_string() ? found.get<std::string>() : std::string();
      }
      std::string attribute(const std::string& css, const std::string& name)
      {
        const nlohmann::json found = browser.script(
          "const e = document.querySelector(arguments[0]); return e ? (e.getAttribute(arguments[1]) || '') : '';",
          {css, name});
        return found.is_string() ? found.get<std::string>() : std::string();
      }
      bool waitForText(const std::string& css, const std::string& wanted, std::chrono::milliseconds bound)
      {
        return testsupport::waitUntil([&] { return text(css) == wanted; }, bound, 20ms);
      }

      testsupport::NameServer ns;
      e2e::TrimulProcess trimul{ns};
      ServeProcess serve{ns};
      WebDriver browser;
      const std::string card = ".card[data-component='" + keyOf(ns, trimul.path()) + "']";
    };

    TEST_F(Browser, ThePageShowsTrimulAndFollowsItsButtonsAndPlots)
    {
      browser.open(serve.url());
      ASSERT_TRUE(waitForText(card + " .state", "Inactive", 15s)) << "page shows: " << text("body");
      for (const char* port : {"x1", "y1", "y2", "y3"})
        EXPECT_EQ(port, text(card + " li[data-port='" + std::string(port) + "'] .name")) << port;
      EXPECT_EQ("in", text(card + " li[data-port='x1'] .dir"));
      EXPECT_EQ("out", text(card + " li[data-port='y3'] .dir"));
      EXPECT_FALSE(browser.find("#graph svg g.node").empty()) << "no graph drawn";

      browser.click(browser.find(card + " button[data-action='activate']"));
      ASSERT_TRUE(waitForText(card + " .state", "Active", 5s)) << text(card);

      browser.click(browser.find(card + " button[data-action='deactivate']"));
      EXPECT_TRUE(waitForText(card + " .state", "Inactive", 1s)) << "still " << text(card + " .state");

      ASSERT_EQ(0, e2e::Rtctl(ns.address()).run({"activate", trimul.path()}).exitCode);
      browser.click(browser.find(card + " li[data-port='y1'] button[data-plot]"));
      const std::string canvas = ".plot[data-plot='" + keyOf(ns, trimul.path()) + ":y1'] canvas";
      ASSERT_FALSE(browser.find(canvas).empty());
      // The plot's stream is open once the server shows y1 connected to its own component.
      ASSERT_TRUE(testsupport::waitUntil([&] { return !text(card + " li[data-port='y1'] .links").empty(); }, 10s));
      const e2e::RtctlResult injected = e2e::Rtctl(ns.address()).run({"inject", trimul.port("x1"), "7", "-21"});
      ASSERT_EQ(0, injected.exitCode) << injected.err;
      EXPECT_TRUE(testsupport::waitUntil([&] { return attribute(canvas, "data-last") == "-42"; }, 10s))
        << "the plot shows " << attribute(canvas, "data-samples") << " samples, the last "
        << attribute(canvas, "data-last");
      EXPECT_EQ("2", attribute(canvas, "data-samples"));

      const std::vector<unsigned char> png = browser.screenshot();
      ASSERT_GT(png.size(), 8u);
      EXPECT_EQ(0x89, png[0]);
      std::ofstream(testsupport::binaryDir() + "/serve-page.png", std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    }
  }
}
