#include "format/GraphRenderer.h"

#include "client/Error.h"

#include <coil/stringutil.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace rtctl
{
  namespace
  {
    class Pipe
    {
    public:
      Pipe()
      {
        if (::pipe2(m_fds, O_CLOEXEC) != 0)
          throw Error(std::string("cannot start dot: ") + std::strerror(errno));
      }
      ~Pipe()
      {
        closeRead();
        closeWrite();
      }
      int read() const { return m_fds[0]; }
      int write() const { return m_fds[1]; }
      void closeRead() { closeFd(m_fds[0]); }
      void closeWrite() { closeFd(m_fds[1]); }

    private:
      static void closeFd(int& fd)
      {
        if (fd >= 0)
          ::close(fd);
        fd = -1;
      }
      int m_fds[2] = {-1, -1};
    };

    // A dot that exits early must not kill rtctl through SIGPIPE while it is being fed.
    class IgnoreSigpipe
    {
    public:
      IgnoreSigpipe() { m_previous = std::signal(SIGPIPE, SIG_IGN); }
      ~IgnoreSigpipe() { std::signal(SIGPIPE, m_previous); }

    private:
      void (*m_previous)(int);
    };

    void writeAll(int fd, const std::string& text)
    {
      size_t done = 0;
      while (done < text.size())
      {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
          continue;
        if (n <= 0)
          return;  // dot stopped reading; its exit status and message tell why
        done += static_cast<size_t>(n);
      }
    }

    std::string readAll(int fd)
    {
      std::string text;
      char buffer[4096];
      for (;;)
      {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
          continue;
        if (n <= 0)
          return text;
        text.append(buffer, static_cast<size_t>(n));
      }
    }

    std::string firstLine(const std::string& text)
    {
      const std::string line = text.substr(0, text.find('\n'));
      return line.empty() ? std::string("no message") : line;
    }
  }

  std::string GraphRenderer::format(const std::string& fileName)
  {
    const std::string::size_type dot = fileName.rfind('.');
    std::string extension = dot == std::string::npos ? std::string() : fileName.substr(dot + 1);
    coil::toLower(extension);
    if (extension != "svg" && extension != "png")
      throw UsageError("'" + fileName + "': the picture's name must end in .svg or .png");
    return extension;
  }

  void GraphRenderer::render(const std::string& dotText, const std::string& fileName)
  {
    const std::string type = "-T" + format(fileName);
    const std::string temporary = fileName + ".tmp" + std::to_string(::getpid());
    Pipe input;
    Pipe messages;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input.read(), STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, messages.write(), STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> words = {"dot", type, "-o", temporary};
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (std::string& word : words)
      argv.push_back(&word[0]);
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = ::posix_spawnp(&pid, "dot", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
      throw Error(spawned == ENOENT ? std::string("Graphviz's 'dot' is not installed (Debian package graphviz)")
                                    : std::string("cannot start dot: ") + std::strerror(spawned));
    input.closeRead();
    messages.closeWrite();
    {
      const IgnoreSigpipe guard;
      writeAll(input.write(), dotText);
      input.closeWrite();
    }
    const std::string complaint = readAll(messages.read());
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR)
    {}
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    {
      std::remove(temporary.c_str());
      throw Error(fileName + ": dot failed: " + firstLine(complaint));
    }
    if (std::rename(temporary.c_str(), fileName.c_str()) != 0)
    {
      const int error = errno;
      std::remove(temporary.c_str());
      throw Error(fileName + ": cannot be written (" + std::strerror(error) + ")");
    }
  }
}
