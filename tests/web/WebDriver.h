// A headless Chromium driven through chromedriver's WebDriver protocol, spoken over HTTP with the
// same libraries the server uses. The browser gets a fresh profile folder and the switches that
// keep it off the network; the session is closed (and with it the browser) by the destructor.
#pragma once

#include "testsupport/ChildProcess.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace web
{
  class WebDriver
  {
  public:
    // Throws std::runtime_error when chromedriver or the browser does not start.
    WebDriver();
    ~WebDriver();
    WebDriver(const WebDriver&) = delete;
    WebDriver& operator=(const WebDriver&) = delete;

    void open(const std::string& url);
    // Runs a script in the page and returns what it returns.
    nlohmann::json script(const std::string& body, const nlohmann::json& args = nlohmann::json::array());
    // The first element matching a CSS selector; empty when there is none.
    std::string find(const std::string& css);
    // A real click (the browser's own input events), on the element's centre.
    void click(const std::string& element);
    // The page as a PNG file's octets.
    std::vector<unsigned char> screenshot();

  private:
    nlohmann::json call(const std::string& method, const std::string& path, const nlohmann::json& body);

    std::string m_profile;
    std::unique_ptr<testsupport::ChildProcess> m_driver;
    std::unique_ptr<httplib::Client> m_client;
    std::string m_session;
  };

  std::vector<unsigned char> decodeBase64(const std::string& text);
}
