#include "WebDriver.h"

#include "testsupport/NameServer.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

using namespace std::chrono_literals;

namespace web
{
  namespace
  {
    const char* const kElementKey = "element-6066-11e4-a52e-4f735466cecf";
  }

  std::vector<unsigned char> decodeBase64(const std::string& text)
  {
    std::vector<unsigned char> out;
    unsigned int bits = 0;
    int count = 0;
    for (char c : text)
    {
      int value;
      if (c >= 'A' && c <= 'Z')
        value = c - 'A';
      else if (c >= 'a' && c <= 'z')
        value = c - 'a' + 26;
      else if (c >= '0' && c <= '9')
        value = c - '0' + 52;
      else if (c == '+')
        value = 62;
      else if (c == '/')
        value = 63;
      else
        continue;  // padding and line breaks
      bits = (bits << 6) | static_cast<unsigned int>(value);
      count += 6;
      if (count >= 8)
      {
        count -= 8;
        out.push_back(static_cast<unsigned char>((bits >> count) & 0xff));
      }
    }
    return out;
  }

  WebDriver::WebDriver()
  {
    std::string profile = (std::filesystem::temp_directory_path() / "rtctl-browser.XXXXXX").string();
    if (::mkdtemp(&profile[0]) == nullptr)
      throw std::runtime_error("cannot make a profile folder for the browser");
    m_profile = profile;

    const int port = testsupport::freeLoopbackPort();
    m_driver = std::make_unique<testsupport::ChildProcess>("chromedriver",
                                                           std::vector<std::string>{"--port=" + std::to_string(port)});
    if (!m_driver->waitForStdout("started successfully", 30s))
      throw std::runtime_error("chromedriver did not start: " + m_driver->stdoutText() + m_driver->stderrText());
    m_client = std::make_unique<httplib::Client>("127.0.0.1", port);
    m_client->set_connection_timeout(10);
    m_client->set_read_timeout(60);

    // The machine has no network: nothing may try to reach it (updates, sync, QUIC probes).
    const nlohmann::json args = {"--headless",
                                 "--no-sandbox",
                                 "--disable-gpu",
                                 "--disable-quic",
                                 "--no-first-run",
                                 "--disable-background-networking",
                                 "--disable-component-update",
                                 "--disable-sync",
                                 "--disable-dev-shm-usage",
                                 "--window-size=1280,1000",
                                 "--user-data-dir=" + m_profile};
    const nlohmann::json capabilities = {
      {"capabilities",
       {{"alwaysMatch",
         {{"browserName", "chrome"}, {"goog:chromeOptions", {{"binary", "/usr/bin/chromium"}, {"args", args}}}}}}}};
    const nlohmann::json answer = call("POST", "/session", capabilities);
    m_session = answer.is_object() ? answer.value("sessionId", "") : "";
    if (m_session.empty())
      throw std::runtime_error("the browser did not start: " + answer.dump());
  }

  WebDriver::~WebDriver()
  {
    if (!m_session.empty())
    {
      try
      {
        call("DELETE", "/session/" + m_session, nullptr);
      }
      catch (const std::exception&)
      {
        // chromedriver's own end takes the browser with it below.
      }
    }
    m_driver.reset();
    std::error_code ignored;
    std::filesystem::remove_all(m_profile, ignored);
  }

  nlohmann::json WebDriver::call(const std::string& method, const std::string& path, const nlohmann::json& body)
  {
    httplib::Result result = method == "GET"      ? m_client->Get(path)
                             : method == "DELETE" ? m_client->Delete(path)
                                                  : m_client->Post(path, body.dump(), "application/json");
    if (!result)
      throw std::runtime_error("chromedriver did not answer " + method + " " + path);
    const nlohmann::json answer = nlohmann::json::parse(result->body, nullptr, false);
    if (result->status != 200 || answer.is_discarded())
      throw std::runtime_error(method + " " + path + ": " + std::to_string(result->status) + " " +
                               result->body.substr(0, 500));
    return answer.contains("value") ? answer["value"] : nlohmann::json();
  }

  void WebDriver::open(const std::string& url) { call("POST", "/session/" + m_session + "/url", {{"url", url}}); }

  nlohmann::json WebDriver::script(const std::string& body, const nlohmann::json& args)
  {
    return call("POST", "/session/" + m_session + "/execute/sync", {{"script", body}, {"args", args}});
  }

  std::string WebDriver::find(const std::string& css)
  {
    const nlohmann::json found =
      call("POST", "/session/" + m_session + "/elements", {{"using", "css selector"}, {"value", css}});
    return found.is_array() && !found.empty() ? found[0].value(kElementKey, "") : std::string();
  }

  void WebDriver::click(const std::string& element)
  {
    call("POST", "/session/" + m_session + "/element/" + element + "/click", nlohmann::json::object());
  }

  std::vector<unsigned char> WebDriver::screenshot()
  {
    return decodeBase64(call("GET", "/session/" + m_session + "/screenshot", nullptr).get<std::string>());
  }
}
