// The manager daemon rtcd and its CORBA object, driven with raw calls as a shell tool makes them:
// a master and a slave on loopback, modules loaded and components created and deleted remotely,
// a slave that dies or comes before its master, a component's own configuration file, and every
// bad request refused with one line while everything else goes on.
#include "RtcdProcess.h"

#include "testsupport/NameServer.h"
#include "testsupport/NamingClient.h"
#include "testsupport/Paths.h"
#include "testsupport/Wait.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

using namespace std::chrono_literals;

namespace e2e
{
  namespace
  {
    std::string valueOf(const SDOPackage::NVList& nv, const std::string& key)
    {
      for (CORBA::ULong i = 0; i < nv.length(); ++i)
      {
        const char* value = nullptr;
        if (key == static_cast<const char*>(nv[i].name) && (nv[i].value >>= value))
          return value;
      }
      return "<absent>";
    }

    std::vector<std::string> column(const RTM::ModuleProfileList& list, const std::string& key)
    {
      std::vector<std::string> values;
      for (CORBA::ULong i = 0; i < list.length(); ++i)
        values.push_back(valueOf(list[i].properties, key));
      return values;
    }

    std::string codeName(RTC::ReturnCode_t code)
    {
      const char* const names[] = {"RTC_OK",      "RTC_ERROR",        "BAD_PARAMETER",
                                   "UNSUPPORTED", "OUT_OF_RESOURCES", "PRECONDITION_NOT_MET"};
      return code <= RTC::PRECONDITION_NOT_MET ? names[code] : "?";
    }

    std::string outcome(RTC::RTObject_ptr comp)
    {
      const bool nil = CORBA::is_nil(comp);
      CORBA::release(comp);
      return nil ? "nil" : "a component";
    }

    size_t lineCount(const std::string& text)
    {
      return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
    }

    double ownRate(RTC::RTObject_ptr comp)
    {
      RTC::ExecutionContextList_var ecs = comp->get_owned_contexts();
      return ecs->length() == 1 ? ecs[0u]->get_rate() : -1.0;
    }

    std::string testModuleFolder() { return testsupport::binaryDir() + "/tests/e2e/modules"; }

    class ManagerDaemon : public ::testing::Test
    {
    protected:
      RtcdOptions options(bool master, const std::vector<std::string>& extra = {})
      {
        RtcdOptions o;
        o.nameServer = ns.address();
        o.masterAddress = masterAddress;
        o.master = master;
        o.settings = {"naming.update.interval:0.3", "manager.modules.load_path:" + moduleFolder()};
        if (!master)
          o.settings.insert(o.settings.end(), {"manager.shutdown_on_nortcs:NO", "manager.shutdown_auto:NO",
                                               "manager.auto_shutdown_duration:0.3"});
        o.settings.insert(o.settings.end(), extra.begin(), extra.end());
        return o;
      }

      static size_t slaveCount(RTM::Manager_ptr manager)
      {
        try
        {
          RTM::ManagerList_var slaves = manager->get_slave_managers();
          return slaves->length();
        }
        catch (const CORBA::Exception&)
        {
          return 0;
        }
      }

      RTC::RTObject_ptr resolveComponent(const std::string& instance)
      {
        CORBA::Object_var obj = naming.resolve(host + ".host_cxt/" + instance + ".rtc");
        return RTC::RTObject::_narrow(obj.in());
      }

      testsupport::NameServer ns;
      testsupport::NamingClient naming{testsupport::testOrb(), ns.corbaloc()};
      const std::string host = testsupport::hostName();
      const std::string masterAddress = freeMasterAddress();
    };

