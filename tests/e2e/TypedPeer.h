// A component in the test process with ports of data types Trimul does not carry, bound in the
// test's naming service like any component, so that rtctl meets other types through the same
// paths: a TimedDouble input and output, a TimedString and a TimedOctet input, and a TimedPose2D input
// and output (a struct of structs).
#pragma once

// Before the port templates, which find a type's Any operators only if declared before them.
#include <rtm/idl/ExtendedDataTypesSkel.h>

#include "testsupport/NameServer.h"
#include "testsupport/NamingClient.h"

#include <rtm/DataFlowComponentBase.h>
#include <rtm/InPort.h>
#include <rtm/OutPort.h>
#include <rtm/idl/BasicDataType.hh>

#include <string>

namespace e2e
{
  class TypedPeer
  {
  public:
    explicit TypedPeer(testsupport::NameServer& ns);
    ~TypedPeer();
    TypedPeer(const TypedPeer&) = delete;
    TypedPeer& operator=(const TypedPeer&) = delete;

    const std::string& path() const { return m_path; }
    std::string port(const std::string& name) const { return m_path + ":" + name; }

    // The next value that arrived on an input, waiting up to the bound; false if none came. Its
    // context runs at 10 Hz, so rtctl inject stays connected a second after sending; a value the
    // port accepted stays readable after that connection goes.
    bool takeDouble(double& value);
    bool takeString(std::string& value);
    bool takeOctet(int& value);
    size_t connectionsOf(const std::string& port);
    // Sends on the TimedDouble output, stamped 12 s 34 ns.
    void sendDouble(double value);
    // Sends the next pose that arrives on "pose" out of "poseOut" as it came; false if none came.
    bool forwardPose(RTC::TimedPose2D& pose);

  private:
    class Component;
    std::string m_path;
    testsupport::NamingClient m_naming;
    Component* m_component;
  };
}
