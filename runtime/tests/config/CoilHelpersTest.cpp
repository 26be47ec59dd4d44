// coil's helpers as component sources use them: time values, the string functions beyond the
// runtime's own, paths and folder listings, and the thread helpers.
#include <coil/Async.h>
#include <coil/Condition.h>
#include <coil/File.h>
#include <coil/Guard.h>
#include <coil/Mutex.h>
#include <coil/OS.h>
#include <coil/Singleton.h>
#include <coil/Task.h>
#include <coil/Time.h>
#include <coil/TimeValue.h>
#include <coil/stringutil.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

TEST(CoilTimeValue, ValuesAreNormalisedSoBothFieldsShareOneSign)
{
  struct Case
  {
    long sec;
    long usec;
    long wantSec;
    long wantUsec;
    int sign;
  };
  const Case cases[] = {{0, 0, 0, 0, 0},
                        {1, 2500000, 3, 500000, 1},
                        {1, -1, 0, 999999, 1},
                        {-1, 500000, 0, -500000, -1},
                        {0, -1500000, -1, -500000, -1},
                        {-2, -3, -2, -3, -1}};
  for (const Case& c : cases)
  {
    coil::TimeValue sut(c.sec, c.usec);
    EXPECT_EQ(sut.sec(), c.wantSec) << c.sec << "," << c.usec;
    EXPECT_EQ(sut.usec(), c.wantUsec) << c.sec << "," << c.usec;
    EXPECT_EQ(sut.sign(), c.sign) << c.sec << "," << c.usec;
  }
  coil::TimeValue a(1.75);
  coil::TimeValue b(0, 800000);
  EXPECT_EQ(a.sec(), 1);
  EXPECT_EQ(a.usec(), 750000);
  EXPECT_DOUBLE_EQ(static_cast<double>(a - b), 0.95);
  EXPECT_DOUBLE_EQ(static_cast<double>(a + b), 2.55);
  coil::TimeValue c = -0.25;
  EXPECT_EQ(c.sec(), 0);
  EXPECT_EQ(c.usec(), -250000);
  const coil::TimeValue before = coil::gettimeofday();
  EXPECT_EQ(coil::usleep(1000), 0);
  EXPECT_GE(static_cast<double>(coil::gettimeofday()), static_cast<double>(before));
}

TEST(CoilStrings, HelpersBehaveAsComponentSourcesExpect)
{
  std::string text = "a.b.c";
  EXPECT_EQ(coil::replaceString(text, ".", "::"), 2u);
  EXPECT_EQ(text, "a::b::c");
  EXPECT_EQ(coil::replaceString(text, "", "x"), 0u);

  const std::string raw = "tab\there\nnew\\back";
  EXPECT_EQ(coil::escape(raw), "tab\\there\\nnew\\\\back");
  EXPECT_EQ(coil::unescape(coil::escape(raw)), raw);
  EXPECT_TRUE(coil::isEscaped("a\\ ", 2));
  EXPECT_FALSE(coil::isEscaped("a\\\\ ", 3));

  std::string blanks = "  a b \t";
  coil::eraseHeadBlank(blanks);
  EXPECT_EQ(blanks, "a b \t");
  coil::eraseTailBlank(blanks);
  EXPECT_EQ(blanks, "a b");
  coil::eraseBlank(blanks);
  EXPECT_EQ(blanks, "ab");
  coil::toUpper(blanks);
  EXPECT_EQ(blanks, "AB");

  EXPECT_TRUE(coil::includes("corba, Shm", "SHM"));
  EXPECT_FALSE(coil::includes("corba, Shm", "SHM", false));
  EXPECT_TRUE(coil::isAbsolutePath("/usr"));
  EXPECT_TRUE(coil::isAbsolutePath("C:\\rtc"));
  EXPECT_FALSE(coil::isAbsolutePath("rel/path"));
  EXPECT_TRUE(coil::isURL("http://host/"));
  EXPECT_FALSE(coil::isURL("://x"));
  EXPECT_EQ(coil::flatten(coil::unique_sv({"a", "b", "a", "c"})), "a, b, c");
  EXPECT_EQ(coil::otos(42), "42");
  EXPECT_EQ(coil::sprintf("%s-%03d", "id", 7), "id-007");

  char** argv = coil::toArgv({"prog", "-o", "x"});
  EXPECT_STREQ(argv[2], "x");
  EXPECT_EQ(argv[3], nullptr);
  for (int i = 0; argv[i] != nullptr; ++i)
    delete[] argv[i];
  delete[] argv;
}