    TEST_F(ManagerDaemon, ASlaveRunsWhatItIsAskedThroughItsMasterAndADeadSlaveIsDroppedQuietly)
    {
      RtcdProcess master(options(true));
      RtcdProcess slave(options(false));
      RTM::Manager_var mgr = managerAt(masterAddress);
      ASSERT_TRUE(answers(mgr)) << master.process().stderrText();
      EXPECT_TRUE(mgr->is_master());
      // Bound just after its object begins to answer.
      EXPECT_TRUE(testsupport::waitUntil([&] { return naming.isBound(host + ".host_cxt/manager.mgr"); }, 10s));
      ASSERT_TRUE(testsupport::waitUntil([&] { return slaveCount(mgr) == 1; }, 10s)) << slave.process().stderrText();
      RTM::ManagerList_var slaves = mgr->get_slave_managers();
      RTM::Manager_var sut = RTM::Manager::_duplicate(slaves[0u]);
      EXPECT_FALSE(sut->is_master());
      RTM::ManagerList_var itsMasters = sut->get_master_managers();
      ASSERT_EQ(itsMasters->length(), 1u);
      EXPECT_TRUE(itsMasters[0u]->_is_equivalent(mgr.in()));

      RTM::ModuleProfileList_var loadable = sut->get_loadable_modules();
      EXPECT_EQ(column(loadable, "module_file_name"), std::vector<std::string>{"Trimul.so"});
      EXPECT_EQ(column(loadable, "implementation_id"), std::vector<std::string>{"Trimul"});
      ASSERT_EQ(sut->load_module("Trimul.so", ""), RTC::RTC_OK);
      RTM::ModuleProfileList_var loaded = sut->get_loaded_modules();
      EXPECT_EQ(column(loaded, "module_file_name"), std::vector<std::string>{"Trimul.so"});
      EXPECT_EQ(column(loaded, "init_func"), std::vector<std::string>{"TrimulInit"});
      EXPECT_EQ(column(loaded, "implementation_ids"), std::vector<std::string>{"Trimul"});
      RTM::ModuleProfileList_var factories = sut->get_factory_profiles();
      EXPECT_EQ(column(factories, "vendor"), std::vector<std::string>{"Karvo"});
      EXPECT_EQ(column(factories, "max_instance"), std::vector<std::string>{"1"});

      RTC::RTObject_var comp = sut->create_component("Trimul?instance_name=fast&exec_cxt.periodic.rate=200");
      ASSERT_FALSE(CORBA::is_nil(comp)) << slave.process().stderrText();
      RTC::ComponentProfile_var profile = comp->get_component_profile();
      EXPECT_STREQ(profile->instance_name, "fast");
      EXPECT_DOUBLE_EQ(ownRate(comp), 200.0);
      EXPECT_TRUE(naming.isBound(host + ".host_cxt/fast.rtc"));
      RTC::RTCList_var all = mgr->get_components();
      ASSERT_EQ(all->length(), 1u);
      EXPECT_TRUE(all[0u]->_is_equivalent(comp.in()));
      RTC::ComponentProfileList_var profiles = mgr->get_component_profiles();
      ASSERT_EQ(profiles->length(), 1u);
      EXPECT_STREQ(profiles[0u].instance_name, "fast");

      // Deleted remotely: exited, unbound and gone when the call returns.
      EXPECT_EQ(sut->delete_component("fast"), RTC::RTC_OK);
      EXPECT_FALSE(naming.isBound(host + ".host_cxt/fast.rtc"));
      all = mgr->get_components();
      EXPECT_EQ(all->length(), 0u);
      std::this_thread::sleep_for(1s);  // several rounds of the auto-shutdown check
      EXPECT_TRUE(slave.process().running()) << "a slave told to stay must stay with no component";

      comp = sut->create_component("Trimul");
      ASSERT_FALSE(CORBA::is_nil(comp));
      slave.process().signal(SIGKILL);
      ASSERT_TRUE(slave.process().waitExit(10s));
      EXPECT_NO_THROW(all = mgr->get_components());
      EXPECT_EQ(all->length(), 0u);
      EXPECT_EQ(slaveCount(mgr), 0u);

      EXPECT_EQ(mgr->shutdown(), RTC::RTC_OK);
      ASSERT_TRUE(master.process().waitExit(20s));
      EXPECT_EQ(master.process().exitCode(), 0);
      EXPECT_FALSE(naming.isBound(host + ".host_cxt/manager.mgr"));
      EXPECT_EQ(master.process().stderrText(), "");
      EXPECT_EQ(slave.process().stderrText(), "");
    }

