#include "ServeProcess.h"

#include "Rtctl.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

using namespace std::chrono_literals;

namespace web
{
  ServeProcess::ServeProcess(testsupport::NameServer& ns, const std::vector<std::string>& args)
  {
    std::vector<std::string> words = {"serve", "--port", "0", "--interval", "0.2"};
    words.insert(words.end(), args.begin(), args.end());
    m_process = e2e::Rtctl(ns.address()).start(words);
    m_process->closeStdin();
    const std::string announced = "http://127.0.0.1:";
    const bool listening = m_process->waitForStdout("\n", 30s);
    const std::string out = m_process->stdoutText();
    const std::string::size_type at = out.find(announced);
    if (listening && at != std::string::npos)
      m_port = std::atoi(out.c_str() + at + announced.size());
    const std::string::size_type token = out.find("?token=");
    if (token != std::string::npos)
      m_token = out.substr(token + 7, out.find('\n', token) - token - 7);
    EXPECT_NE(0, m_port) << "serve said: " << out << m_process->stderrText();
  }

  ServeProcess::~ServeProcess()
  {
    m_process->signal(SIGINT);
    EXPECT_TRUE(m_process->waitExit(20s)) << "serve did not stop on SIGINT";
    EXPECT_TRUE(m_process->exitedNormally() && m_process->exitCode() == 0)
      << "serve ended with status " << m_process->exitStatus() << ": " << m_process->stderrText();
  }

  std::string ServeProcess::url(const std::string& path) const
  {
    return "http://127.0.0.1:" + std::to_string(m_port) + path + (m_token.empty() ? "" : "?token=" + m_token);
  }

  std::unique_ptr<httplib::Client> ServeProcess::client() const
  {
    auto client = std::make_unique<httplib::Client>("127.0.0.1", m_port);
    client->set_connection_timeout(5);
    client->set_read_timeout(10);
    return client;
  }

  std::string keyOf(testsupport::NameServer& ns, const std::string& path) { return "/" + ns.address() + "/" + path; }
}