TEST(CoilFile, PathsSplitAsTheShellToolsDoAndFolderListingsAreSorted)
{
  struct Case
  {
    const char* path;
    const char* dir;
    const char* base;
  };
  const Case cases[] = {{"/usr/lib/x.so", "/usr/lib", "x.so"},
                        {"x.so", ".", "x.so"},
                        {"/x", "/", "x"},
                        {"a/b/", "a", "b"},
                        {"/", "/", "/"}};
  for (const Case& c : cases)
  {
    std::string copy = c.path;
    EXPECT_EQ(coil::dirname(&copy[0]), c.dir) << c.path;
    EXPECT_EQ(copy, c.path) << "dirname leaves its argument alone";
    EXPECT_EQ(coil::basename(c.path), c.base) << c.path;
  }

  char folder[] = "/tmp/coil_file_test.XXXXXX";
  ASSERT_NE(::mkdtemp(folder), nullptr);
  for (const char* name : {"b.so", "a.so", "c.txt"})
    std::fclose(std::fopen((std::string(folder) + "/" + name).c_str(), "w"));
  EXPECT_EQ(coil::filelist(folder, "*.so"), (coil::vstring{"a.so", "b.so"}));
  EXPECT_EQ(coil::filelist(folder).size(), 3u);
  EXPECT_TRUE(coil::filelist("/nonexistent/folder").empty());
  for (const char* name : {"b.so", "a.so", "c.txt"})
    std::remove((std::string(folder) + "/" + name).c_str());
  ::rmdir(folder);
  EXPECT_EQ(coil::getpid(), ::getpid());
}

namespace
{
  class OnlyOne : public coil::Singleton<OnlyOne>
  {
  public:
    std::atomic<int> made{0};

  private:
    friend class coil::Singleton<OnlyOne>;
    OnlyOne() { ++made; }
  };

  struct Counter
  {
    std::atomic<int> calls{0};
  };
  struct Bump
  {
    void operator()(Counter* c) { ++c->calls; }
  };

  class Worker : public coil::Task
  {
  public:
    int svc() override
    {
      coil::Guard<coil::Mutex> guard(mutex);
      ++runs;
      done.signal();
      return 0;
    }
    coil::Mutex mutex;
    coil::Condition<coil::Mutex> done{mutex};
    int runs = 0;
  };
}

TEST(CoilThreads, TasksRunOnTheirOwnThreadAndInvokersReportWhenFinished)
{
  Worker sut;
  sut.activate();
  EXPECT_EQ(sut.wait(), 0);
  EXPECT_EQ(sut.runs, 1);
  sut.activate();
  sut.wait();
  EXPECT_EQ(sut.runs, 2) << "a finished task starts again";
  {
    coil::Guard<coil::Mutex> guard(sut.mutex);
    EXPECT_FALSE(sut.done.wait(0, 1000000)) << "nobody signals: the wait times out";
  }
  EXPECT_FALSE(sut.mutex.trylock()) << "trylock says false when it got the mutex";
  sut.mutex.unlock();

  Counter counter;
  coil::Async* invoker = coil::AsyncInvoker(&counter, Bump());
  invoker->invoke();
  invoker->wait();
  EXPECT_TRUE(invoker->finished());
  EXPECT_EQ(counter.calls, 1);
  delete invoker;

  std::thread other([] { OnlyOne::instance(); });
  OnlyOne& mine = OnlyOne::instance();
  other.join();
  EXPECT_EQ(&mine, &OnlyOne::instance());
  EXPECT_EQ(mine.made, 1) << "one instance, whichever thread asked first";

  // One that deletes itself: only the effect is left to look at.
  coil::AsyncInvoker(&counter, Bump(), true)->invoke();
  for (int i = 0; i < 5000 && counter.calls < 2; ++i)
    coil::usleep(1000);
  EXPECT_EQ(counter.calls, 2);
}