    TEST_F(ManagerDaemon, AnUnloadedModuleTakesItsTypesAlongAndACreationLoadsItAgain)
    {
      RtcdProcess rtcd(options(true));
      RTM::Manager_var mgr = managerAt(masterAddress);
      ASSERT_TRUE(answers(mgr)) << rtcd.process().stderrText();
      ASSERT_EQ(mgr->load_module("Trimul", ""), RTC::RTC_OK);
      RTC::RTObject_var comp = mgr->create_component("Trimul");
      ASSERT_FALSE(CORBA::is_nil(comp));
      ASSERT_EQ(mgr->delete_component("Trimul0"), RTC::RTC_OK);

      EXPECT_EQ(mgr->unload_module("Trimul.so"), RTC::RTC_OK);
      RTM::ModuleProfileList_var loaded = mgr->get_loaded_modules();
      RTM::ModuleProfileList_var factories = mgr->get_factory_profiles();
      EXPECT_EQ(loaded->length(), 0u);
      EXPECT_EQ(factories->length(), 0u);

      // A type no module has registered yet comes from the module named after it.
      comp = mgr->create_component("Trimul?instance_name=back");
      ASSERT_FALSE(CORBA::is_nil(comp)) << rtcd.process().stderrText();
      EXPECT_TRUE(naming.isBound(host + ".host_cxt/back.rtc"));
      loaded = mgr->get_loaded_modules();
      EXPECT_EQ(column(loaded, "implementation_ids"), std::vector<std::string>{"Trimul"});
      EXPECT_EQ(rtcd.process().stderrText(), "");
    }

    TEST_F(ManagerDaemon, ItsProfileAndConfigurationAreItsSettingsAndCanBeChanged)
    {
      RtcdProcess rtcd(options(true));
      RTM::Manager_var mgr = managerAt(masterAddress);
      ASSERT_TRUE(answers(mgr)) << rtcd.process().stderrText();
      // The manager node's settings, named relative to it as the shell tools' manager view reads
      // them; nothing from elsewhere in the configuration.
      RTM::ManagerProfile_var profile = mgr->get_profile();
      const std::map<std::string, std::string> expected = {
        {"name", "manager"},
        {"is_master", "YES"},
        {"pid", std::to_string(rtcd.process().pid())},
        {"modules.load_path", moduleFolder()},
        {"manager.pid", "<absent>"},
        {"os.hostname", "<absent>"},
        {"corba.nameservers", "<absent>"},
      };
      for (const auto& [key, value] : expected)
        EXPECT_EQ(valueOf(profile->properties, key), value) << key;

      EXPECT_EQ(mgr->set_configuration("exec_cxt.periodic.rate", "125"), RTC::RTC_OK);
      RTM::NVList_var configuration = mgr->get_configuration();
      EXPECT_EQ(valueOf(configuration, "exec_cxt.periodic.rate"), "125");
      EXPECT_EQ(valueOf(configuration, "corba.master_manager"), masterAddress);
      ASSERT_EQ(mgr->load_module("Trimul", ""), RTC::RTC_OK);
      RTC::RTObject_var comp = mgr->create_component("Trimul");
      ASSERT_FALSE(CORBA::is_nil(comp));
      EXPECT_DOUBLE_EQ(ownRate(comp), 125.0) << "the next component takes the changed setting";

      // Neither is carried out by a daemon; asking must not take it down.
      mgr->fork();
      mgr->restart();
      CORBA::Object_var service = mgr->get_service("anything");
      EXPECT_TRUE(CORBA::is_nil(service));
      EXPECT_TRUE(rtcd.process().running());
    }

