// The rtc.conf text format as Properties::load reads it, case by case.
#include <coil/Properties.h>

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace
{

  using Entries = std::vector<std::pair<std::string, std::string>>;

  struct FormatCase
  {
    const char* name;
    std::string text;
    Entries expected;  // every key the file defines, in order, with its value
  };

  Entries loaded(const std::string& text)
  {
    coil::Properties sut;
    std::istringstream in(text);
    sut.load(in);
    Entries entries;
    for (const std::string& key : sut.propertyNames())
    {
      entries.emplace_back(key, sut.getProperty(key));
    }
    return entries;
  }

  class PropertiesFileFormat : public ::testing::TestWithParam<FormatCase>
  {};

  TEST_P(PropertiesFileFormat, LoadsExactlyTheExpectedEntries)
  {
    EXPECT_EQ(loaded(GetParam().text), GetParam().expected);
  }

  const FormatCase kCases[] = {
    {"ColonSeparates", "a.b: value\n", {{"a.b", "value"}}},
    {"EqualsSeparates", "a=1\n", {{"a", "1"}}},
    {"SpaceSeparatesWhenNoColonOrEquals", "key value with  spaces\n", {{"key", "value with  spaces"}}},
    {"FirstOfColonOrEqualsWins", "a=b:c\nd:e=f\n", {{"a", "b:c"}, {"d", "e=f"}}},
    {"ColonWinsOverEarlierSpace", "a b: c\n", {{"a b", "c"}}},
    {"ValueKeepsLaterColons",
     "corba.nameservers: host:2809,other:2810\n",
     {{"corba.nameservers", "host:2809,other:2810"}}},
    {"EscapedColonBelongsToKey", "a\\:b: c\n", {{"a:b", "c"}}},
    {"EscapedEqualsBelongsToKey", "a\\=b = c\n", {{"a=b", "c"}}},
    {"EscapedSpaceBelongsToKey", "a\\ b c\n", {{"a b", "c"}}},
    {"ControlEscapes", "k: a\\tb\\nc\\rd\\fe\n", {{"k", "a\tb\nc\rd\fe"}}},
    {"QuoteAndBackslashEscapes", "k: \\\"q\\' \\\\ \\z\n", {{"k", "\"q' \\ z"}}},
    {"ContinuationJoinsWithoutSeparator", "k: abc\\\n    def\n", {{"k", "abcdef"}}},
    {"ContinuationOverSeveralLines", "k: a,\\\n b,\\\n c\n", {{"k", "a,b,c"}}},
    {"CommentInsideContinuationIsSkipped", "k: a,\\\n# b,\\\n! c,\\\n d\n", {{"k", "a,d"}}},
    {"BlankLineInsideContinuationIsSkipped", "k: a\\\n\n  b\n", {{"k", "ab"}}},
    {"EscapedBackslashAtEndDoesNotContinue", "a: x\\\\\nb: y\n", {{"a", "x\\"}, {"b", "y"}}},
    {"ContinuationAtEndOfFileKeepsWhatItHas", "a: x\\", {{"a", "x"}}},
    {"HashAndBangLinesAreComments", "# a: 1\n  ! b: 2\nc: 3\n", {{"c", "3"}}},
    {"HashInsideValueIsNotAComment", "k: v # not a comment\n", {{"k", "v # not a comment"}}},
    {"CrLfLineEnds", "a: 1\r\nb: 2\r\n", {{"a", "1"}, {"b", "2"}}},
    {"LoneCrLineEnds", "a: 1\rb: 2\r", {{"a", "1"}, {"b", "2"}}},
    {"CrLfContinuation", "a: 1\\\r\n 2\r\n", {{"a", "12"}}},
    {"LeadingBlanksIgnored", " \t  a: 1\n", {{"a", "1"}}},
    {"TrailingBlanksTrimmed", "a:   v \t \nb   =  w\t\n", {{"a", "v"}, {"b", "w"}}},
    {"EscapedTrailingBlankKept", "a: v\\ \n", {{"a", "v "}}},
    {"EscapedLeadingBlankKept", "a:\\  v\n", {{"a", "  v"}}},
    {"LaterDuplicateOverrides", "a: 1\nb: 2\na: 3\n", {{"a", "3"}, {"b", "2"}}},
    {"KeyWithoutValue", "lonely\nempty:\n", {{"lonely", ""}, {"empty", ""}}},
    {"LineWithoutKeyIgnored", ": orphan\n= too\n", {}},
    {"NoFinalLineEnd", "a: 1", {{"a", "1"}}},
    {"EmptyText", "", {}},
  };

  INSTANTIATE_TEST_SUITE_P(Cases, PropertiesFileFormat, ::testing::ValuesIn(kCases),
                           [](const ::testing::TestParamInfo<FormatCase>& param) { return param.param.name; });

  TEST(PropertiesStore, StoredTextLoadsBackToTheSameValues)
  {
    coil::Properties original;
    original.setProperty("plain.key", "value");
    original.setProperty("spaced", "  both ends  ");
    original.setProperty("controls", "tab\there\nnewline\\backslash");
    original.setProperty("colons", "host:2809");
    original.setProperty("odd key:=x", "v");
    original.setProperty("#hash", "not a comment");
    original.setProperty("empty", "");
    original.setProperty("inner", "own value");
    original.setProperty("inner.child", "c");

    std::stringstream file;
    original.store(file, "written by a test");
    coil::Properties sut;
    sut.load(file);

    std::ostringstream expected;
    std::ostringstream actual;
    original.list(expected);
    sut.list(actual);
    EXPECT_EQ(actual.str(), expected.str());
    EXPECT_EQ(sut.getProperty("inner"), "own value");
  }

  TEST(PropertiesStore, HeaderIsWrittenAsComment)
  {
    coil::Properties sut;
    sut.setProperty("a", "1");
    std::ostringstream out;

    sut.store(out, "first\nsecond");

    EXPECT_EQ(out.str(), "#first\n#second\na: 1\n");
  }

}  // namespace
