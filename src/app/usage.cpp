// The conventional flags: --help and -h print the extended help screen and a
// line for every keyword that screen leaves out; --version prints the version.
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "app/driver.h"

namespace {

struct KeywordLine {
  std::string_view name;
  std::string_view meaning;
};

// What the help screen does not list, in the screen's own line format.
constexpr KeywordLine UNLISTED[] = {
    {"client", "fetch NUMBER and DATE in internal form, convert them here (Yes|No)"},
    {"error", "Oracle error number a fetch may skip; repeat for more (up to 32)"},
    {"form", "name : value layout on standard output (YES)"},
    {"help", "list the extended keywords on the help screen (YES)"},
    {"manifest", "JSON record of the run: files with rows, bytes and SHA-256, status"},
    {"part", "partition of the split table to unload in parallel"},
    {"retry", "most re-runs of failed parallel ranges (default 3, 0-128)"},
    {"sleep", "pause before each re-run, in 100 ms (default 3, 0-180)"},
    {"threads", "compression threads of a .gz or .zst file (default 0 = every core, 0-32)"},
};

// The keywords a help-screen line names: "sedf/t" names sedf and sedt.
void addScreenNames(std::string_view line, std::vector<std::string> *names) {
  const size_t start = line.find_first_not_of(' ');
  const size_t equals = line.find('=');
  if (start == std::string_view::npos || equals == std::string_view::npos || equals < start) return;
  std::string name(line.substr(start, equals - start));
  name.erase(name.find_last_not_of(' ') + 1);
  const size_t slash = name.find('/');
  if (slash == std::string::npos) {
    names->push_back(name);
    return;
  }
  const std::string stem = name.substr(0, slash - 1);
  names->push_back(name.substr(0, slash));
  names->push_back(stem + name.substr(slash + 1));
}

void printUnlistedKeywords(FILE *out) {
  std::vector<std::string> listed;
  for (std::string_view line : helpScreenLines()) addScreenNames(line, &listed);
  for (std::string_view keyword : optionKeywords()) {
    if (std::find(listed.begin(), listed.end(), keyword) != listed.end()) continue;
    std::string_view meaning = "see man quillet2";
    for (const KeywordLine &k : UNLISTED) {
      if (k.name == keyword) meaning = k.meaning;
    }
    fprintf(out, "   %-8.*s= %.*s\n", static_cast<int>(keyword.size()), keyword.data(),
            static_cast<int>(meaning.size()), meaning.data());
  }
}

}  // namespace

bool printConventionalFlag(int argc, char **argv) {
  for (int i = 1; i < argc; i++) {
    if (strcmp(argv[i], "--version") == 0) {
      printVersion(stdout);
      return true;
    }
    if (strcmp(argv[i], "--help") == 0 || strcmp(argv[i], "-h") == 0) {
      CMDOPTIONS cmdopts;
      resetCommandOptions(&cmdopts);
      cmdopts.help = 1;
      printHelpScreen(fileSink(stdout), &cmdopts);
      printUnlistedKeywords(stdout);
      return true;
    }
  }
  return false;
}
