// What `mgr modules` shows of a module, whichever form of list a manager answers: a loaded module
// (file_path), a loadable one as managers list them now (the profile of a type it registers,
// module_file_path) or as our older managers did (file_path, loaded).
#include "format/ManagerPrinter.h"

#include <gtest/gtest.h>

#include <sstream>

namespace rtctl
{
  namespace
  {
    RTM::ModuleProfileList listOf(const std::vector<std::vector<std::pair<const char*, const char*>>>& entries)
    {
      RTM::ModuleProfileList list;
      list.length(static_cast<CORBA::ULong>(entries.size()));
      for (CORBA::ULong i = 0; i < list.length(); ++i)
      {
        SDOPackage::NVList& properties = list[i].properties;
        properties.length(static_cast<CORBA::ULong>(entries[i].size()));
        for (CORBA::ULong j = 0; j < properties.length(); ++j)
        {
          properties[j].name = CORBA::string_dup(entries[i][j].first);
          properties[j].value <<= entries[i][j].second;
        }
      }
      return list;
    }

    TEST(ManagerPrinting, EachFormOfModuleListShowsTheModuleFileAndItsPropertiesBelow)
    {
      const struct
      {
        const char* form;
        std::vector<std::pair<const char*, const char*>> properties;
        const char* title;
      } cases[] = {
        {"loaded",
         {{"file_path", "/m/Trimul.so"}, {"module_file_name", "Trimul.so"}, {"init_func", "TrimulInit"}},
         "/m/Trimul.so"},
        {"loadable, a type's profile",
         {{"implementation_id", "Trimul"},
          {"version", "1.0.0"},
          {"module_file_name", "Trimul.so"},
          {"module_file_path", "/m/Trimul.so"}},
         "/m/Trimul.so"},
        {"loadable, from an older manager of ours",
         {{"file_path", "/m/Trimul.so"}, {"module_file_name", "Trimul.so"}, {"loaded", "NO"}},
         "/m/Trimul.so"},
        {"only a file name", {{"module_file_name", "Trimul.so"}}, "Trimul.so"},
        {"nothing that names it", {{"implementation_id", "Trimul"}}, "module 0"},
      };
      for (const auto& c : cases)
      {
        SCOPED_TRACE(c.form);
        std::ostringstream out;
        ManagerPrinter(out).printModules(listOf({c.properties}));
        const std::string text = out.str();
        EXPECT_EQ(0u, text.find(std::string(c.title) + "\n")) << text;
        for (const auto& property : c.properties)
        {
          const std::string::size_type at = text.find("\n    " + std::string(property.first) + " ");
          ASSERT_NE(std::string::npos, at) << property.first << " in\n" << text;
          EXPECT_NE(std::string::npos, text.find(std::string(property.second) + "\n", at)) << text;
        }
      }
    }
  }
}
