#include "commands/InjectCommand.h"

#include "client/Arguments.h"
#include "client/DataPortTarget.h"
#include "client/Error.h"
#include "client/LocalComponent.h"
#include "client/Pacer.h"
#include "client/StopSignal.h"
#include "client/ValueText.h"

#include <iostream>
#include <thread>

namespace rtctl
{
  namespace
  {
    const double kDefaultRate = 100.0;

    // The next value to send, from the arguments or from standard input; false at the end.
    class ValueSource
    {
    public:
      explicit ValueSource(const std::vector<std::string>& values) : m_values(values), m_fromStdin(values.empty()) {}

      bool next(std::string& value, std::string& where)
      {
        if (!m_fromStdin)
        {
          if (m_index >= m_values.size())
            return false;
          value = m_values[m_index++];
          where.clear();
          return true;
        }
        std::string line;
        while (!StopSignal::raised() && std::getline(std::cin, line))
        {
          ++m_index;
          if (!line.empty() && line.back() == '\r')
            line.pop_back();
          if (ValueText::trim(line).empty())
            continue;
          value = line;
          where = "line " + std::to_string(m_index) + ": ";
          return true;
        }
        return false;
      }

    private:
      std::vector<std::string> m_values;
      bool m_fromStdin;
      size_t m_index = 0;
    };
  }

  const char* InjectCommand::usage() const
  {
    return "usage: rtctl inject PATH:PORT [-c COUNT] [-r RATE] [VALUE ...]\n"
           "Send each VALUE to an input port or, without VALUEs, each line of standard input\n"
           "(blank lines skipped). The data type is the port's own (dataport.data_type); each sample\n"
           "is stamped with the clock. rtctl connects a component of its own (push, flush, bound in\n"
           "no naming service), sends, disconnects and leaves nothing behind.\n"
           "A value that is not of the port's type gets one line on standard error; the others are\n"
           "still sent, and the exit status is then 1.\n"
           "After the last value rtctl stays connected for ten periods of the target's execution\n"
           "context (20 ms to 2 s), since a component sees no new data on an unconnected port.\n"
           "Negative numbers are values; put -- before a value that starts with '-' otherwise.\n"
           "  -c COUNT  send each value COUNT times (default 1)\n"
           "  -r RATE   at most RATE samples a second (default 100, so that a component reading\n"
           "            once a period keeps up; 0: as fast as possible)\n"
           "Types: TimedLong, TimedShort, TimedUShort, TimedULong, TimedFloat, TimedDouble, TimedChar\n"
           "(one character), TimedBoolean (true/false), TimedOctet (0-255), TimedString (the line),\n"
           "TimedState, and TimedLongSeq, TimedShortSeq, TimedUShortSeq, TimedULongSeq, TimedFloatSeq,\n"
           "TimedDoubleSeq, TimedOctetSeq (one sample: numbers separated by blanks or commas).\n"
           "Every other type of the middleware (TimedPose2D, RangeData, Pose2D, ...): {field: value,\n"
           "...} for a struct (fields left out are zero, tm left out), [item, ...] for a sequence, enums by\n"
           "name, text in \"quotes\"; a TimedX is written as its data: '{position: {x: 1}, heading: 0.5}'.\n"
           "RTCTL_ENDPOINT: the address rtctl's component listens on (default: every interface),\n"
           "e.g. 127.0.0.1 when the target runs on this host.\n";
  }

  int InjectCommand::run(const std::vector<std::string>& words)
  {
    const Arguments args(words, {}, {"-c", "-r"});
    if (args.positional().empty())
      throw UsageError("needs a port, PATH:PORT (see --help)");
    const long count = args.integer("-c", 1, 1, 1000000000L);
    const double rate = args.real("-r", kDefaultRate, 0.0);
    ValueSource source(std::vector<std::string>(args.positional().begin() + 1, args.positional().end()));

    StopSignal stop;
    Session session(Orb::kServing);
    const DataPortTarget target(session, session.path(args.positional()[0]), true);
    std::unique_ptr<SampleWriter> owned = target.codec().makeWriter("port");
    SampleWriter& writer = *owned;
    LocalComponent local(session.orb(), "inject", std::move(owned));
    local.connect(target.ref(), target.connectorProperties());
    stop.listenHere();

    bool refused = false;
    bool sent = false;
    bool anyValue = false;
    Pacer pacer(rate);
    std::string value;
    std::string where;
    while (!StopSignal::raised() && source.next(value, where))
    {
      anyValue = true;
      if (!writer.parse(value))
      {
        std::cerr << "rtctl: inject: " << where << target.codec().rejection(value) << std::endl;
        refused = true;
        continue;
      }
      for (long i = 0; i < count && !StopSignal::raised(); ++i)
      {
        pacer.waitTurn();
        if (!writer.write(Pacer::now()))
          throw Error("sending to " + target.path().text() + " failed: the connection is gone");
        sent = true;
      }
    }
    if (sent)
      std::this_thread::sleep_for(target.drainTime());
    // Standard input is read only once connected, so that a wrong port is reported before
    // anyone types; an input that ends without a value is a mistake all the same.
    if (!anyValue && !StopSignal::raised())
      throw UsageError("no values to send: give them after the port or on standard input, one a line");
    return refused ? kExitFailure : kExitOk;
  }
}
