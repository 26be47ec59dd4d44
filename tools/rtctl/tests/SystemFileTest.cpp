// System profile files: what our writer writes reads back whole, a file as another tool writes it
// (its own prefixes, another order, elements we do not know) loads, and a file that cannot be used
// is refused with one line naming the element.
#include "client/Error.h"
#include "system/SystemFileReader.h"
#include "system/SystemFileWriter.h"

#include <gtest/gtest.h>

namespace rtctl
{
  namespace
  {
    SystemProfile twoComponentChain()
    {
      SystemProfile profile;
      profile.id = "RTSystem:rtctl:chain:1.0";
      profile.abstract = "two <Trimul> & friends";
      SavedComponent first;
      first.id = "RTC:Karvo:Category:Trimul:1.0.0";
      first.pathUri = "127.0.0.1:2809/vm.host_cxt/first.rtc";
      first.instanceName = "Trimul0";
      first.activeConfigurationSet = "fast";
      first.dataPorts = {{"x1", "DataInPort", "IDL:RTC/TimedLong:1.0"}, {"y1", "DataOutPort", "IDL:RTC/TimedLong:1.0"}};
      first.configurationSets = {{"default", {}}, {"fast", {{"gain", "2"}, {"name", "a \"quoted\" value"}}}};
      first.executionContexts = {{"0", "PERIODIC", "1000"}};
      first.properties = {{"IOR", "IOR:0100"}};
      SavedComponent second = first;
      second.pathUri = "127.0.0.1:2809/vm.host_cxt/second.rtc";
      second.isRequired = false;
      profile.components = {first, second};
      SavedConnector c;
      c.connectorId = "0a1b2c3d-0000-4000-8000-000000000001";
      c.name = "y1_x1";
      c.dataType = "IDL:RTC/TimedLong:1.0";
      c.interfaceType = "corba_cdr";
      c.dataflowType = "push";
      c.subscriptionType = "periodic";
      c.pushInterval = "20";
      c.source = {first.id, "Trimul0", "Trimul0.y1", first.pathUri};
      c.target = {second.id, "Trimul0", "Trimul0.x1", second.pathUri};
      c.properties = {{"dataport.subscription_type", "periodic"}, {"dataport.buffer.length", "16"}};
      profile.connectors = {c};
      return profile;
    }

    TEST(SystemFile, WhatIsWrittenReadsBackWhole)
    {
      const SystemProfile written = twoComponentChain();
      const SystemProfile sut = SystemFileReader::parse(SystemFileWriter::text(written), "chain.xml");

      EXPECT_EQ(written.id, sut.id);
      EXPECT_EQ(written.abstract, sut.abstract);
      EXPECT_EQ("0.2", sut.version);
      ASSERT_EQ(2u, sut.components.size());
      const SavedComponent& first = sut.components[0];
      EXPECT_EQ("RTC:Karvo:Category:Trimul:1.0.0", first.id);
      EXPECT_EQ("127.0.0.1:2809/vm.host_cxt/first.rtc", first.pathUri);
      EXPECT_EQ("fast", first.activeConfigurationSet);
      EXPECT_TRUE(first.isRequired);
      EXPECT_FALSE(sut.components[1].isRequired);
      ASSERT_EQ(2u, first.dataPorts.size());
      EXPECT_EQ("y1", first.dataPorts[1].name);
      EXPECT_EQ("DataOutPort", first.dataPorts[1].portType);
      EXPECT_EQ("IDL:RTC/TimedLong:1.0", first.dataPorts[1].dataType);
      ASSERT_EQ(2u, first.configurationSets.size());
      EXPECT_EQ(written.components[0].configurationSets[1].data, first.configurationSets[1].data);
      ASSERT_EQ(1u, first.executionContexts.size());
      EXPECT_EQ("PERIODIC", first.executionContexts[0].kind);
      EXPECT_EQ("1000", first.executionContexts[0].rate);
      EXPECT_EQ(written.components[0].properties, first.properties);

      ASSERT_EQ(1u, sut.connectors.size());
      const SavedConnector& c = sut.connectors[0];
      EXPECT_EQ(written.connectors[0].connectorId, c.connectorId);
      EXPECT_EQ("periodic", c.subscriptionType);
      EXPECT_EQ("20", c.pushInterval);
      EXPECT_EQ("Trimul0.y1", c.source.portName);
      EXPECT_EQ("y1", c.source.shortName());
      EXPECT_EQ("127.0.0.1:2809/vm.host_cxt/second.rtc", c.target.pathUri);
      EXPECT_EQ(written.connectors[0].properties, c.properties);
    }

