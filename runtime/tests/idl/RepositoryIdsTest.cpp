// Guard for the wire contract of our IDL: the repository IDs that
// peers compare as strings, and the bare little-endian CDR layout of the data-port payload.
// A wrong #pragma prefix compiles fine and only shows up here (or as failed narrows at run time).
#include <rtm/idl/BasicDataType.hh>
#include <rtm/idl/ComponentObserver.hh>
#include <rtm/idl/DataPort.hh>
#include <rtm/idl/Manager.hh>
#include <rtm/idl/OpenRTM.hh>
#include <rtm/idl/RTC.hh>
#include <rtm/idl/RTCComponentObserver.hh>
#include <rtm/idl/SDOPackage.hh>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace
{

  std::vector<unsigned char> bytes(const cdrMemoryStream& s)
  {
    const auto* p = static_cast<const unsigned char*>(s.bufPtr());
    return std::vector<unsigned char>(p, p + s.bufSize());
  }

}  // namespace

TEST(RepositoryIds, InterfacesAdvertisedInIors)
{
  // §2: most-derived type_id of every object the runtime serves, plus the narrow targets.
  EXPECT_STREQ(OpenRTM::DataFlowComponent::_PD_repoId, "IDL:openrtm.aist.go.jp/OpenRTM/DataFlowComponent:1.0");
  EXPECT_STREQ(OpenRTM::ExtTrigExecutionContextService::_PD_repoId,
               "IDL:openrtm.aist.go.jp/OpenRTM/ExtTrigExecutionContextService:1.0");
  EXPECT_STREQ(RTC::RTObject::_PD_repoId, "IDL:omg.org/RTC/RTObject:1.0");
  EXPECT_STREQ(RTC::PortService::_PD_repoId, "IDL:omg.org/RTC/PortService:1.0");
  EXPECT_STREQ(RTC::ExecutionContextService::_PD_repoId, "IDL:omg.org/RTC/ExecutionContextService:1.0");
  EXPECT_STREQ(SDOPackage::SDO::_PD_repoId, "IDL:org.omg/SDOPackage/SDO:1.0");
  EXPECT_STREQ(SDOPackage::SDOService::_PD_repoId, "IDL:org.omg/SDOPackage/SDOService:1.0");
  EXPECT_STREQ(SDOPackage::Configuration::_PD_repoId, "IDL:org.omg/SDOPackage/Configuration:1.0");
  EXPECT_STREQ(OpenRTM::InPortCdr::_PD_repoId, "IDL:OpenRTM/InPortCdr:1.0");
  EXPECT_STREQ(OpenRTM::OutPortCdr::_PD_repoId, "IDL:OpenRTM/OutPortCdr:1.0");
  EXPECT_STREQ(RTM::Manager::_PD_repoId, "IDL:RTM/Manager:1.0");
  // Tools attach an observer by this interface_type string, and its enum travels by this id.
  EXPECT_STREQ(OpenRTM::ComponentObserver::_PD_repoId, "IDL:OpenRTM/ComponentObserver:1.0");
  EXPECT_STREQ(OpenRTM::_tc_StatusKind->id(), "IDL:OpenRTM/StatusKind:1.0");
  EXPECT_EQ(OpenRTM::HEARTBEAT, 5);
  // The same observer as the newer tools announce it; its kinds travel as the same ordinals.
  EXPECT_STREQ(RTC::ComponentObserver::_PD_repoId, "IDL:omg.org/RTC/ComponentObserver:1.0");
  EXPECT_STREQ(RTC::_tc_StatusKind->id(), "IDL:omg.org/RTC/StatusKind:1.0");
  EXPECT_EQ(static_cast<int>(RTC::RTC_STATUS), static_cast<int>(OpenRTM::RTC_STATUS));
  EXPECT_EQ(static_cast<int>(RTC::HEARTBEAT), static_cast<int>(OpenRTM::HEARTBEAT));
}

TEST(RepositoryIds, TypeCodes)
{
  // Basic data types have no prefix: `dataport.data_type` is compared as this exact string.
  EXPECT_STREQ(RTC::_tc_TimedLong->id(), "IDL:RTC/TimedLong:1.0");
  EXPECT_STREQ(RTC::_tc_Time->id(), "IDL:RTC/Time:1.0");
  EXPECT_STREQ(RTC::_tc_TimedDoubleSeq->id(), "IDL:RTC/TimedDoubleSeq:1.0");
  EXPECT_STREQ(RTC::_tc_ReturnCode_t->id(), "IDL:omg.org/RTC/ReturnCode_t:1.0");
  EXPECT_STREQ(OpenRTM::_tc_PortStatus->id(), "IDL:OpenRTM/PortStatus:1.0");
  EXPECT_STREQ(OpenRTM::_tc_CdrData->id(), "IDL:OpenRTM/CdrData:1.0");
  EXPECT_STREQ(SDOPackage::_tc_NVList->id(), "IDL:org.omg/SDOPackage/NVList:1.0");
  EXPECT_STREQ(RTC::_tc_NVList->id(), "IDL:omg.org/RTC/NVList:1.0");
  EXPECT_STREQ(RTM::_tc_NVList->id(), "IDL:RTM/NVList:1.0");
}

TEST(RepositoryIds, EnumOrdinals)
{
  EXPECT_EQ(RTC::PRECONDITION_NOT_MET, 5);
  EXPECT_EQ(RTC::ERROR_STATE, 3);
  EXPECT_EQ(OpenRTM::UNKNOWN_ERROR, 5);
  EXPECT_EQ(RTC::_tc_ReturnCode_t->member_count(), 6u);
}

TEST(CdrLayout, TimedLongIsTwelveLittleEndianOctets)
{
  RTC::TimedLong v;
  v.tm.sec = 1;
  v.tm.nsec = 2;
  v.data = -3;
  cdrMemoryStream s;
  s.setByteSwapFlag(true);  // true = the stream is little-endian (no encapsulation octet)
  v >>= s;
  const std::vector<unsigned char> expected = {0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0xFD, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(bytes(s), expected);

  RTC::TimedLong back;
  s.rewindInputPtr();
  back <<= s;
  EXPECT_EQ(back.tm.sec, 1u);
  EXPECT_EQ(back.tm.nsec, 2u);
  EXPECT_EQ(back.data, -3);
}

TEST(CdrLayout, TimedDoublePutsItsDoubleAtOffsetEight)
{
  RTC::TimedDouble v;
  v.tm.sec = 1;
  v.tm.nsec = 2;
  v.data = 1.0;  // IEEE 754: 0x3FF0000000000000
  cdrMemoryStream s;
  s.setByteSwapFlag(true);
  v >>= s;
  const std::vector<unsigned char> expected = {0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
                                               0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF0, 0x3F};
  EXPECT_EQ(bytes(s), expected);
}
