// The manual page documents exactly the keywords of the parser's table, and
// both manual pages render without a warning.
#include <regex>
#include <set>
#include <string>

#include <gtest/gtest.h>
#include <unistd.h>

#include "options/cmdoptions.h"
#include "support/process.h"

namespace {

const std::string MAN_DIR = TEST_DATA_DIR + std::string("/../../man/");

// The keywords of the KEYWORDS section: each entry's tag is ".BI name= value"
// or ".B name=...".
std::set<std::string> documentedKeywords(const std::string &page) {
  const size_t start = page.find("\n.SH KEYWORDS\n");
  const size_t end = page.find("\n.SH ", start + 1);
  const std::string section = page.substr(start, end - start);
  std::set<std::string> names;
  const std::regex tag(R"(\n\.TP\n\.BI? ([a-z]+)=)");
  for (auto it = std::sregex_iterator(section.begin(), section.end(), tag); it != std::sregex_iterator(); ++it) {
    names.insert((*it)[1]);
  }
  return names;
}

TEST(ManualPage, DocumentsEveryKeywordOfTheParserAndNoOther) {
  const std::string page = testsupport::readFile(MAN_DIR + "quillet2.1");
  ASSERT_NE(page.find("\n.SH KEYWORDS\n"), std::string::npos);
  std::set<std::string> table;
  for (std::string_view k : optionKeywords()) table.insert(std::string(k));
  const std::set<std::string> documented = documentedKeywords(page);
  for (const std::string &k : table) EXPECT_TRUE(documented.contains(k)) << k << " is not in man/quillet2.1";
  for (const std::string &k : documented) EXPECT_TRUE(table.contains(k)) << k << " is not a keyword of the parser";
}

TEST(ManualPage, RendersWithoutWarnings) {
  if (access("/usr/bin/groff", X_OK) != 0) GTEST_SKIP() << "groff is not installed (Debian package groff-base)";
  for (const char *name : {"quillet2.1", "ocilite.1"}) {
    auto r = testsupport::runProgram({"/usr/bin/groff", "-man", "-ww", "-z", MAN_DIR + name});
    EXPECT_EQ(r.status, 0) << name;
    EXPECT_EQ(r.out, "") << name;
  }
}

}  // namespace