    // As another tool may write it: its own prefixes (one the default namespace), connectors
    // before components, layout, start-up order and vendor elements of its own, and one
    // connector end found by component id and instance name instead of its path.
    const char* const kForeignFile = R"(<?xml version="1.0" encoding="UTF-8"?>
<RtsProfile xmlns="http://www.openrtp.org/namespaces/rts" xmlns:ext="http://www.openrtp.org/namespaces/rts_ext"
    xmlns:i="http://www.w3.org/2001/XMLSchema-instance" xmlns:v="urn:vendor"
    id="RTSystem:Other:Sys:2.0" version="0.2" v:edited="yes">
  <v:EditorState zoom="2"><v:Inner/></v:EditorState>
  <DataPortConnectors i:type="ext:dataport_connector_ext" connectorId="id-1" name="link"
      dataType="IDL:RTC/TimedLong:1.0" interfaceType="corba_cdr" dataflowType="push" subscriptionType="new">
    <sourceDataPort componentId="RTC:V:C:Src:1" instanceName="Src0" portName="Src0.out">
      <ext:Properties ext:name="COMPONENT_PATH_ID" ext:value="host:2809/h.host_cxt/Src0.rtc"/>
    </sourceDataPort>
    <targetDataPort componentId="RTC:V:C:Dst:1" instanceName="Dst0" portName="Dst0.in"/>
    <ext:Properties ext:name="dataport.buffer.length" ext:value="4"/>
    <ext:Properties ext:name="dataport.corba_cdr.inport_ior" ext:value="IOR:stale"/>
  </DataPortConnectors>
  <StartUp><Initiates sequence="0"/></StartUp>
  <Components i:type="ext:component_ext" id="RTC:V:C:Dst:1" pathUri="host:2809/h.host_cxt/Dst0.rtc"
      instanceName="Dst0" isRequired="false" ext:visible="true" v:color="red">
    <DataPorts name="in"/>
    <ext:Location ext:x="10" ext:y="20"/>
  </Components>
  <Components id="RTC:V:C:Src:1" pathUri="host:2809/h.host_cxt/Src0.rtc" instanceName="Src0">
    <DataPorts name="out"/>
    <ConfigurationSets id="default"><ConfigurationData name="k" data="v"/></ConfigurationSets>
  </Components>
  <ext:Properties ext:name="system.note" ext:value="ignored"/>
</RtsProfile>
)";

    TEST(SystemFile, AFileWrittenByAnotherToolLoads)
    {
      const SystemProfile sut = SystemFileReader::parse(kForeignFile, "other.xml");

      EXPECT_EQ("RTSystem:Other:Sys:2.0", sut.id);
      ASSERT_EQ(2u, sut.components.size());
      EXPECT_EQ("Dst0", sut.components[0].instanceName);
      EXPECT_FALSE(sut.components[0].isRequired);
      EXPECT_TRUE(sut.components[1].isRequired);
      ASSERT_EQ(1u, sut.components[1].configurationSets.size());
      EXPECT_EQ((TextPairs{{"k", "v"}}), sut.components[1].configurationSets[0].data);
      ASSERT_EQ(1u, sut.connectors.size());
      const SavedConnector& c = sut.connectors[0];
      EXPECT_EQ("id-1", c.connectorId);
      EXPECT_EQ("host:2809/h.host_cxt/Src0.rtc", c.source.pathUri);
      EXPECT_EQ("host:2809/h.host_cxt/Dst0.rtc", c.target.pathUri);
      EXPECT_EQ("in", c.target.shortName());
      // What a new connection is given: the saved options and the attributes, never the object
      // reference of the connection that was saved.
      EXPECT_EQ((TextPairs{{"dataport.buffer.length", "4"},
                           {"dataport.dataflow_type", "push"},
                           {"dataport.interface_type", "corba_cdr"},
                           {"dataport.subscription_type", "new"},
                           {"dataport.data_type", "IDL:RTC/TimedLong:1.0"}}),
                c.connectionProperties());
    }

    std::string refusal(const std::string& text)
    {
      try
      {
        SystemFileReader::parse(text, "sys.xml");
      }
      catch (const Error& e)
      {
        return e.what();
      }
      return "<accepted>";
    }

