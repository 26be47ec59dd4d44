#include <coil/Properties.h>

#include <coil/stringutil.h>

#include "config/KeyValueFormat.h"

#include <algorithm>
#include <ostream>
#include <utility>

namespace coil
{
  namespace
  {
    // getProperty() hands out references, so an absent key needs a string that outlives the call.
    const std::string& emptyString()
    {
      static const std::string empty;
      return empty;
    }

    // Empty segments ("a..b", ".a") are ignored rather than becoming nameless nodes.
    std::vector<std::string> pathOf(const std::string& key) { return split(key, ".", true); }

    std::string joined(const std::string& prefix, const std::string& name)
    {
      return prefix.empty() ? name : prefix + "." + name;
    }

    // Keys read from a file may hold any octet, NUL included; matching on the whole name (not on
    // hasKey()'s C string, which ends at the first NUL) keeps every key it stored reachable.
    Properties* childNamed(const Properties& node, const std::string& name)
    {
      for (Properties* child : node.leaf)
      {
        if (child->name == name)
        {
          return child;
        }
      }
      return nullptr;
    }
  }  // namespace

  Properties::Properties(const char* key, const char* value)
    : name(key ? key : ""), value(value ? value : ""), root(nullptr)
  {}

  Properties::Properties(std::map<std::string, std::string>& defaults) : root(nullptr)
  {
    for (const auto& entry : defaults)
    {
      setDefault(entry.first, entry.second);
    }
  }

  Properties::Properties(const char* const defaults[], long num) : root(nullptr) { setDefaults(defaults, num); }

  Properties::Properties(const Properties& prop) : root(nullptr) { copyFrom(prop); }

  Properties& Properties::operator=(const Properties& prop)
  {
    if (this == &prop)
    {
      return *this;
    }
    // Copy first: `prop` may live inside this very tree and would die in clear().
    Properties copy(prop);
    clear();
    // Assignment changes what a node holds, not where it hangs: a node inside a tree keeps its
    // parent and its name, or its key would change under the tree's other users.
    if (root == nullptr)
    {
      name = copy.name;
    }
    value = copy.value;
    default_value = copy.default_value;
    leaf.swap(copy.leaf);
    for (Properties* child : leaf)
    {
      child->root = this;
    }
    return *this;
  }