    TEST_F(ManagerDaemon, ASlaveRegistersWhenItsMasterComesUpAndAgainWhenTheMasterRestarts)
    {
      RtcdProcess slave(options(false));
      std::this_thread::sleep_for(1s);  // several registration attempts with nobody there
      RTM::Manager_var mgr = managerAt(masterAddress);
      {
        RtcdProcess master(options(true));
        ASSERT_TRUE(answers(mgr)) << master.process().stderrText();
        EXPECT_TRUE(testsupport::waitUntil([&] { return slaveCount(mgr) == 1; }, 10s));
        EXPECT_EQ(master.stop(), 0);
      }
      RtcdProcess restarted(options(true));
      ASSERT_TRUE(answers(mgr)) << restarted.process().stderrText();
      EXPECT_TRUE(testsupport::waitUntil([&] { return slaveCount(mgr) == 1; }, 10s));
      EXPECT_TRUE(slave.process().running());
      EXPECT_EQ(slave.process().stderrText(), "");
    }

    TEST_F(ManagerDaemon, AComponentConfigFileSetsItsRateAndTheDefaultConfigurationSetIsActive)
    {
      const std::string file = ns.dataDir() + "/trimul0.conf";
      std::ofstream(file) << "# Trimul0 alone runs slower\nexec_cxt.periodic.rate: 200\n";
      std::vector<std::string> settings = trimulModuleSettings();
      settings.push_back("Category.Trimul0.config_file:" + file);
      settings.push_back("Category.Trimul.exec_cxt.periodic.rate:50");  // the type's; the instance's wins
      RtcdProcess sut(options(true, settings));
      ASSERT_TRUE(testsupport::waitUntil([&] { return naming.isBound(host + ".host_cxt/Trimul0.rtc"); }, 20s))
        << sut.process().stderrText();
      RTC::RTObject_var comp = resolveComponent("Trimul0");
      ASSERT_FALSE(CORBA::is_nil(comp));
      EXPECT_DOUBLE_EQ(ownRate(comp), 200.0);

      SDOPackage::Configuration_var configuration = comp->get_configuration();
      SDOPackage::ConfigurationSetList_var sets = configuration->get_configuration_sets();
      ASSERT_EQ(sets->length(), 1u);
      EXPECT_STREQ(sets[0u].id, "default");
      EXPECT_EQ(sets[0u].configuration_data.length(), 0u);
      SDOPackage::ConfigurationSet_var active = configuration->get_active_configuration_set();
      EXPECT_STREQ(active->id, "default");
      EXPECT_EQ(sut.process().stderrText(), "");
    }

