// A system file whose naming service takes connections but never answers: every command that
// looks the file's components up ends in about one call's bound, however many components there
// are, and says it could not tell rather than that they are missing.
#include "Rtctl.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>

namespace e2e
{
  namespace
  {
    // Listens on 127.0.0.1 and never accepts: the kernel completes each connection, and no
    // request ever gets a reply.
    class SilentListener
    {
    public:
      SilentListener()
      {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(m_fd, 256) != 0 || ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
          ADD_FAILURE() << "no silent listener on 127.0.0.1";
        m_port = ntohs(address.sin_port);
      }
      ~SilentListener() { ::close(m_fd); }
      std::string address() const { return "127.0.0.1:" + std::to_string(m_port); }

    private:
      int m_fd = -1;
      int m_port = 0;
    };

    class SilentNamingService : public ::testing::Test
    {
    protected:
      void SetUp() override
      {
        std::ofstream out(file);
        out << "<?xml version=\"1.0\"?>\n<rts:RtsProfile xmlns:rts=\"http://www.openrtp.org/namespaces/rts\" "
               "rts:version=\"0.2\" rts:id=\"RTSystem:test:silent:1\">";
        for (int i = 0; i < kComponents; ++i)
          out << "<rts:Components rts:id=\"RTC:V:C:T:1\" rts:instanceName=\"c" << i << "\" rts:pathUri=\""
              << silent.address() << "/h.host_cxt/c" << i << ".rtc\"/>";
        out << "</rts:RtsProfile>\n";
      }
      void TearDown() override { std::remove(file.c_str()); }

      static const int kComponents = 50;
      // rtctl's bound on one remote call.
      static constexpr auto kCallBound = std::chrono::seconds(15);
      SilentListener silent;
      Rtctl rtctl{silent.address()};
      const std::string file = "/tmp/rtctl-silent-" + std::to_string(::getpid()) + ".xml";
    };

    TEST_F(SilentNamingService, FileCommandsEndInAboutOneCallBoundAndSayTheyCannotTell)
    {
      const struct
      {
        const char* command;
        int status;
        std::string says;
      } commands[] = {
        {"check", 2, "cannot tell whether 50 of 50 components run"},
        {"up", 1, "cannot tell whether required component /" + silent.address() + "/h.host_cxt/c0.rtc runs"},
      };
      for (const auto& c : commands)
      {
        const auto start = std::chrono::steady_clock::now();
        const RtctlResult r = rtctl.run({"system", c.command, file});
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(c.status, r.exitCode) << c.command << "\n" << r.err;
        EXPECT_NE(std::string::npos, r.err.find(c.says)) << c.command << "\n" << r.err;
        EXPECT_LT(took, 3 * kCallBound) << c.command;
      }
    }
  }
}