  Properties::~Properties()
  {
    clear();
    if (root != nullptr)
    {
      auto& siblings = root->leaf;
      siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
  }

  void Properties::copyFrom(const Properties& prop)
  {
    name = prop.name;
    value = prop.value;
    default_value = prop.default_value;
    for (const Properties* child : prop.leaf)
    {
      Properties* copy = new Properties(*child);
      copy->root = this;
      leaf.push_back(copy);
    }
  }

  const char* Properties::getName() const { return name.c_str(); }
  const char* Properties::getValue() const { return value.c_str(); }
  const char* Properties::getDefaultValue() const { return default_value.c_str(); }
  const std::vector<Properties*>& Properties::getLeaf() const { return leaf; }
  Properties* Properties::getRoot() const { return root; }

  const std::string& Properties::effectiveValue() const { return value.empty() ? default_value : value; }

  const std::string& Properties::getProperty(const std::string& key) const
  {
    const Properties* node = findNode(key);
    return node != nullptr ? node->effectiveValue() : emptyString();
  }

  std::string Properties::getProperty(const std::string& key, const std::string& def) const
  {
    const std::string& found = getProperty(key);
    return found.empty() ? def : found;
  }

  const std::string& Properties::getDefault(const std::string& key) const
  {
    const Properties* node = findNode(key);
    return node != nullptr ? node->default_value : emptyString();
  }

  std::string Properties::setProperty(const std::string& key, const std::string& val)
  {
    if (pathOf(key).empty())
    {
      return std::string();
    }
    Properties& node = getNode(key);
    std::string old = node.value;
    node.value = val;
    return old;
  }

  std::string Properties::setDefault(const std::string& key, const std::string& val)
  {
    if (pathOf(key).empty())
    {
      return std::string();
    }
    Properties& node = getNode(key);
    std::string old = node.default_value;
    node.default_value = val;
    return old;
  }

  void Properties::setDefaults(const char* const defaults[], long num)
  {
    if (defaults == nullptr)
    {
      return;
    }
    // A pair is read only if both its elements lie within `num`, so a short count never makes
    // us read past what the caller vouched for.
    for (long i = 0; i + 1 < num; i += 2)
    {
      const char* key = defaults[i];
      if (key == nullptr || *key == '\0')
      {
        break;
      }
      const char* val = defaults[i + 1];
      if (val == nullptr)
      {
        break;
      }
      std::string k(key);
      std::string v(val);
      eraseBothEndsBlank(k);
      eraseBothEndsBlank(v);
      setDefault(k, v);
    }
  }

  const std::string& Properties::operator[](const std::string& key) const { return getProperty(key); }

  std::string& Properties::operator[](const std::string& key) { return getNode(key).value; }

  void Properties::list(std::ostream& out) const
  {
    std::vector<std::pair<std::string, std::string>> entries;
    collectEntries("", entries);
    for (const auto& entry : entries)
    {
      out << entry.first << ": " << entry.second << '\n';
    }
  }

  void Properties::load(std::istream& inStream)
  {
    for (const auto& entry : rtm::config::parseKeyValues(inStream))
    {
      setProperty(entry.first, entry.second);
    }
  }

  void Properties::store(std::ostream& out, const std::string& header) const
  {
    // load() ends a line at a lone CR too, so a CR in the header must start a new comment line,
    // or the text after it would read back as an entry.
    std::string comment = header;
    std::replace(comment.begin(), comment.end(), '\r', '\n');
    for (const std::string& line : split(comment, "\n"))
    {
      out << '#' << line << '\n';
    }
    std::vector<std::pair<std::string, std::string>> entries;
    collectEntries("", entries);
    for (const auto& entry : entries)
    {
      out << rtm::config::formatKeyValue(entry.first, entry.second) << '\n';
    }
  }

  std::vector<std::string> Properties::propertyNames() const
  {
    std::vector<std::string> names;
    collectNames("", names);
    return names;
  }

  int Properties::size() const { return static_cast<int>(propertyNames().size()); }

  void Properties::collectNames(const std::string& prefix, std::vector<std::string>& names) const
  {
    for (const Properties* child : leaf)
    {
      const std::string full = joined(prefix, child->name);
      if (child->leaf.empty())
      {
        names.push_back(full);
      }
      else
      {
        child->collectNames(full, names);
      }
    }
  }

  // Unlike propertyNames(), an inner node that carries a value of its own ("a: 1" next to
  // "a.b: 2") is an entry too, so store/load and merging lose nothing.
  void Properties::collectEntries(const std::string& prefix,
                                  std::vector<std::pair<std::string, std::string>>& entries) const
  {
    for (const Properties* child : leaf)
    {
      const std::string full = joined(prefix, child->name);
      if (child->leaf.empty() || !child->effectiveValue().empty())
      {
        entries.emplace_back(full, child->effectiveValue());
      }
      child->collectEntries(full, entries);
    }
  }

  Properties* Properties::findNode(const std::string& key) const
  {
    const std::vector<std::string> path = pathOf(key);
    if (path.empty())
    {
      return nullptr;
    }
    const Properties* node = this;
    for (const std::string& part : path)
    {
      node = childNamed(*node, part);
      if (node == nullptr)
      {
        return nullptr;
      }
    }
    return const_cast<Properties*>(node);
  }

  Properties& Properties::getNode(const std::string& key)
  {
    Properties* node = this;
    for (const std::string& part : pathOf(key))
    {
      Properties* next = childNamed(*node, part);
      if (next == nullptr)
      {
        next = new Properties();
        next->name = part;  // the whole name: a C string would end at a NUL
        next->root = node;
        node->leaf.push_back(next);
      }
      node = next;
    }
    return *node;
  }

  bool Properties::createNode(const std::string& key)
  {
    if (pathOf(key).empty() || findNode(key) != nullptr)
    {
      return false;
    }
    getNode(key);
    return true;
  }

  Properties* Properties::removeNode(const char* leaf_name)
  {
    Properties* child = hasKey(leaf_name);
    if (child == nullptr)
    {
      return nullptr;
    }
    leaf.erase(std::find(leaf.begin(), leaf.end(), child));
    child->root = nullptr;
    return child;
  }

  Properties* Properties::hasKey(const char* key) const
  {
    if (key == nullptr)
    {
      return nullptr;
    }
    for (Properties* child : leaf)
    {
      if (child->name == key)
      {
        return child;
      }
    }
    return nullptr;
  }

  void Properties::clear()
  {
    // Detach before deleting so the children do not edit `leaf` while we walk it.
    for (Properties* child : leaf)
    {
      child->root = nullptr;
      delete child;
    }
    leaf.clear();
  }

  Properties& Properties::operator<<(const Properties& prop)
  {
    std::vector<std::pair<std::string, std::string>> entries;
    prop.collectEntries("", entries);
    for (const auto& entry : entries)
    {
      setProperty(entry.first, entry.second);
    }
    return *this;
  }

  void Properties::dump(std::ostream& out, int depth) const
  {
    for (const Properties* child : leaf)
    {
      out << std::string(static_cast<std::size_t>(depth) * 2, ' ') << child->name;
      if (child->leaf.empty() || !child->effectiveValue().empty())
      {
        out << ": " << child->effectiveValue();
      }
      out << '\n';
      child->dump(out, depth + 1);
    }
  }

  std::ostream& operator<<(std::ostream& lhs, const Properties& rhs)
  {
    rhs.dump(lhs, 0);
    return lhs;
  }
}  // namespace coil
