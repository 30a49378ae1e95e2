#include "diagnostic_log.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr const char* kSwitch = "QuillaretTestLogSwitch";

class DiagnosticLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() / ("qh-log-test-" + std::to_string(GetCurrentProcessId()));
    fs::remove_all(folder);
    fs::create_directories(folder.parent_path());
    setSwitch("true");
  }
  void TearDown() override {
    SetEnvironmentVariableA(kSwitch, nullptr);
    fs::remove_all(folder);
  }
  static void setSwitch(const char* value) { SetEnvironmentVariableA(kSwitch, value); }
  std::wstring folderText() const { return folder.wstring() + L"/"; }

  fs::path folder;
};

std::string readAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string today() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_s(&local, &now);
  char buffer[16];
  std::strftime(buffer, sizeof buffer, "%Y-%m-%d", &local);
  return buffer;
}

void touch(const fs::path& path) { std::ofstream(path) << "x"; }

// log_2026-MM-01.txt to log_2026-MM-<days>.txt
void makeDayFiles(const fs::path& folder, int month, int days) {
  for (int day = 1; day <= days; ++day) {
    char name[32];
    std::snprintf(name, sizeof name, "log_2026-%02d-%02d.txt", month, day);
    touch(folder / name);
  }
}

}  // namespace

TEST_F(DiagnosticLogTest, SwitchIsTrueInAnyLetterCaseAndNothingElse) {
  DiagnosticLog log(kSwitch);
  for (const char* on : {"true", "TRUE", "True", "tRuE"}) {
    setSwitch(on);
    EXPECT_TRUE(log.isEnabled()) << on;
  }
  for (const char* off : {"1", "yes", "true ", " true", "", "truee"}) {
    setSwitch(off);
    EXPECT_FALSE(log.isEnabled()) << '"' << off << '"';
  }
  setSwitch(nullptr);
  EXPECT_FALSE(log.isEnabled());
}

TEST_F(DiagnosticLogTest, LinesEndInCarriageReturnCarriageReturnLineFeed) {
  DiagnosticLog log(kSwitch);
  log.open(folderText());
  log.write("start");
  log.write("response: {\"machineId\":\"x\"}");
  log.close();

  fs::path file = folder / ("log_" + today() + ".txt");
  ASSERT_TRUE(fs::exists(file));
  std::string content = readAll(file);
  std::string::size_type first = content.find("\r\r\n");
  ASSERT_NE(first, std::string::npos);
  EXPECT_EQ(content[0], '[');
  // "[dd-mm-yyyy hh:mm:ss]" is 21 characters.
  EXPECT_EQ(content.substr(20, 7), "] start");
  EXPECT_EQ(content.substr(first + 3 + 20), "] response: {\"machineId\":\"x\"}\r\r\n");

  // A second run of the day appends to the same file.
  DiagnosticLog again(kSwitch);
  again.open(folderText());
  again.write("close");
  again.close();
  EXPECT_EQ(readAll(file).find(content), 0u);
  EXPECT_GT(readAll(file).size(), content.size());
}

TEST(LogLine, TimeIsDayMonthYearThenClock) {
  std::tm when{};
  when.tm_year = 126;
  when.tm_mon = 11;
  when.tm_mday = 7;
  when.tm_hour = 9;
  when.tm_min = 5;
  when.tm_sec = 3;
  EXPECT_EQ(formatLogLine("hello", when), "[07-12-2026 09:05:03] hello\r\n");
}

TEST_F(DiagnosticLogTest, OffMeansNoFolderAndNoFile) {
  setSwitch("false");
  DiagnosticLog log(kSwitch);
  log.open(folderText());
  log.write("x");
  log.close();
  log.prune(folderText());
  EXPECT_FALSE(fs::exists(folder));
}

TEST_F(DiagnosticLogTest, AFileInTheWayOfTheFolderLeavesTheLogClosed) {
  touch(folder);
  DiagnosticLog log(kSwitch);
  log.open(folderText());
  log.write("lost");
  log.close();
  log.prune(folderText());
  EXPECT_TRUE(fs::is_regular_file(folder));
  EXPECT_EQ(readAll(folder), "x");
}

TEST_F(DiagnosticLogTest, PruneRemovesOnlyTheFirstEntryWhenMoreThanTwentyFiles) {
  fs::create_directory(folder);
  makeDayFiles(folder, 1, 21);
  DiagnosticLog log(kSwitch);
  log.prune(folderText());
  EXPECT_FALSE(fs::exists(folder / "log_2026-01-01.txt"));
  EXPECT_TRUE(fs::exists(folder / "log_2026-01-02.txt"));
  log.prune(folderText());
  EXPECT_TRUE(fs::exists(folder / "log_2026-01-02.txt")) << "20 files are kept";
}

TEST_F(DiagnosticLogTest, PruneMayChooseASubfolderAndThenDeletesNothing) {
  fs::create_directory(folder);
  fs::create_directory(folder / "a-folder");
  touch(folder / "a-folder" / "inside.txt");
  makeDayFiles(folder, 2, 21);
  DiagnosticLog log(kSwitch);
  log.prune(folderText());
  EXPECT_TRUE(fs::exists(folder / "a-folder" / "inside.txt"));
  EXPECT_TRUE(fs::exists(folder / "log_2026-02-01.txt"));
}

TEST_F(DiagnosticLogTest, PruneOfAMissingFolderDoesNothing) {
  DiagnosticLog log(kSwitch);
  log.prune(folderText());
  EXPECT_FALSE(fs::exists(folder));
}
