// ConfigAdmin, the component's configuration sets and the variables bound to them: what each
// operation answers, which listeners it fires, and that the variables change only on update.
#include <rtm/ConfigAdmin.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace
{
  using Events = std::vector<std::string>;

  // Every listener of every event writes one line into the same list.
  struct ParamRecorder : RTC::ConfigurationParamListener
  {
    explicit ParamRecorder(Events& e) : events(e) {}
    void operator()(const char* set, const char* param) override
    {
      events.push_back(std::string("UPDATE_PARAM ") + set + "." + param);
    }
    Events& events;
  };

  struct SetRecorder : RTC::ConfigurationSetListener
  {
    SetRecorder(Events& e, const char* what) : events(e), name(what) {}
    void operator()(const coil::Properties& set) override
    {
      events.push_back(name + " " + set.getName() + " gain=" + set.getProperty("gain"));
    }
    Events& events;
    std::string name;
  };

  struct SetNameRecorder : RTC::ConfigurationSetNameListener
  {
    SetNameRecorder(Events& e, const char* what, bool* gone = nullptr) : events(e), name(what), deleted(gone) {}
    ~SetNameRecorder() override
    {
      if (deleted != nullptr)
        *deleted = true;
    }
    void operator()(const char* set) override { events.push_back(name + " " + set); }
    Events& events;
    std::string name;
    bool* deleted;
  };

  coil::Properties namedSet(const char* id, const char* gain)
  {
    coil::Properties set(id);
    set.setProperty("gain", gain);
    return set;
  }

  // A component's tree with three sets, two parameters bound, every listener attached.
  struct Bed
  {
    Bed()
    {
      tree.setProperty("instance_name", "Tuned0");
      tree.setProperty("conf.default.gain", "5");
      tree.setProperty("conf.default.ratio", "0.25");
      tree.setProperty("conf.other.gain", "9");
      tree.setProperty("conf._hidden.gain", "2");
      sut = std::make_unique<RTC::ConfigAdmin>(tree.getNode("conf"));
      sut->bindParameter("gain", gain, "1");
      sut->bindParameter("ratio", ratio, "0.5");
      sut->addConfigurationParamListener(RTC::ON_UPDATE_CONFIG_PARAM, new ParamRecorder(events));
      sut->addConfigurationSetListener(RTC::ON_SET_CONFIG_SET, new SetRecorder(events, "SET"));
      sut->addConfigurationSetListener(RTC::ON_ADD_CONFIG_SET, new SetRecorder(events, "ADD"));
      sut->addConfigurationSetNameListener(RTC::ON_UPDATE_CONFIG_SET, new SetNameRecorder(events, "UPDATE_SET"));
      sut->addConfigurationSetNameListener(RTC::ON_REMOVE_CONFIG_SET, new SetNameRecorder(events, "REMOVE"));
      sut->addConfigurationSetNameListener(RTC::ON_ACTIVATE_CONFIG_SET, new SetNameRecorder(events, "ACTIVATE"));
    }

    coil::Properties tree;
    int gain = -1;
    double ratio = -1;
    Events events;
    std::unique_ptr<RTC::ConfigAdmin> sut;
  };

  struct Case
  {
    const char* name;
    std::function<bool(RTC::ConfigAdmin&)> act;
    Events events;  // those of act, then those of the update() after it
    int gainBeforeUpdate;
    int gainAfterUpdate;
    double ratioAfterUpdate;
    const char* activeId;
    bool result;
    bool activeAfterAct;
  };

  // New values for the parameter gain of the set default, which is then activated.
  bool setAndActivate(RTC::ConfigAdmin& a, const char* gain)
  {
    return a.setConfigurationSetValues(namedSet("default", gain)) && a.activateConfigurationSet("default");
  }

  // A step that answers nothing, as one that answers true.
  std::function<bool(RTC::ConfigAdmin&)> just(const std::function<void(RTC::ConfigAdmin&)>& step)
  {
    return [step](RTC::ConfigAdmin& a) {
      step(a);
      return true;
    };
  }

  TEST(ConfigAdmin, EachOperationAnswersFiresItsListenersAndChangesVariablesOnlyOnUpdate)
  {
    using A = RTC::ConfigAdmin;
    // The table keeps its hand layout: one case a block, what it does, then what it must give.
    // clang-format off
    const Case cases[] = {
      {"nothing changed: update applies nothing",
       just([](A&) {}),
       {}, 1, 1, 0.5, "default", true, true},
      {"a set applied by name, whichever is active",
       just([](A& a) { a.update("other"); }),
       {"UPDATE_SET other"}, 9, 9, 0.5, "default", true, true},
      {"each parameter of a set applied fires once",
       just([](A& a) { a.update("default"); }),
       {"UPDATE_SET default", "UPDATE_SET default"}, 5, 5, 0.25, "default", true, true},
      {"one parameter applied",
       just([](A& a) { a.update("default", "gain"); }),
       {"UPDATE_PARAM default.gain"}, 5, 5, 0.5, "default", true, true},
      {"an unknown set or parameter applies nothing",
       just([](A& a) { a.update("none"); a.update("default", "none"); a.update("none", "gain"); }),
       {}, 1, 1, 0.5, "default", true, true},
      {"activating a set applies it at the next update",
       [](A& a) { return a.activateConfigurationSet("other"); },
       {"ACTIVATE other", "UPDATE_SET other"}, 1, 9, 0.5, "other", true, true},
      {"a hidden set is not activated",
       [](A& a) { return a.activateConfigurationSet("_hidden"); },
       {}, 1, 1, 0.5, "default", false, true},
      {"an unknown set is not activated",
       [](A& a) { return a.activateConfigurationSet("none"); },
       {}, 1, 1, 0.5, "default", false, true},
      {"new values leave no set active until one is activated",
       [](A& a) { return a.setConfigurationSetValues(namedSet("default", "6")); },
       {"SET default gain=6"}, 1, 1, 0.5, "default", true, false},
      {"new values apply once their set is activated",
       [](A& a) { return setAndActivate(a, "6"); },
       {"SET default gain=6", "ACTIVATE default", "UPDATE_SET default", "UPDATE_SET default"}, 1, 6, 0.25, "default",
       true, true},
      {"a value read as far as it goes",
       [](A& a) { return setAndActivate(a, "12abc"); },
       {"SET default gain=12abc", "ACTIVATE default", "UPDATE_SET default", "UPDATE_SET default"}, 1, 12, 0.25,
       "default", true, true},
      {"a value that does not convert keeps the old one, the others apply",
       [](A& a) { return setAndActivate(a, "x"); },
       {"SET default gain=x", "ACTIVATE default", "UPDATE_SET default", "UPDATE_SET default"}, 1, 1, 0.25, "default",
       true, true},
      {"values without a set name are refused",
       [](A& a) { return a.setConfigurationSetValues(namedSet("", "6")); },
       {}, 1, 1, 0.5, "default", false, true},
      {"a set added is not active",
       [](A& a) { return a.addConfigurationSet(namedSet("extra", "3")); },
       {"ADD extra gain=3"}, 1, 1, 0.5, "default", true, false},
      {"a set that exists is not added again",
       [](A& a) { return a.addConfigurationSet(namedSet("other", "3")); },
       {}, 1, 1, 0.5, "default", false, true},
      {"a set added at run time can be removed",
       [](A& a) { return a.addConfigurationSet(namedSet("extra", "3")) && a.removeConfigurationSet("extra"); },
       {"ADD extra gain=3", "REMOVE extra"}, 1, 1, 0.5, "default", true, false},
      {"a set of the component's own is not removed",
       [](A& a) { return a.removeConfigurationSet("other"); },
       {}, 1, 1, 0.5, "default", false, true},
      {"neither is default",
       [](A& a) { return a.removeConfigurationSet("default"); },
       {}, 1, 1, 0.5, "default", false, true},
      {"nor the active set",
       [](A& a) { return a.addConfigurationSet(namedSet("extra", "3")) && a.activateConfigurationSet("extra") &&
                         a.removeConfigurationSet("extra"); },
       {"ADD extra gain=3", "ACTIVATE extra", "UPDATE_SET extra"}, 1, 3, 0.5, "extra", false, true},
    };
    // clang-format on
    for (const Case& c : cases)
    {
      Bed bed;
      ASSERT_EQ(bed.gain, 1) << "the default is applied at once";
      testing::internal::CaptureStderr();
      EXPECT_EQ(c.result, c.act(*bed.sut)) << c.name;
      EXPECT_EQ(c.gainBeforeUpdate, bed.gain) << c.name;
      EXPECT_EQ(c.activeAfterAct, bed.sut->isActive()) << c.name;
      bed.sut->update();
      EXPECT_EQ(c.events, bed.events) << c.name;
      EXPECT_EQ(c.gainAfterUpdate, bed.gain) << c.name;
      EXPECT_DOUBLE_EQ(c.ratioAfterUpdate, bed.ratio) << c.name;
      EXPECT_STREQ(c.activeId, bed.sut->getActiveId()) << c.name;
      const std::string warned = testing::internal::GetCapturedStderr();
      if (std::string(c.name).find("does not convert") != std::string::npos)
        EXPECT_NE(std::string::npos,
                  warned.find("warning: Tuned0: configuration set 'default': parameter 'gain' cannot take the "
                              "value 'x'; it keeps its previous value"))
          << warned;
      else
        EXPECT_EQ("", warned) << c.name;
    }
  }

  TEST(ConfigAdmin, BindingRefusesMissingArgumentsRepeatsAndDefaultsThatDoNotConvert)
  {
    coil::Properties tree;
    RTC::ConfigAdmin sut(tree.getNode("conf"));
    int a = 7;
    std::vector<double> list;
    EXPECT_TRUE(sut.bindParameter("a", a, "3"));
    EXPECT_EQ(3, a);
    EXPECT_FALSE(sut.bindParameter("a", a, "4"));
    EXPECT_EQ(3, a);
    EXPECT_FALSE(sut.bindParameter(nullptr, a, "4"));
    EXPECT_FALSE(sut.bindParameter("b", a, nullptr));
    EXPECT_FALSE(sut.bindParameter("b", a, "four"));
    EXPECT_FALSE(sut.isExist("b"));
    EXPECT_TRUE(sut.bindParameter("list", list, "1, 2.5"));
    EXPECT_EQ((std::vector<double>{1, 2.5}), list);
  }

  TEST(ConfigAdmin, OwnedListenersAreDeletedWhenRemovedOrWithTheAdminAndOthersAreLeftToTheirOwner)
  {
    Events events;
    bool removedOwned = false, keptOwned = false, lentGone = false;
    SetNameRecorder lent(events, "LENT", &lentGone);
    SetNameRecorder lentKept(events, "KEPT", nullptr);
    {
      coil::Properties tree;
      tree.setProperty("conf.default.gain", "1");
      RTC::ConfigAdmin sut(tree.getNode("conf"));
      auto* owned = new SetNameRecorder(events, "OWNED", &removedOwned);
      sut.addConfigurationSetNameListener(RTC::ON_ACTIVATE_CONFIG_SET, owned);
      sut.addConfigurationSetNameListener(RTC::ON_ACTIVATE_CONFIG_SET, &lent, false);
      sut.addConfigurationSetNameListener(RTC::ON_ACTIVATE_CONFIG_SET, new SetNameRecorder(events, "KEEP", &keptOwned));
      sut.addConfigurationSetNameListener(RTC::ON_ACTIVATE_CONFIG_SET, &lentKept, false);
      ASSERT_TRUE(sut.activateConfigurationSet("default"));
      EXPECT_EQ((Events{"OWNED default", "LENT default", "KEEP default", "KEPT default"}), events);

      sut.removeConfigurationSetNameListener(RTC::ON_ACTIVATE_CONFIG_SET, owned);
      sut.removeConfigurationSetNameListener(RTC::ON_ACTIVATE_CONFIG_SET, &lent);
      EXPECT_TRUE(removedOwned);
      EXPECT_FALSE(lentGone);
      events.clear();
      ASSERT_TRUE(sut.activateConfigurationSet("default"));
      EXPECT_EQ((Events{"KEEP default", "KEPT default"}), events);
      EXPECT_FALSE(keptOwned);
    }
    EXPECT_TRUE(keptOwned);
    EXPECT_FALSE(lentGone);
  }
}
