#include "commands/ContextCommand.h"

#include "client/Arguments.h"
#include "client/ComponentRef.h"
#include "client/CorbaText.h"
#include "client/Error.h"
#include "client/Session.h"
#include "commands/SubVerbs.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <iomanip>
#include <iostream>
#include <sstream>

namespace rtctl
{
  const SubVerbs<ContextCommand::Verb>& ContextCommand::verbs()
  {
    static const SubVerbs<Verb> all(
      "command", "",
      {{"start", kStart, "start one of a component's execution contexts",
        "usage: rtctl start PATH [-e N]\n"
        "Start execution context N of the component: every component in it sees on_startup\n"
        "and active ones execute again. Refused (PRECONDITION_NOT_MET) when it is running.\n"
        "  -e N  the context: 0 is the first owned one; participating ones follow the owned\n"
        "        ones, as 'rtctl cat' numbers them (default 0)\n"},
       {"stop", kStop, "stop one of a component's execution contexts",
        "usage: rtctl stop PATH [-e N]\n"
        "Stop execution context N of the component: no component in it executes and each\n"
        "sees on_shutdown; their states are kept. Refused (PRECONDITION_NOT_MET) when it is\n"
        "not running.\n"
        "  -e N  the context, numbered as 'rtctl cat' shows them (default 0)\n"},
       {"rate", kRate, "show or set the rate of one of a component's execution contexts",
        "usage: rtctl rate PATH [-e N] [HZ]\n"
        "Without HZ, print the rate of execution context N of the component in Hz. With HZ,\n"
        "set it: every component in the context sees on_rate_changed. The context refuses a\n"
        "rate that is not above 0 (BAD_PARAMETER).\n"
        "  -e N  the context, numbered as 'rtctl cat' shows them (default 0)\n"}});
    return all;
  }

  double ContextCommand::parseRate(const std::string& text)
  {
    char* end = nullptr;
    errno = 0;
    const double rate = std::strtod(text.c_str(), &end);
    // strtod also reads "nan", "inf" and hexadecimal: a rate is a plain decimal number.
    const bool plain = text.find_first_not_of("+-.0123456789eE") == std::string::npos;
    if (text.empty() || !plain || *end != '\0' || errno != 0 || !std::isfinite(rate))
      throw UsageError("'" + text + "' is not a rate in Hz (a number such as 100 or 0.5)");
    return rate;
  }

  std::string ContextCommand::rateText(double rate)
  {
    std::ostringstream out;
    out << std::setprecision(12) << rate;
    return out.str();
  }

  int ContextCommand::run(const std::vector<std::string>& words)
  {
    const Arguments args(words, {}, {"-e"});
    const size_t operands = m_verb.request == kRate ? 2 : 1;
    if (args.positional().empty() || args.positional().size() > operands)
      throw UsageError(m_verb.request == kRate ? "takes one PATH and at most one HZ (see --help)"
                                               : "takes one PATH (see --help)");
    const long index = args.integer("-e", 0, 0, 1L << 30);
    const bool setting = args.positional().size() == 2;
    const double rate = setting ? parseRate(args.positional()[1]) : 0.0;
    Session session(Orb::kClientOnly);
    const RtPath path = session.path(args.positional()[0]).requireNoPort(std::string(name()) + " takes a component");
    const ComponentRef component(session.names(path), path);
    const RTC::ExecutionContext_var ec = component.context(index);
    const std::string which = "execution context " + std::to_string(index);

    RTC::ReturnCode_t ret = RTC::RTC_OK;
    std::string now;
    try
    {
      switch (m_verb.request)
      {
        case kStart:
          ret = ec->start();
          break;
        case kStop:
          ret = ec->stop();
          break;
        default:
          if (!setting)
          {
            std::cout << rateText(ec->get_rate()) << std::endl;
            return kExitOk;
          }
          ret = ec->set_rate(rate);
      }
      // Why it was refused, in the context's own words: what it is doing now.
      if (ret != RTC::RTC_OK)
        now = m_verb.request == kRate ? "it runs at " + rateText(ec->get_rate()) + " Hz"
                                      : std::string(ec->is_running() ? "it is running" : "it is stopped");
    }
    catch (const CORBA::Exception& e)
    {
      component.fail(std::string(name()) + " " + which, e);
    }
    if (ret != RTC::RTC_OK)
      throw Error("refused by " + which + " of " + path.text() + ": " + CorbaText::returnCode(ret) + " (" + now + ")");
    return kExitOk;
  }
}
