// trimul_peer: finds a Trimul through a naming service, wires its own ports to x1 and y1..y3,
// streams values and reports what comes back, so that fault tests can drive a real peer process
// (and kill it, freeze it, or cut its network) from outside.
//
//   trimul_peer --naming CORBALOC --path HOST.host_cxt/Trimul0.rtc [options]
//     --endpoint ADDR       the ORB listens on giop:tcp:ADDR: (default 127.0.0.1)
//     --rate HZ             values sent per second (0: as fast as --window lets)
//     --count N             stop sending after N values (0: send until told to quit)
//     --window W            at most W values on their way at once (0: no limit); a window below
//                           Trimul's input buffer (8) means no value can be overwritten there
//     --first X             the first value (default 1); each peer of one Trimul takes its own range
//     --pause-at N          after N values have come back, print "paused N", wait for "resume"
//     --subscription S      flush (default) or new, for the outputs' connections
//     --call-timeout SEC    dataport.corba_cdr.call_timeout of every connection
//     --reconnect           when a connection is gone, find Trimul again and connect anew
//
// Standard output: "connected" (again after every reconnection), a "status ..." line every 100 ms
// and at the end, "paused N", "done". Standard input: "resume", "quit" (or end of input).
#include "TrimulPeer.h"

#include <omniORB4/Naming.hh>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>

using namespace std::chrono_literals;

namespace
{
  struct Settings
  {
    std::string naming;
    std::string path;
    std::string endpoint = "127.0.0.1";
    double rate = 0.0;
    long count = 0;
    long window = 0;
    long pauseAt = 0;
    bool reconnect = false;
    faults::PeerOptions peer;
  };

  std::mutex outputMutex;
  void say(const std::string& line)
  {
    std::lock_guard<std::mutex> lock(outputMutex);
    std::cout << line << std::endl;
  }

  bool parse(int argc, char** argv, Settings& s)
  {
    std::map<std::string, std::string> values;
    for (int i = 1; i < argc; ++i)
    {
      const std::string key = argv[i];
      if (key == "--reconnect")
        s.reconnect = true;
      else if (key.rfind("--", 0) == 0 && i + 1 < argc)
        values[key] = argv[++i];
      else
        return false;
    }
    try
    {
      for (const auto& kv : values)
      {
        const std::string& k = kv.first;
        const std::string& v = kv.second;
        if (k == "--naming")
          s.naming = v;
        else if (k == "--path")
          s.path = v;
        else if (k == "--endpoint")
          s.endpoint = v;
        else if (k == "--rate")
          s.rate = std::stod(v);
        else if (k == "--count")
          s.count = std::stol(v);
        else if (k == "--window")
          s.window = std::stol(v);
        else if (k == "--first")
          s.peer.first = std::stoi(v);
        else if (k == "--pause-at")
          s.pauseAt = std::stol(v);
        else if (k == "--subscription")
          s.peer.subscription = v;
        else if (k == "--call-timeout")
          s.peer.callTimeout = v;
        else
          return false;
      }
    }
    catch (...)
    {
      return false;
    }
    return !s.naming.empty() && !s.path.empty();
  }

  // "a.b.host_cxt/Trimul0.rtc": in each part the last '.' separates id from kind.
  CosNaming::Name toName(const std::string& path)
  {
    CosNaming::Name name;
    std::istringstream parts(path);
    std::string part;
    while (std::getline(parts, part, '/'))
    {
      const auto dot = part.rfind('.');
      const CORBA::ULong n = name.length();
      name.length(n + 1);
      name[n].id = CORBA::string_dup(part.substr(0, dot).c_str());
      name[n].kind = CORBA::string_dup(dot == std::string::npos ? "" : part.substr(dot + 1).c_str());
    }
    return name;
  }

  RTC::RTObject_ptr find(CORBA::ORB_ptr orb, const Settings& s, std::string& problem)
  {
    try
    {
      CORBA::Object_var obj = orb->string_to_object(s.naming.c_str());
      CosNaming::NamingContext_var root = CosNaming::NamingContext::_narrow(obj.in());
      CORBA::Object_var found = root->resolve(toName(s.path));
      RTC::RTObject_var trimul = RTC::RTObject::_narrow(found.in());
      if (CORBA::is_nil(trimul))
        problem = s.path + " is not a component";
      return trimul._retn();
    }
    catch (const CORBA::Exception& e)
    {
      problem = std::string("cannot resolve ") + s.path + " at " + s.naming + ": " + e._name();
      return RTC::RTObject::_nil();
    }
  }

  // Finds Trimul and connects, trying again until it works, `quit` is set or `giveUpAfter`
  // passed (zero: never give up). A peer may well start before the component is bound.
  bool connectToTrimul(CORBA::ORB_ptr orb, const Settings& s, faults::TrimulPeer& peer, const std::atomic<bool>& quit,
                       std::chrono::seconds giveUpAfter)
  {
    const auto deadline = std::chrono::steady_clock::now() + giveUpAfter;
    const bool keepTrying = giveUpAfter.count() == 0;
    while (true)
    {
      std::string problem;
      RTC::RTObject_var trimul = find(orb, s, problem);
      if (!CORBA::is_nil(trimul) && peer.connect(trimul.in(), problem))
      {
        say("connected");
        return true;
      }
      if (quit.load() || (!keepTrying && std::chrono::steady_clock::now() >= deadline))
      {
        std::cerr << "trimul_peer: " << problem << std::endl;
        return false;
      }
      std::this_thread::sleep_for(200ms);
    }
  }

