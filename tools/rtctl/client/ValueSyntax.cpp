#include "client/ValueSyntax.h"

#include "client/ValueText.h"

#include <cstdio>

namespace rtctl
{
  namespace
  {
    bool isBlankOrComma(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ','; }

    // What ends a bare scalar: the punctuation of the syntax and blanks.
    bool endsBareWord(char c) { return isBlankOrComma(c) || c == '{' || c == '}' || c == '[' || c == ']' || c == ':'; }

    class ValueReader
    {
    public:
      explicit ValueReader(const std::string& text) : m_text(text) {}

      bool readWhole(ValueNode& out)
      {
        skipBlanks(false);
        if (!readValue(out, 0))
          return false;
        skipBlanks(false);
        if (m_pos < m_text.size())
          return fail("unexpected " + found() + " after the value");
        return true;
      }

      std::string error;

    private:
      bool fail(const std::string& message)
      {
        error = message;
        return false;
      }

      std::string found() const
      {
        if (m_pos >= m_text.size())
          return "end of text";
        return "'" + std::string(1, m_text[m_pos]) + "'";
      }

      void skipBlanks(bool commasToo)
      {
        while (m_pos < m_text.size() && (commasToo ? isBlankOrComma(m_text[m_pos])
                                                   : m_text[m_pos] == ' ' || m_text[m_pos] == '\t' ||
                                                       m_text[m_pos] == '\r' || m_text[m_pos] == '\n'))
          ++m_pos;
      }

      bool readValue(ValueNode& out, int depth)
      {
        if (depth > ValueSyntax::maxDepth)
          return fail("values nested deeper than " + std::to_string(ValueSyntax::maxDepth) + " levels");
        if (m_pos >= m_text.size())
          return fail("expected a value, found end of text");
        const char c = m_text[m_pos];
        if (c == '{')
          return readStruct(out, depth);
        if (c == '[')
          return readList(out, depth);
        if (c == '"' || c == '\'')
          return readQuoted(out);
        if (endsBareWord(c))
          return fail("expected a value, found " + found());
        const std::size_t start = m_pos;
        while (m_pos < m_text.size() && !endsBareWord(m_text[m_pos]) && m_text[m_pos] != '"' && m_text[m_pos] != '\'')
          ++m_pos;
        out = ValueNode();
        out.text = m_text.substr(start, m_pos - start);
        return true;
      }

      bool readStruct(ValueNode& out, int depth)
      {
        out = ValueNode();
        out.kind = ValueNode::Struct;
        ++m_pos;
        for (;;)
        {
          skipBlanks(true);
          if (m_pos < m_text.size() && m_text[m_pos] == '}')
          {
            ++m_pos;
            return true;
          }
          const std::size_t start = m_pos;
          while (m_pos < m_text.size() && !endsBareWord(m_text[m_pos]) && m_text[m_pos] != '"' && m_text[m_pos] != '\'')
            ++m_pos;
          if (m_pos == start)
            return fail("expected a field name or '}', found " + found());
          const std::string name = m_text.substr(start, m_pos - start);
          skipBlanks(false);
          if (m_pos >= m_text.size() || m_text[m_pos] != ':')
            return fail("expected ':' after field " + name + ", found " + found());
          ++m_pos;
          skipBlanks(false);
          ValueNode item;
          if (!readValue(item, depth + 1))
          {
            error = "in field " + name + ": " + error;
            return false;
          }
          out.names.push_back(name);
          out.items.push_back(std::move(item));
        }
      }

      bool readList(ValueNode& out, int depth)
      {
        out = ValueNode();
        out.kind = ValueNode::List;
        ++m_pos;
        for (;;)
        {
          skipBlanks(true);
          if (m_pos < m_text.size() && m_text[m_pos] == ']')
          {
            ++m_pos;
            return true;
          }
          if (m_pos >= m_text.size())
            return fail("expected ']' to close the list, found end of text");
          ValueNode item;
          if (!readValue(item, depth + 1))
          {
            error = "in item " + std::to_string(out.items.size()) + ": " + error;
            return false;
          }
          out.items.push_back(std::move(item));
        }
      }

      bool readQuoted(ValueNode& out)
      {
        const char mark = m_text[m_pos++];
        out = ValueNode();
        out.quoted = true;
        while (m_pos < m_text.size() && m_text[m_pos] != mark)
        {
          char c = m_text[m_pos++];
          if (c == '\\')
          {
            if (m_pos >= m_text.size())
              break;
            const char e = m_text[m_pos++];
            switch (e)
            {
              case 'n':
                c = '\n';
                break;
              case 't':
                c = '\t';
                break;
              case 'r':
                c = '\r';
                break;
              case '0':
                c = '\0';
                break;
              case 'x':
              {
                const int high = m_pos < m_text.size() ? ValueText::hexDigit(m_text[m_pos]) : -1;
                const int low = m_pos + 1 < m_text.size() ? ValueText::hexDigit(m_text[m_pos + 1]) : -1;
                if (high < 0 || low < 0)
                  return fail("expected two hex digits after \\x");
                m_pos += 2;
                c = static_cast<char>(high * 16 + low);
                break;
              }
              default:
                c = e;  // \\, \", \' and any other character stand for themselves
            }
          }
          out.text += c;
        }
        if (m_pos >= m_text.size())
          return fail(std::string("expected a closing ") + mark + ", found end of text");
        ++m_pos;
        return true;
      }

      const std::string& m_text;
      std::size_t m_pos = 0;
    };
  }

  bool ValueSyntax::parse(const std::string& text, ValueNode& out, std::string& error)
  {
    ValueReader reader(text);
    if (reader.readWhole(out))
      return true;
    error = reader.error;
    return false;
  }

  std::string ValueSyntax::scalar(const std::string& text)
  {
    bool bare = !text.empty();
    for (char c : text)
      if (endsBareWord(c) || c == '"' || c == '\'' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
        bare = false;
    return bare ? text : quote(text);
  }

  std::string ValueSyntax::quote(const std::string& text, char mark)
  {
    std::string quoted(1, mark);
    for (char c : text)
    {
      const unsigned char u = static_cast<unsigned char>(c);
      if (c == mark || c == '\\')
        quoted += std::string("\\") + c;
      else if (c == '\n')
        quoted += "\\n";
      else if (c == '\t')
        quoted += "\\t";
      else if (u < 0x20 || u == 0x7f)
      {
        char escape[5];
        std::snprintf(escape, sizeof escape, "\\x%02x", u);
        quoted += escape;
      }
      else
        quoted += c;
    }
    return quoted + mark;
  }
}
