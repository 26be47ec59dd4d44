// The shape of a value typed in a shell, before any type is known: `{x: 1, y: 2}` for a struct,
// `[1, 2, 3]` for a sequence, and scalars bare (`0.5`, `true`, `GPS_FIX_DGPS`) or quoted
// (`"two words"`, `'x'`). Commas between items are optional, blanks do as well. TypeCodeText
// gives a tree its meaning; this class only reads and quotes.
#pragma once

#include <string>
#include <vector>

namespace rtctl
{
  struct ValueNode
  {
    enum Kind
    {
      Scalar,
      Struct,
      List
    };
    Kind kind = Scalar;
    std::string text;  // a scalar's characters, escapes resolved
    bool quoted = false;
    std::vector<std::string> names;  // a struct's field names, in the order written
    std::vector<ValueNode> items;  // a struct's field values (beside names) or a list's elements
  };

  class ValueSyntax
  {
  public:
    // False with `error` set ("expected '}' after field y, found end of text") when `text` is not
    // one well-formed value with nothing after it.
    static bool parse(const std::string& text, ValueNode& out, std::string& error);
    // `text` as a scalar that parse reads back unchanged: bare when it can be, else quoted.
    static std::string scalar(const std::string& text);
    // `text` always in double quotes, escaping quotes, backslashes and control characters.
    static std::string quote(const std::string& text, char mark = '"');

    // Deeper nesting than any data type has is refused rather than recursed into.
    static const int maxDepth = 32;
  };
}