    // Each request refused, with one log line naming what was wrong, and nothing else changed.
    TEST_F(ManagerDaemon, EveryBadRequestIsRefusedWithOneLineAndChangesNothing)
    {
      // A copy of the test module under another name: its default init function does not exist.
      // Beside it, files that are no modules: a program, a text, a folder, a link out.
      const std::string copies = ns.dataDir() + "/copies";
      std::filesystem::create_directory(copies);
      std::filesystem::copy_file(testModuleFolder() + "/TestModule.so", copies + "/Renamed.so");
      std::filesystem::copy_file(testsupport::findProgram("tests/e2e/manager_call"), copies + "/Program.so");
      std::ofstream(copies + "/Notes.so") << "not a module\n";
      std::filesystem::create_directory(copies + "/Folder.so");
      std::filesystem::create_symlink(testsupport::findProgram("tests/e2e/manager_call"), copies + "/Escape.so");
      RtcdProcess rtcd(
        options(true, {"manager.modules.load_path:" + moduleFolder() + "," + testModuleFolder() + "," + copies,
                       "manager.modules.preload:Trimul.so,TestModule.so", "manager.components.precreate:Trimul",
                       "logger.enable:YES", "logger.file_name:STDERR", "logger.log_level:ERROR"}));
      RTM::Manager_var mgr = managerAt(masterAddress);
      ASSERT_TRUE(answers(mgr)) << rtcd.process().stderrText();
      ASSERT_TRUE(testsupport::waitUntil([&] { return naming.isBound(host + ".host_cxt/Trimul0.rtc"); }, 20s));

      struct Case
      {
        const char* request;
        std::function<std::string()> call;
        std::string expected;
        std::string named;  // in the one line it costs
      };
      const std::vector<Case> cases = {
        {"a module that does not exist", [&] { return codeName(mgr->load_module("NoSuch.so", "")); }, "BAD_PARAMETER",
         "NoSuch.so"},
        {"a module without its init function", [&] { return codeName(mgr->load_module("Renamed", "")); },
         "BAD_PARAMETER", "RenamedInit"},
        {"a module needing a symbol no program has", [&] { return codeName(mgr->load_module("Unresolved.so", "")); },
         "RTC_ERROR", "functionThatNoProgramDefines"},
        {"an init function that throws", [&] { return codeName(mgr->load_module("Renamed.so", "ThrowingInit")); },
         "RTC_ERROR", "ThrowingInit"},
        {"an absolute path, not allowed by default",
         [&] { return codeName(mgr->load_module((moduleFolder() + "/Trimul.so").c_str(), "")); }, "BAD_PARAMETER",
         "absolute paths are not allowed"},
        {"a path out of the load path", [&] { return codeName(mgr->load_module("../tools/rtcd/rtcd", "")); },
         "BAD_PARAMETER", "outside the load path"},
        {"the same module twice", [&] { return codeName(mgr->load_module("Trimul", "")); }, "PRECONDITION_NOT_MET",
         "loaded already"},
        {"libc's abort as init function", [&] { return codeName(mgr->load_module("Renamed.so", "abort")); },
         "BAD_PARAMETER", "no init function 'abort' in it"},
        {"libc's exit as init function", [&] { return codeName(mgr->load_module("Renamed.so", "exit")); },
         "BAD_PARAMETER", "no init function 'exit' in it"},
        {"a module carrying its own ORB", [&] { return codeName(mgr->load_module("OwnOrb.so", "")); },
         "PRECONDITION_NOT_MET", "needs its own ORB or middleware (libomniORB4"},
        {"a program as a module", [&] { return codeName(mgr->load_module("Program.so", "main")); }, "BAD_PARAMETER",
         "not a shared object"},
        {"a text file as a module", [&] { return codeName(mgr->load_module("Notes.so", "")); }, "BAD_PARAMETER",
         "not an ELF file"},
        {"a folder as a module", [&] { return codeName(mgr->load_module("Folder.so", "")); }, "BAD_PARAMETER",
         "not a regular file"},
        {"a link out of the load path", [&] { return codeName(mgr->load_module("Escape.so", "")); }, "BAD_PARAMETER",
         "outside the load path"},
        {"a component argument with two '?'", [&] { return outcome(mgr->create_component("Trimul?a=1?b=2")); }, "nil",
         "more than one '?'"},
        {"a component argument of the wrong form", [&] { return outcome(mgr->create_component("RTC:Karvo:Trimul")); },
         "nil", "RTC:Karvo:Trimul"},
        {"an unknown component type", [&] { return outcome(mgr->create_component("NoSuchType")); }, "nil",
         "NoSuchType"},
        {"one instance more than max_instance", [&] { return outcome(mgr->create_component("Trimul")); }, "nil",
         "max_instance"},
        {"an instance name in use", [&] { return outcome(mgr->create_component("Counter?instance_name=Trimul0")); },
         "nil", "exists already"},
        {"an instance name up the naming tree",
         [&] { return outcome(mgr->create_component("Counter?instance_name=../../x")); }, "nil",
         "instance name '../../x' holds a '/'"},
        {"an instance name down the naming tree",
         [&] { return outcome(mgr->create_component("Counter?instance_name=a/b/c")); }, "nil", "'a/b/c'"},
        {"an instance name that is not UTF-8",
         [&] { return outcome(mgr->create_component("Counter?instance_name=caf\xe9")); }, "nil", "not valid UTF-8"},
        {"an instance name with a line break",
         [&] { return outcome(mgr->create_component("Counter?instance_name=a\nb")); }, "nil", "'a\\x0ab'"},
        {"naming formats that climb",
         [&] { return outcome(mgr->create_component("Counter?naming.formats=%h.host_cxt/../%n.rtc")); }, "nil",
         "has an element that is '..'"},
        {"deleting an unknown component", [&] { return codeName(mgr->delete_component("NoSuch0")); }, "BAD_PARAMETER",
         "NoSuch0"},
        {"unloading a module whose component lives", [&] { return codeName(mgr->unload_module("Trimul.so")); },
         "PRECONDITION_NOT_MET", "Trimul0"},
        {"unloading a module never loaded", [&] { return codeName(mgr->unload_module("NeverLoaded.so")); },
         "BAD_PARAMETER", "NeverLoaded.so"},
        {"a setting without a name", [&] { return codeName(mgr->set_configuration("", "x")); }, "BAD_PARAMETER",
         "set_configuration"},
        {"a manager as its own slave", [&] { return codeName(mgr->add_slave_manager(mgr.in())); }, "BAD_PARAMETER",
         "add_slave_manager"},
        {"removing a slave it does not have", [&] { return codeName(mgr->remove_slave_manager(mgr.in())); },
         "BAD_PARAMETER", "remove_slave_manager"},
      };
      for (const Case& c : cases)
      {
        SCOPED_TRACE(c.request);
        const std::string before = rtcd.process().stderrText();
        EXPECT_EQ(c.call(), c.expected);
        ASSERT_TRUE(testsupport::waitUntil([&] { return rtcd.process().stderrText() != before; }, 5s));
        const std::string line = rtcd.process().stderrText().substr(before.size());
        EXPECT_EQ(lineCount(line), 1u) << line;
        EXPECT_NE(line.find(c.named), std::string::npos) << line;
      }

      RTM::ModuleProfileList_var loaded = mgr->get_loaded_modules();
      EXPECT_EQ(column(loaded, "module_file_name"), (std::vector<std::string>{"Trimul.so", "TestModule.so"}));
      RTM::ModuleProfileList_var factories = mgr->get_factory_profiles();
      EXPECT_EQ(column(factories, "implementation_id"), (std::vector<std::string>{"Trimul", "Counter", "Slow"}));
      RTC::RTCList_var comps = mgr->get_components();
      EXPECT_EQ(comps->length(), 1u);
      RTC::RTObject_var trimul = resolveComponent("Trimul0");
      ASSERT_FALSE(CORBA::is_nil(trimul));
      EXPECT_FALSE(trimul->_non_existent());
      EXPECT_EQ(naming.list(), (std::vector<std::string>{host + ".host_cxt"})) << "no context left behind";
      EXPECT_EQ(lineCount(rtcd.process().stderrText()), cases.size()) << rtcd.process().stderrText();

      // Of the files on the load path only the modules whose types can be learned are loadable:
      // the two loaded ones; not the renamed copy (no init function of its name), nor those that
      // do not load, nor what is no module. Learning that costs no error line.
      RTM::ModuleProfileList_var loadable = mgr->get_loadable_modules();
      EXPECT_EQ(column(loadable, "implementation_id"), (std::vector<std::string>{"Trimul", "Counter", "Slow"}));
      EXPECT_EQ(lineCount(rtcd.process().stderrText()), cases.size()) << rtcd.process().stderrText();
      EXPECT_TRUE(rtcd.process().running());
    }

