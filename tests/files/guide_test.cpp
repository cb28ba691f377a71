// The user guide in docs/guide: both languages have the same pages, every page is reached
// from the contents, every link and image inside resolves, and every command that
// vorel-cli --help lists, with its help, is in the command-line page of both languages.
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kGuide = GUIDE_DIR;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::set<std::string> Pages(const std::string& language) {
  std::set<std::string> pages;
  for (const auto& entry : fs::directory_iterator(kGuide / language))
    if (entry.path().extension() == ".md") pages.insert(entry.path().filename().string());
  return pages;
}

// The targets of the Markdown links and images of a page, "#fragment" removed.
std::vector<std::string> Links(const std::string& markdown) {
  static const std::regex link(R"(\]\(([^)\s]+)\))");
  std::vector<std::string> targets;
  for (auto it = std::sregex_iterator(markdown.begin(), markdown.end(), link);
       it != std::sregex_iterator(); ++it) {
    std::string target = (*it)[1].str();
    target = target.substr(0, target.find('#'));
    targets.push_back(target);
  }
  return targets;
}

std::string RunProgram(const std::string& command, int* status) {
  FILE* pipe = ::popen(command.c_str(), "r");
  std::string out;
  char buffer[4096];
  std::size_t n;
  while (pipe && (n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  const int raw = pipe ? ::pclose(pipe) : -1;
  *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return out;
}

TEST(Guide, BothLanguagesHaveTheSamePagesAllReachedAndEveryLinkResolves) {
  const std::set<std::string> english = Pages("en");
  EXPECT_TRUE(english.contains("index.md"));
  EXPECT_EQ(english, Pages("zh"));
  for (const char* language : {"en", "zh"}) {
    // Walk from the contents page: every link resolves, every page is reached.
    std::set<std::string> reached{"index.md"};
    std::vector<std::string> todo{"index.md"};
    while (!todo.empty()) {
      const std::string page = todo.back();
      todo.pop_back();
      const std::string text = ReadFile(kGuide / language / page);
      EXPECT_TRUE(text.starts_with("# ")) << language << "/" << page << " has no heading";
      for (const std::string& target : Links(text)) {
        if (target.starts_with("http://") || target.starts_with("https://")) continue;
        if (target.empty()) continue;  // a link inside the page
        const fs::path path = kGuide / language / target;
        EXPECT_TRUE(fs::is_regular_file(path)) << language << "/" << page << " -> " << target;
        if (path.extension() == ".md" && fs::is_regular_file(path) && reached.insert(target).second)
          todo.push_back(target);
      }
    }
    std::set<std::string> all = Pages(language);
    EXPECT_EQ(reached, all) << language << ": pages not reached from the contents";
  }
}

TEST(Guide, EveryImageIsMadeInBothLanguages) {
  std::map<std::string, std::set<std::string>> images;
  for (const char* language : {"en", "zh"})
    for (const auto& entry : fs::directory_iterator(kGuide / language / "images"))
      images[language].insert(entry.path().filename().string());
  EXPECT_FALSE(images["en"].empty());
  EXPECT_EQ(images["en"], images["zh"]);
}

TEST(Guide, EveryCommandOfTheCliHelpIsInTheGuideAndHasItsOwnHelp) {
  int status = 0;
  const std::string help = RunProgram(std::string(VOREL_CLI_PATH) + " --help", &status);
  ASSERT_EQ(status, 0);
  // The commands: the first word of each entry of the usage text.
  static const std::regex entry(R"(\n  ([a-z]+)[ \n])");
  std::set<std::string> commands;
  for (auto it = std::sregex_iterator(help.begin(), help.end(), entry);
       it != std::sregex_iterator(); ++it)
    commands.insert((*it)[1].str());
  EXPECT_GE(commands.size(), 12u);
  for (const char* language : {"en", "zh"}) {
    const std::string page = ReadFile(kGuide / language / "command-line.md");
    for (const std::string& command : commands)
      EXPECT_NE(page.find("vorel-cli " + command), std::string::npos)
          << language << "/command-line.md does not show " << command;
  }
  for (const std::string& command : commands) {
    const std::string one = RunProgram(std::string(VOREL_CLI_PATH) + " help " + command, &status);
    EXPECT_EQ(status, 0) << command;
    EXPECT_TRUE(one.starts_with("Usage: vorel-cli ")) << one;
    EXPECT_NE(one.find(" " + command), std::string::npos) << one;
    EXPECT_EQ(RunProgram(std::string(VOREL_CLI_PATH) + " " + command + " --help", &status), one);
  }
  RunProgram(std::string(VOREL_CLI_PATH) + " help no-such-command 2>/dev/null", &status);
  EXPECT_EQ(status, 2);
}

}  // namespace