    TEST(SystemFile, AFileThatCannotBeUsedIsRefusedNamingTheElement)
    {
      const std::string open =
        R"(<rts:RtsProfile xmlns:rts="http://www.openrtp.org/namespaces/rts" xmlns:rtsExt="http://www.openrtp.org/namespaces/rts_ext">)";
      const std::string close = "</rts:RtsProfile>";
      const std::string a = R"(<rts:Components rts:pathUri="h:2809/A.rtc" rts:instanceName="A" rts:id="RTC:V:C:A:1"/>)";
      const std::string end =
        R"(<rts:sourceDataPort rts:portName="A.y1"><rtsExt:Properties rtsExt:name="COMPONENT_PATH_ID" rtsExt:value="h:2809/A.rtc"/></rts:sourceDataPort>)";
      const struct
      {
        std::string text;
        std::string message;
      } cases[] = {
        {"", "sys.xml: not XML: No document element found at line 1"},
        {"<a><b></a>", "sys.xml: not XML: Start-end tags mismatch at line 1"},
        {"<a/>", "sys.xml: not a system profile: its root element is <a>, not rts:RtsProfile of "
                 "http://www.openrtp.org/namespaces/rts"},
        {"<rts:RtsProfile xmlns:rts=\"urn:other\"/>", "sys.xml: not a system profile: its root element is "
                                                      "<rts:RtsProfile>, not rts:RtsProfile of "
                                                      "http://www.openrtp.org/namespaces/rts"},
        {open + R"(<rts:Components rts:instanceName="A"/>)" + close,
         "sys.xml: rts:Components 'A' (component 1) has no rts:pathUri: nothing tells where to find it"},
        {open + a + a + close,
         "sys.xml: rts:Components 'A' (component 2): rts:pathUri h:2809/A.rtc is already used by an earlier component"},
        {open + R"(<rts:Components rts:pathUri="h:2809/A.rtc" rts:isRequired="maybe"/>)" + close,
         "sys.xml: rts:Components (component 1): rts:isRequired 'maybe' is neither true nor false"},
        {open + a + R"(<rts:DataPortConnectors rts:name="c">)" + end + "</rts:DataPortConnectors>" + close,
         "sys.xml: rts:DataPortConnectors 'c' (connector 1) has no rts:connectorId"},
        {open + a + R"(<rts:DataPortConnectors rts:connectorId="1" rts:name="c">)" + end + "</rts:DataPortConnectors>" +
           close,
         "sys.xml: rts:DataPortConnectors 'c' (connector 1) has no rts:targetDataPort"},
        {open + a + R"(<rts:DataPortConnectors rts:connectorId="1" rts:name="c">)" + end +
           R"(<rts:targetDataPort rts:portName="B.x1" rts:instanceName="B"/></rts:DataPortConnectors>)" + close,
         "sys.xml: rts:DataPortConnectors 'c' (connector 1): rts:targetDataPort B.x1 belongs to 'B', which is not "
         "among the file's rts:Components"},
        // Two components alike but for their paths: an end without a path could be either.
        {open + a + R"(<rts:Components rts:pathUri="h:2809/A2.rtc" rts:instanceName="A" rts:id="RTC:V:C:A:1"/>)" +
           R"(<rts:DataPortConnectors rts:connectorId="1" rts:name="c">)" + end +
           R"(<rts:targetDataPort rts:portName="A.x1" rts:instanceName="A" rts:componentId="RTC:V:C:A:1"/>)" +
           "</rts:DataPortConnectors>" + close,
         "sys.xml: rts:DataPortConnectors 'c' (connector 1): rts:targetDataPort A.x1 may belong to h:2809/A.rtc or "
         "h:2809/A2.rtc, which have the same rts:componentId and rts:instanceName; give it a COMPONENT_PATH_ID "
         "property naming one"},
      };
      for (const auto& c : cases)
        EXPECT_EQ(c.message, refusal(c.text)) << c.text;
    }

    TEST(SystemFile, AFileThatCannotBeWrittenIsNamed)
    {
      try
      {
        SystemFileWriter::write(twoComponentChain(), "/nonexistent-folder/sys.xml");
        ADD_FAILURE() << "written";
      }
      catch (const Error& e)
      {
        EXPECT_STREQ("/nonexistent-folder/sys.xml: cannot be written (No such file or directory)", e.what());
      }
    }
  }
}