    // What a tool's manager view reads of each loadable module: the profile of a type it
    // registers and where the module is, learned without loading it into the daemon.
    TEST_F(ManagerDaemon, LoadableModulesAreListedByTheTypesTheyRegisterWithoutBeingLoaded)
    {
      RtcdProcess rtcd(options(true, {"manager.modules.load_path:" + moduleFolder() + "," + testModuleFolder()}));
      RTM::Manager_var mgr = managerAt(masterAddress);
      ASSERT_TRUE(answers(mgr)) << rtcd.process().stderrText();
      const std::string src = std::filesystem::canonical(moduleFolder()).string();
      const std::string tests = std::filesystem::canonical(testModuleFolder()).string();
      const std::vector<std::vector<std::string>> expected = {
        {"Trimul", "Karvo", "Trimul.so", src + "/Trimul.so"},
        {"Counter", "Tests", "TestModule.so", tests + "/TestModule.so"},
        {"Slow", "Tests", "TestModule.so", tests + "/TestModule.so"},
      };
      auto rows = [&] {
        RTM::ModuleProfileList_var loadable = mgr->get_loadable_modules();
        std::vector<std::vector<std::string>> out;
        for (CORBA::ULong i = 0; i < loadable->length(); ++i)
        {
          out.emplace_back();
          for (const char* key : {"implementation_id", "vendor", "module_file_name", "module_file_path"})
            out.back().push_back(valueOf(loadable[i].properties, key));
        }
        return out;
      };
      EXPECT_EQ(rows(), expected);
      RTM::ModuleProfileList_var loaded = mgr->get_loaded_modules();
      EXPECT_EQ(loaded->length(), 0u) << "listing loads nothing into the daemon";
      EXPECT_EQ(rows(), expected) << "asked again";

      // Once loaded, a module's types are its factories', and the listing stays the same.
      ASSERT_EQ(mgr->load_module("TestModule.so", ""), RTC::RTC_OK);
      EXPECT_EQ(rows(), expected);
      EXPECT_EQ(rtcd.process().stderrText(), "");
    }

