#include "client/IorAddress.h"

#include "testsupport/NamingClient.h"

#include <gtest/gtest.h>

namespace rtctl
{
  namespace
  {
    // A reference made from an address carries that address, whatever answers there.
    TEST(IorAddress, TheFirstIiopProfileGivesHostAndPort)
    {
      CORBA::ORB_ptr orb = testsupport::testOrb();
      const char* const cases[][2] = {
        {"corbaloc::127.0.0.1:2810/manager", "127.0.0.1:2810"},
        {"corbaloc::example.org:65535/x", "example.org:65535"},
        {"corbaloc:iiop:1.2@10.0.0.7:1/manager", "10.0.0.7:1"},
        {"corbaloc::10.0.0.1:5,:10.0.0.2:6/manager", "10.0.0.1:5"},
      };
      for (const auto& c : cases)
      {
        CORBA::Object_var obj = orb->string_to_object(c[0]);
        EXPECT_EQ(c[1], IorAddress::of(orb, obj.in())) << c[0];
      }
      EXPECT_EQ("", IorAddress::of(orb, CORBA::Object::_nil()));
    }
  }
}
