// Tree operations of coil::Properties whose details components and the runtime rely on.
#include <coil/Properties.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace
{

  using Names = std::vector<std::string>;

  // The shape of a component profile table: pairs, then a single "".
  // A profile table keeps its hand layout.
  // clang-format off
const char* const kProfile[] = {
    "implementation_id", "Trimul",
    "type_name",         "Trimul",
    "description",       "ModuleDescription",
    "version",           "1.0.0",
    "vendor",            "Karvo",
    "category",          "Category",
    "activity_type",     "PERIODIC",
    "kind",              "DataFlowComponent",
    "max_instance",      "1",
    "language",          "C++",
    "lang_type",         "compile",
    ""};
  // clang-format on

  TEST(PropertiesTable, HugeCountReadsUpToTheEmptyKey)
  {
    coil::Properties sut(kProfile, 2147483647);

    EXPECT_EQ(sut.size(), 11);
    EXPECT_EQ(sut.getProperty("implementation_id"), "Trimul");
    EXPECT_EQ(sut.getProperty("lang_type"), "compile");
  }

  TEST(PropertiesTable, EntriesBecomeDefaultsThatAValueOverrides)
  {
    coil::Properties sut(kProfile);

    EXPECT_EQ(sut.getDefault("version"), "1.0.0");
    EXPECT_STREQ(sut.findNode("version")->getValue(), "");
    sut.setProperty("version", "2.0.0");
    EXPECT_EQ(sut.getProperty("version"), "2.0.0");
  }

  TEST(PropertiesTable, SmallCountStopsEarly)
  {
    coil::Properties sut(kProfile, 4);

    EXPECT_EQ(sut.propertyNames(), (Names{"implementation_id", "type_name"}));
  }

  TEST(PropertiesTable, PairStraddlingTheCountIsNotRead)
  {
    coil::Properties sut(kProfile, 3);

    EXPECT_EQ(sut.propertyNames(), (Names{"implementation_id"}));
  }

  TEST(PropertiesTable, MapEntriesBecomeDefaults)
  {
    std::map<std::string, std::string> defaults{{"a.b", "1"}, {"c", "2"}};

    coil::Properties sut(defaults);

    EXPECT_EQ(sut.getDefault("a.b"), "1");
    EXPECT_EQ(sut.getProperty("c"), "2");
  }

  TEST(PropertiesLookup, EmptyValueFallsBackToDefault)
  {
    coil::Properties sut;
    sut.setDefault("rate", "1000");
    EXPECT_EQ(sut.getProperty("rate"), "1000");

    sut.setProperty("rate", "10");
    EXPECT_EQ(sut.getProperty("rate"), "10");

    sut.setProperty("rate", "");
    EXPECT_EQ(sut.getProperty("rate"), "1000");
  }

  TEST(PropertiesLookup, AbsentKeyGivesEmptyOrTheCallersDefault)
  {
    coil::Properties sut;
    sut.setProperty("present", "");

    EXPECT_EQ(sut.getProperty("absent"), "");
    EXPECT_EQ(sut.getProperty("absent", "fallback"), "fallback");
    EXPECT_EQ(sut.getProperty("present", "fallback"), "fallback");
    EXPECT_EQ(sut.findNode("absent"), nullptr);
  }

  TEST(PropertiesLookup, SetPropertyReturnsTheReplacedValue)
  {
    coil::Properties sut;

    EXPECT_EQ(sut.setProperty("a.b", "1"), "");
    EXPECT_EQ(sut.setProperty("a.b", "2"), "1");
  }

  TEST(PropertiesLookup, ConstIndexDoesNotCreateButMutableIndexDoes)
  {
    coil::Properties sut;
    const coil::Properties& view = sut;

    EXPECT_EQ(view["x.y"], "");
    EXPECT_EQ(sut.findNode("x.y"), nullptr);

    sut["x.y"] = "set";
    EXPECT_EQ(view["x.y"], "set");
  }

  TEST(PropertiesLookup, DottedKeysBuildATree)
  {
    coil::Properties sut;
    sut.setProperty("exec_cxt.periodic.rate", "100");

    coil::Properties* periodic = sut.findNode("exec_cxt.periodic");
    ASSERT_NE(periodic, nullptr);
    EXPECT_STREQ(periodic->getName(), "periodic");
    EXPECT_EQ(periodic->getRoot(), sut.findNode("exec_cxt"));
    EXPECT_EQ(periodic->getProperty("rate"), "100");
    EXPECT_EQ(sut.hasKey("exec_cxt"), sut.findNode("exec_cxt"));
    EXPECT_EQ(sut.hasKey("periodic"), nullptr);  // not a direct child
  }

  TEST(PropertiesNames, LeavesOnlyDepthFirstInInsertionOrder)
  {
    coil::Properties sut;
    sut.setProperty("b.x", "1");
    sut.setProperty("a", "2");
    sut.setProperty("b.y", "3");
    sut.setProperty("c.d.e", "4");

    EXPECT_EQ(sut.propertyNames(), (Names{"b.x", "b.y", "a", "c.d.e"}));
    EXPECT_EQ(sut.size(), 4);
    EXPECT_EQ(sut.findNode("b")->propertyNames(), (Names{"x", "y"}));
  }

  TEST(PropertiesNodes, CreateNodeRefusesAnExistingKey)
  {
    coil::Properties sut;

    EXPECT_TRUE(sut.createNode("a.b"));
    EXPECT_FALSE(sut.createNode("a.b"));
    EXPECT_FALSE(sut.createNode("a"));
    EXPECT_EQ(&sut.getNode("a.b"), sut.findNode("a.b"));
  }

  TEST(PropertiesNodes, RemovedNodeIsDetachedWithItsSubtreeAndOwnedByTheCaller)
  {
    coil::Properties sut;
    sut.setProperty("keep", "1");
    sut.setProperty("gone.child", "2");

    std::unique_ptr<coil::Properties> removed(sut.removeNode("gone"));

    ASSERT_NE(removed, nullptr);
    EXPECT_EQ(removed->getRoot(), nullptr);
    EXPECT_EQ(removed->getProperty("child"), "2");
    EXPECT_EQ(sut.findNode("gone"), nullptr);
    EXPECT_EQ(sut.propertyNames(), (Names{"keep"}));
    EXPECT_EQ(sut.removeNode("gone"), nullptr);
  }

  TEST(PropertiesNodes, DeletingAChildUnlinksItFromItsParent)
  {
    coil::Properties sut;
    sut.setProperty("a.b", "1");
    sut.setProperty("a.c", "2");

    delete sut.findNode("a.b");

    EXPECT_EQ(sut.propertyNames(), (Names{"a.c"}));
  }

  TEST(PropertiesNodes, ClearEmptiesTheTree)
  {
    coil::Properties sut(kProfile);

    sut.clear();

    EXPECT_EQ(sut.size(), 0);
    EXPECT_TRUE(sut.getLeaf().empty());
  }

  TEST(PropertiesCopy, CopyIsDeepAndIndependent)
  {
    coil::Properties original;
    original.setProperty("a.b", "1");
    original.setDefault("a.c", "d");

    coil::Properties sut(original);
    sut.setProperty("a.b", "changed");

    EXPECT_EQ(original.getProperty("a.b"), "1");
    EXPECT_EQ(sut.getProperty("a.c"), "d");
    EXPECT_EQ(sut.findNode("a")->getRoot(), &sut);
  }

  TEST(PropertiesCopy, CopyOfASubtreeIsARoot)
  {
    coil::Properties tree;
    tree.setProperty("a.b", "1");

    coil::Properties sut(*tree.findNode("a"));

    EXPECT_EQ(sut.getRoot(), nullptr);
    EXPECT_STREQ(sut.getName(), "a");
    EXPECT_EQ(sut.getProperty("b"), "1");
  }

  TEST(PropertiesCopy, AssigningADescendantToItsAncestorKeepsTheDescendantsContent)
  {
    coil::Properties sut;
    sut.setProperty("a.b.c", "1");

    sut = *sut.findNode("a");

    EXPECT_EQ(sut.propertyNames(), (Names{"b.c"}));
    EXPECT_STREQ(sut.getName(), "a");  // a root takes the name of what it copies
  }

  TEST(PropertiesCopy, AssignedChildStaysInItsTree)
  {
    coil::Properties tree;
    tree.setProperty("slot.old", "x");
    coil::Properties replacement;
    replacement.setProperty("new", "y");

    coil::Properties* sut = tree.findNode("slot");
    *sut = replacement;

    EXPECT_EQ(sut->getRoot(), &tree);
    EXPECT_EQ(tree.propertyNames(), (Names{"slot.new"}));
  }

  TEST(PropertiesMerge, EveryEntryOfTheArgumentIsSetIntoThis)
  {
    coil::Properties sut;
    sut.setProperty("kept", "mine");
    sut.setProperty("shared", "mine");
    coil::Properties other;
    other.setProperty("shared", "theirs");
    other.setDefault("added.by.default", "dflt");
    other.setProperty("inner", "own");
    other.setProperty("inner.leaf", "x");

    sut << other;

    EXPECT_EQ(sut.getProperty("kept"), "mine");
    EXPECT_EQ(sut.getProperty("shared"), "theirs");
    EXPECT_EQ(sut.getProperty("added.by.default"), "dflt");
    EXPECT_EQ(sut.getProperty("inner"), "own");
    EXPECT_EQ(sut.getProperty("inner.leaf"), "x");
  }

  TEST(PropertiesMerge, EmptyLeafOfTheArgumentClearsTheValue)
  {
    coil::Properties sut;
    sut.setProperty("corba.endpoint", "host:1");
    coil::Properties other;
    other.setProperty("corba.endpoint", "");

    sut << other;

    EXPECT_EQ(sut.getProperty("corba.endpoint"), "");
  }

  TEST(PropertiesOutput, ListPrintsFullKeys)
  {
    coil::Properties sut;
    sut.setProperty("a.b", "1");
    sut.setProperty("c", "");
    std::ostringstream out;

    sut.list(out);

    EXPECT_EQ(out.str(), "a.b: 1\nc: \n");
  }

}  // namespace