    // The same kinds of mistake in the configuration a daemon starts with: one line each on
    // standard error, and the daemon runs what is right.
    TEST_F(ManagerDaemon, EveryBadStartUpSettingIsOneLineAndTheRestRuns)
    {
      const std::map<std::string, std::string> settings = {
        {"manager.modules.preload", "NoSuch.so, Trimul.so(NoSuchInit, Trimul.so"},
        {"manager.components.precreate", "Trimul?instance_name=a/b, Trimul, Nope, Trimul?a=1?b=2"},
        {"manager.components.preconnect",
         "Trimul0.y1:Trimul0.x1(subscription_type=new), Trimul0.y1-Trimul0.x1, Trimul0.y9:Trimul0.x1, "
         "Ghost0.y1:Trimul0.x1"},
        {"manager.components.preactivation", "Nobody, ../Trimul0"},
        {"Category.Trimul0.config_file", "/nonexistent/trimul0.conf"},
      };
      const std::vector<std::string> named = {"NoSuch.so",
                                              "Trimul.so(NoSuchInit",
                                              "instance name 'a/b'",
                                              "'Nope'",
                                              "more than one '?'",
                                              "Trimul0.y1-Trimul0.x1",
                                              "Trimul0.y9",
                                              "Ghost0",
                                              "Nobody",
                                              "'../Trimul0'",
                                              "/nonexistent/trimul0.conf"};
      std::vector<std::string> extra;
      extra.reserve(settings.size());
      for (const auto& [key, value] : settings)
        extra.push_back(key + ":" + value);
      RtcdProcess sut(options(true, extra));
      ASSERT_TRUE(testsupport::waitUntil([&] { return naming.isBound(host + ".host_cxt/Trimul0.rtc"); }, 20s))
        << sut.process().stderrText();
      ASSERT_TRUE(testsupport::waitUntil([&] { return lineCount(sut.process().stderrText()) >= named.size(); }, 5s));
      const std::string err = sut.process().stderrText();
      EXPECT_EQ(lineCount(err), named.size()) << err;
      for (const std::string& what : named)
        EXPECT_NE(err.find(what), std::string::npos) << what << " in:\n" << err;

      RTC::RTObject_var comp = resolveComponent("Trimul0");
      ASSERT_FALSE(CORBA::is_nil(comp));
      RTC::PortServiceList_var ports = comp->get_ports();
      ASSERT_EQ(ports->length(), 4u);
      RTC::ConnectorProfileList_var connectors = ports[0u]->get_connector_profiles();
      EXPECT_EQ(connectors->length(), 1u) << "the one well-formed preconnect entry";
      EXPECT_EQ(sut.stop(), 0);
    }

