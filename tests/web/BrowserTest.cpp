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
      // Clicks the element matching `css`, finding it again should an update have replaced it
      // between the finding and the click.
      void click(const std::string& css)
      {
        for (int attempt = 0;; ++attempt)
        {
          try
          {
            const std::string element = browser.find(css);
            ASSERT_FALSE(element.empty()) << "nothing matches " << css;
            browser.click(element);
            return;
          }
          catch (const std::runtime_error& e)
          {
            if (attempt >= 5 || std::string(e.what()).find("stale element") == std::string::npos)
              throw;
          }
        }
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

      click(card + " button[data-action='activate']");
      ASSERT_TRUE(waitForText(card + " .state", "Active", 5s)) << text(card);

      click(card + " button[data-action='deactivate']");
      EXPECT_TRUE(waitForText(card + " .state", "Inactive", 1s)) << "still " << text(card + " .state");

      // A second component fed by the first, so that the graph has an edge to draw.
      e2e::TrimulProcess second(ns, "Trimul1");
      const e2e::Rtctl rtctl(ns.address());
      ASSERT_EQ(0,
                rtctl.run({"connect", trimul.port("y1"), second.port("x1"), "-p", "subscription_type=new"}).exitCode);
      ASSERT_EQ(0, rtctl.run({"activate", trimul.path()}).exitCode);
      ASSERT_EQ(0, rtctl.run({"activate", second.path()}).exitCode);
      EXPECT_TRUE(testsupport::waitUntil([&] { return !browser.find("#graph svg g.edge").empty(); }, 5s));
      // Both carry the instance name Trimul0 in their ports' own names; each end is named by
      // where its component is bound, with the whole path on hover.
      const std::string secondCard = ".card[data-component='" + keyOf(ns, second.path()) + "']";
      const struct
      {
        std::string links;
        std::string name;
        std::string path;
      } ends[] = {
        {card + " li[data-port='y1'] .links .end", "Trimul1.x1", keyOf(ns, second.path()) + ":x1"},
        {secondCard + " li[data-port='x1'] .links .end", "Trimul0.y1", keyOf(ns, trimul.path()) + ":y1"},
      };
      for (const auto& end : ends)
      {
        EXPECT_TRUE(waitForText(end.links, end.name, 5s)) << end.links << " reads " << text(end.links);
        EXPECT_EQ(end.path, attribute(end.links, "title")) << end.links;
      }
      // The graph's panel is as wide as its drawing, and a drawing wider than the panel is
      // shrunk to fit it.
      const char* const widths = "const box = document.getElementById('graph'), picture = box.querySelector('svg');"
                                 "return [box.getBoundingClientRect().width, picture.getBoundingClientRect().width];";
      const nlohmann::json drawn = browser.script(widths);
      EXPECT_LE(drawn[0].get<double>(), drawn[1].get<double>() + 3) << "the panel is wider than its drawing";
      browser.script("document.getElementById('graph-section').style.width = '120px';");
      const nlohmann::json narrow = browser.script(widths);
      EXPECT_LE(narrow[1].get<double>(), 120.0) << "the drawing overflows a narrow panel";
      browser.script("document.getElementById('graph-section').style.width = '';");

      click(card + " li[data-port='y1'] button[data-plot]");
      const std::string canvas = ".plot[data-plot='" + keyOf(ns, trimul.path()) + ":y1'] canvas";
      ASSERT_FALSE(browser.find(canvas).empty());
      // The plot's stream is open once the server shows y1 connected to its own component too,
      // named as rtctl's rather than by the made-up instance name of its port.
      const std::string toolEnd = card + " li[data-port='y1'] .links .end.tool";
      ASSERT_TRUE(waitForText(toolEnd, "rtctl plot", 10s)) << text(card + " li[data-port='y1'] .links");
      EXPECT_NE(std::string::npos, attribute(toolEnd, "title").find("rtctl_plot_")) << attribute(toolEnd, "title");
      const std::vector<std::string> values = {
        "inject", trimul.port("x1"), "-r", "5", "3", "9", "14", "16", "12", "5", "-4", "-11", "-15", "-13", "-6", "2"};
      const e2e::RtctlResult injected = rtctl.run(values);
      ASSERT_EQ(0, injected.exitCode) << injected.err;
      EXPECT_TRUE(testsupport::waitUntil([&] { return attribute(canvas, "data-samples") == "12"; }, 10s))
        << "the plot shows " << attribute(canvas, "data-samples") << " samples";
      EXPECT_EQ("4", attribute(canvas, "data-last"));

      const std::vector<unsigned char> png = browser.screenshot();
      ASSERT_GT(png.size(), 8u);
      EXPECT_EQ(0x89, png[0]);
      std::ofstream(testsupport::binaryDir() + "/serve-page.png", std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    }

    TEST_F(Browser, AServerThatAsksForItsTokenServesThePageOpenedFromItsAddressAndItsButtons)
    {
      ServeProcess guarded(ns, {"--token"});
      ASSERT_FALSE(guarded.token().empty());
      browser.open("http://127.0.0.1:" + std::to_string(guarded.port()) + "/");
      EXPECT_NE(std::string::npos, text("body").find("this server asks for its token")) << text("body");

      // The address serve printed; from then on the page's requests carry the token's cookie.
      browser.open(guarded.url());
      ASSERT_TRUE(waitForText(card + " .state", "Inactive", 15s)) << "page shows: " << text("body");
      click(card + " button[data-action='activate']");
      EXPECT_TRUE(waitForText(card + " .state", "Active", 5s)) << text("#message");
      click(card + " button[data-action='deactivate']");
      EXPECT_TRUE(waitForText(card + " .state", "Inactive", 5s)) << text("#message");
    }
  }
}
