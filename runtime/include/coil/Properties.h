// coil::Properties: the middleware's property tree. Keys are dotted paths ("a.b.c"); every
// node has a name, a value and a default value, and getProperty() falls back to the default
// when the value is empty. Components are compiled against this header and against the real
// middleware's, so it keeps that API and stays C++11-clean with std headers only.
//
// Not thread-safe: a tree is built on one thread and then read, as the middleware does.
#ifndef COIL_PROPERTIES_H
#define COIL_PROPERTIES_H

#include <climits>
#include <iosfwd>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace coil
{
  class Properties
  {
  public:
    Properties(const char* key = "", const char* value = "");
    // Every pair of the map becomes a default value.
    Properties(std::map<std::string, std::string>& defaults);
    // Reads key/value pairs as default values until `num` array elements are used up or a
    // key is the empty string, so a table ended by a single "" can be read with a huge count.
    Properties(const char* const defaults[], long num = LONG_MAX);
    Properties(const Properties& prop);
    // A node inside a tree keeps its parent and name; a root also takes the name of `prop`.
    Properties& operator=(const Properties& prop);
    // Deletes the subtree and detaches this node from its parent, if it still has one.
    virtual ~Properties();

    const char* getName() const;
    const char* getValue() const;
    const char* getDefaultValue() const;
    const std::vector<Properties*>& getLeaf() const;
    Properties* getRoot() const;

    // The value at `key`, or its default if the value is empty, or "" if there is no such key.
    const std::string& getProperty(const std::string& key) const;
    // As above, but `def` when the key is absent or both its value and default are empty.
    std::string getProperty(const std::string& key, const std::string& def) const;
    const std::string& getDefault(const std::string& key) const;

    // Both create the node if needed and return the value they replace.
    std::string setProperty(const std::string& key, const std::string& value);
    std::string setDefault(const std::string& key, const std::string& value);
    void setDefaults(const char* const defaults[], long num = LONG_MAX);

    // The const form reads like getProperty(); the other creates the node and exposes its value.
    const std::string& operator[](const std::string& key) const;
    std::string& operator[](const std::string& key);

    // One "full.key: value" line per entry.
    void list(std::ostream& out) const;
    // Reads the rtc.conf "key: value" format; later keys override earlier ones.
    void load(std::istream& inStream);
    // Writes a file that load() reads back to the same values; `header` becomes a comment.
    void store(std::ostream& out, const std::string& header) const;

    // Full dotted names of every leaf under this node, depth first in insertion order.
    std::vector<std::string> propertyNames() const;
    int size() const;

    Properties* findNode(const std::string& key) const;
    Properties& getNode(const std::string& key);
    bool createNode(const std::string& key);
    // Detaches the direct child `leaf_name` and hands it to the caller; nullptr if absent.
    Properties* removeNode(const char* leaf_name);
    // The direct child named `key`, or nullptr.
    Properties* hasKey(const char* key) const;
    void clear();

    // Sets every entry of `prop` (its effective value) into this tree.
    Properties& operator<<(const Properties& prop);

  public:
    std::string name;
    std::string value;
    std::string default_value;
    Properties* root;
    std::vector<Properties*> leaf;

  private:
    void copyFrom(const Properties& prop);
    void collectNames(const std::string& prefix, std::vector<std::string>& names) const;
    void collectEntries(const std::string& prefix, std::vector<std::pair<std::string, std::string>>& entries) const;
    void dump(std::ostream& out, int depth) const;
    const std::string& effectiveValue() const;

    friend std::ostream& operator<<(std::ostream& lhs, const Properties& rhs);
  };

  // An indented tree view, for logs and debugging.
  std::ostream& operator<<(std::ostream& lhs, const Properties& rhs);
}  // namespace coil

#endif  // COIL_PROPERTIES_H