    // A tool that dies while its create_component runs: the creation completes, and the manager
    // goes on answering, deleting and creating.
    TEST_F(ManagerDaemon, AToolThatVanishesMidCallLeavesTheManagerWhole)
    {
      RtcdProcess rtcd(
        options(true, {"manager.modules.load_path:" + testModuleFolder(), "manager.modules.preload:TestModule.so"}));
      RTM::Manager_var mgr = managerAt(masterAddress);
      ASSERT_TRUE(answers(mgr)) << rtcd.process().stderrText();

      testsupport::ChildProcess tool(testsupport::findProgram("tests/e2e/manager_call"),
                                     {masterAddress, "create_component", "Slow"});
      ASSERT_TRUE(rtcd.process().waitForStdout("initializing\n", 10s)) << tool.stderrText();
      tool.signal(SIGKILL);
      ASSERT_TRUE(tool.waitExit(5s));

      EXPECT_TRUE(testsupport::waitUntil([&] { return naming.isBound(host + ".host_cxt/Slow0.rtc"); }, 10s));
      RTC::RTCList_var comps;
      EXPECT_NO_THROW(comps = mgr->get_components());
      EXPECT_EQ(comps->length(), 1u);
      EXPECT_EQ(mgr->delete_component("Slow0"), RTC::RTC_OK);
      EXPECT_FALSE(naming.isBound(host + ".host_cxt/Slow0.rtc"));
      RTC::RTObject_var again = mgr->create_component("Counter");
      EXPECT_FALSE(CORBA::is_nil(again));
      EXPECT_EQ(rtcd.stop(), 0);
      EXPECT_EQ(rtcd.process().stderrText(), "");
    }

    // The well-known port is where a master takes orders: with no host in corba.endpoints the
    // master listens on the host of corba.master_manager (localhost, as by default), and nowhere
    // else, not on every interface.
    TEST_F(ManagerDaemon, AMasterWithNoEndpointHostListensOnlyOnTheHostOfItsAddress)
    {
      const std::string port = masterAddress.substr(masterAddress.rfind(':') + 1);
      RtcdOptions o = options(true);
      o.endpointHost = "";
      o.masterAddress = "localhost:" + port;
      RtcdProcess rtcd(o);
      RTM::Manager_var mgr = managerAt("127.0.0.1:" + port);
      ASSERT_TRUE(answers(mgr)) << rtcd.process().stderrText();

      testsupport::ChildProcess sockets("ss", {"-ltnpH"});
      ASSERT_TRUE(sockets.waitExit(10s));
      std::vector<std::string> listening;
      std::istringstream lines(sockets.stdoutText());
      for (std::string line; std::getline(lines, line);)
      {
        if (line.find("pid=" + std::to_string(rtcd.process().pid()) + ",") == std::string::npos)
          continue;
        std::istringstream fields(line);
        std::string state, recvQ, sendQ, local;
        fields >> state >> recvQ >> sendQ >> local;
        listening.push_back(local);
      }
      EXPECT_EQ(std::vector<std::string>{"127.0.0.1:" + port}, listening) << sockets.stdoutText();
      EXPECT_EQ(rtcd.stop(), 0);
    }
  }
}
