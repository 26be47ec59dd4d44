// The page in a real browser (headless Chromium), one behaviour a case, each waiting on what the
// page shows: the running Trimul with its ports, its buttons, the graph's edges and panel, the plot
// of an output port after an injection, and a screenshot of the page left in the build folder.
#include "ServeProcess.h"
#include "WebDriver.h"

#include "Rtctl.h"
#include "TrimulProcess.h"

#include "testsupport/NameServer.h"
#include "testsupport/Paths.h"
#include "testsupport/Wait.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

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
      // How long the page may take to show what a test waits for: a bound on waiting for a
      // condition, generous for a loaded machine, never a pause.
      static constexpr std::chrono::seconds kBound{10};

      bool waitForText(const std::string& css, const std::string& wanted, std::chrono::milliseconds bound = kBound)
      {
        return testsupport::waitUntil([&] { return text(css) == wanted; }, bound, 20ms);
      }
      // Whether an element matching `css` appears within the bound.
      bool shows(const std::string& css)
      {
        return testsupport::waitUntil([&] { return !browser.find(css).empty(); }, kBound, 20ms);
      }
      // Opens the page and waits until it shows Trimul.
      void openPage()
      {
        browser.open(serve.url());
        ASSERT_TRUE(waitForText(card + " .state", "Inactive", 15s)) << "page shows: " << text("body");
      }
      // A second component fed by the first, both active, so that the graph has an edge to draw.
      std::unique_ptr<e2e::TrimulProcess> fedSecond()
      {
        auto second = std::make_unique<e2e::TrimulProcess>(ns, "Trimul1");
        const e2e::Rtctl rtctl(ns.address());
        EXPECT_EQ(
          0, rtctl.run({"connect", trimul.port("y1"), second->port("x1"), "-p", "subscription_type=new"}).exitCode);
        EXPECT_EQ(0, rtctl.run({"activate", trimul.path()}).exitCode);
        EXPECT_EQ(0, rtctl.run({"activate", second->path()}).exitCode);
        return second;
      }

      testsupport::NameServer ns;
      e2e::TrimulProcess trimul{ns};
      ServeProcess serve{ns};
      WebDriver browser;
      const std::string card = ".card[data-component='" + keyOf(ns, trimul.path()) + "']";
    };

    TEST_F(Browser, ShowsTrimulWithItsFourPortsTheirDirectionsAndItsNodeInTheGraph)
    {
      ASSERT_NO_FATAL_FAILURE(openPage());
      for (const char* port : {"x1", "y1", "y2", "y3"})
        EXPECT_EQ(port, text(card + " li[data-port='" + std::string(port) + "'] .name")) << port;
      EXPECT_EQ("in", text(card + " li[data-port='x1'] .dir"));
      EXPECT_EQ("out", text(card + " li[data-port='y3'] .dir"));
      EXPECT_TRUE(shows("#graph svg g.node")) << "no graph drawn";
    }

    TEST_F(Browser, ItsActivateAndDeactivateButtonsChangeTheStateItShows)
    {
      ASSERT_NO_FATAL_FAILURE(openPage());
      click(card + " button[data-action='activate']");
      ASSERT_TRUE(waitForText(card + " .state", "Active")) << text(card);

      click(card + " button[data-action='deactivate']");
      EXPECT_TRUE(waitForText(card + " .state", "Inactive")) << "still " << text(card + " .state");
    }

    TEST_F(Browser, DrawsAConnectionAsAnEdgeAndNamesEachEndByWhereItsComponentIsBound)
    {
      ASSERT_NO_FATAL_FAILURE(openPage());
      const auto second = fedSecond();
      EXPECT_TRUE(shows("#graph svg g.edge"));
      // Both carry the instance name Trimul0 in their ports' own names; each end is named by
      // where its component is bound, with the whole path on hover.
      const std::string secondCard = ".card[data-component='" + keyOf(ns, second->path()) + "']";
      const struct
      {
        std::string links;
        std::string name;
        std::string path;
      } ends[] = {
        {card + " li[data-port='y1'] .links .end", "Trimul1.x1", keyOf(ns, second->path()) + ":x1"},
        {secondCard + " li[data-port='x1'] .links .end", "Trimul0.y1", keyOf(ns, trimul.path()) + ":y1"},
      };
      for (const auto& end : ends)
      {
        EXPECT_TRUE(waitForText(end.links, end.name)) << end.links << " reads " << text(end.links);
        EXPECT_EQ(end.path, attribute(end.links, "title")) << end.links;
      }
    }

    TEST_F(Browser, TheGraphPanelIsAsWideAsItsDrawingAndShrinksAWiderDrawingToFit)
    {
      ASSERT_NO_FATAL_FAILURE(openPage());
      const auto second = fedSecond();
      ASSERT_TRUE(shows("#graph svg g.edge"));
      const char* const widths = "const box = document.getElementById('graph'), picture = box.querySelector('svg');"
                                 "return [box.getBoundingClientRect().width, picture.getBoundingClientRect().width];";
      const nlohmann::json drawn = browser.script(widths);
      EXPECT_LE(drawn[0].get<double>(), drawn[1].get<double>() + 3) << "the panel is wider than its drawing";
      browser.script("document.getElementById('graph-section').style.width = '120px';");
      const nlohmann::json narrow = browser.script(widths);
      EXPECT_LE(narrow[1].get<double>(), 120.0) << "the drawing overflows a narrow panel";
    }

    TEST_F(Browser, ThePlotOfAnOutputPortDrawsWhatThePortSendsAfterAnInjection)
    {
      ASSERT_NO_FATAL_FAILURE(openPage());
      const e2e::Rtctl rtctl(ns.address());
      ASSERT_EQ(0, rtctl.run({"activate", trimul.path()}).exitCode);
      ASSERT_TRUE(waitForText(card + " .state", "Active")) << text(card);
      click(card + " li[data-port='y1'] button[data-plot]");
      const std::string canvas = ".plot[data-plot='" + keyOf(ns, trimul.path()) + ":y1'] canvas";
      ASSERT_TRUE(shows(canvas));
      // The plot's stream is open once the server shows y1 connected to its own component too,
      // named as rtctl's rather than by the made-up instance name of its port.
      const std::string toolEnd = card + " li[data-port='y1'] .links .end.tool";
      ASSERT_TRUE(waitForText(toolEnd, "rtctl plot")) << text(card + " li[data-port='y1'] .links");
      EXPECT_NE(std::string::npos, attribute(toolEnd, "title").find("rtctl_plot_")) << attribute(toolEnd, "title");
      const std::vector<std::string> values = {
        "inject", trimul.port("x1"), "-r", "5", "3", "9", "14", "16", "12", "5", "-4", "-11", "-15", "-13", "-6", "2"};
      const e2e::RtctlResult injected = rtctl.run(values);
      ASSERT_EQ(0, injected.exitCode) << injected.err;
      EXPECT_TRUE(testsupport::waitUntil([&] { return attribute(canvas, "data-samples") == "12"; }, kBound))
        << "the plot shows " << attribute(canvas, "data-samples") << " samples";
      EXPECT_EQ("4", attribute(canvas, "data-last"));
    }

    TEST_F(Browser, LeavesAScreenshotOfThePageInTheBuildFolder)
    {
      ASSERT_NO_FATAL_FAILURE(openPage());
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
      EXPECT_TRUE(waitForText(card + " .state", "Active")) << text("#message");
      click(card + " button[data-action='deactivate']");
      EXPECT_TRUE(waitForText(card + " .state", "Inactive")) << text("#message");
    }
  }
}