  std::string status(const faults::TrimulPeer& peer)
  {
    std::ostringstream line;
    line << "status sent=" << peer.sent() << " failed=" << peer.sendFailures();
    for (size_t k = 0; k < 3; ++k)
    {
      const faults::OutputTally& t = peer.tally(k);
      const std::string y = "y" + std::to_string(k + 1);
      line << ' ' << y << "=" << t.mine.load() << ' ' << y << "others=" << t.others.load() << ' ' << y
           << "bad=" << t.bad.load() << ' ' << y << "gaps=" << t.gaps.load() << ' ' << y
           << "disorder=" << t.disorder.load();
    }
    return line.str();
  }

  // Waits until every value sent so far came back on all three outputs (or the bound passed).
  void awaitReturns(const faults::TrimulPeer& peer, const std::atomic<bool>& quit)
  {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (peer.lastReturned() < peer.lastSent() && !quit.load() && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(1ms);
  }

  int run(CORBA::ORB_ptr orb, PortableServer::POA_ptr poa, const Settings& s)
  {
    faults::TrimulPeer peer(orb, poa, s.peer);
    std::atomic<bool> quit{false};
    std::atomic<bool> resumed{false};

    std::thread commands([&] {
      std::string command;
      while (std::cin >> command && command != "quit")
        if (command == "resume")
          resumed = true;
      quit = true;
    });
    // Drains the inputs continuously, so the buffers never fill, and reports.
    std::thread reader([&] {
      auto nextReport = std::chrono::steady_clock::now();
      while (!quit.load())
      {
        if (!peer.drainInputs())
          std::this_thread::sleep_for(50us);
        if (std::chrono::steady_clock::now() >= nextReport)
        {
          say(status(peer));
          nextReport += 100ms;
        }
      }
    });

    if (!connectToTrimul(orb, s, peer, quit, s.reconnect ? 0s : 30s))
    {
      quit = true;
      reader.join();
      commands.detach();  // blocked reading standard input, which nobody may ever close
      return 2;
    }

    const auto period =
      s.rate > 0.0
        ? std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(1.0 / s.rate))
        : std::chrono::steady_clock::duration::zero();
    auto nextSend = std::chrono::steady_clock::now();
    auto nextCheck = nextSend + 500ms;
    long attempts = 0;
    while (!quit.load() && (s.count == 0 || attempts < s.count))
    {
      if (s.window > 0)
        while (peer.lastSent() - peer.lastReturned() >= s.window && !quit.load())
          std::this_thread::yield();
      const bool ok = peer.sendNext();
      ++attempts;
      if (s.pauseAt > 0 && attempts == s.pauseAt)
      {
        awaitReturns(peer, quit);
        say(status(peer));
        say("paused " + std::to_string(attempts));
        while (!resumed.load() && !quit.load())
          std::this_thread::sleep_for(1ms);
        nextSend = std::chrono::steady_clock::now();
      }
      // A connection lost on either side is made anew, as a supervising tool would do.
      const auto now = std::chrono::steady_clock::now();
      if (s.reconnect && (!ok || now >= nextCheck))
      {
        nextCheck = now + 500ms;
        if (!ok || !peer.connectedOnBothSides())
        {
          peer.disconnect();
          connectToTrimul(orb, s, peer, quit, 0s);
          nextSend = std::chrono::steady_clock::now();
        }
      }
      if (period.count() > 0)
      {
        nextSend += period;
        std::this_thread::sleep_until(nextSend);
      }
    }
    if (!quit.load())
    {
      awaitReturns(peer, quit);
      say(status(peer));
      say("done");
    }
    commands.join();  // "quit" or the end of input ends the program
    quit = true;
    reader.join();
    say(status(peer));
    peer.disconnect();
    peer.shutdown();
    return 0;
  }
}

int main(int argc, char** argv)
{
  Settings settings;
  if (!parse(argc, argv, settings))
  {
    std::cerr << "usage: trimul_peer --naming CORBALOC --path PATH [--endpoint ADDR] [--rate HZ] "
                 "[--count N] [--window W] [--first X] [--pause-at N] [--subscription flush|new] "
                 "[--call-timeout SEC] [--reconnect]"
              << std::endl;
    return 2;
  }
  // A call to a vanished host gives up instead of hanging the peer.
  const std::string endpoint = "giop:tcp:" + settings.endpoint + ":";
  const char* orbArgs[] = {"trimul_peer", "-ORBendPoint", endpoint.c_str(), "-ORBclientCallTimeOutPeriod",
                           "2000",        nullptr};
  int orbArgc = 5;
  CORBA::ORB_var orb = CORBA::ORB_init(orbArgc, const_cast<char**>(orbArgs));
  CORBA::Object_var obj = orb->resolve_initial_references("RootPOA");
  PortableServer::POA_var poa = PortableServer::POA::_narrow(obj.in());
  PortableServer::POAManager_var manager = poa->the_POAManager();
  manager->activate();

  const int result = run(orb.in(), poa.in(), settings);
  // The ORB's threads must be gone before static destruction starts.
  orb->shutdown(true);
  orb->destroy();
  return result;
}
