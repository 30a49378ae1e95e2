#pragma once

#include <cstdio>
#include <ctime>
#include <memory>
#include <string>

// The optional day-file log of the native messaging mode. Off unless the
// environment variable named by switchName holds "true" in any letter case;
// the switch is read anew by every operation. Nothing here reports failure:
// a log that cannot be written is simply lost.
//
// Folder paths stay in UTF-16 from the system's temporary path to every file
// system call: a narrow form would pass through the ANSI code page, where a
// user name such as Женя has no letters.
class DiagnosticLog {
 public:
  explicit DiagnosticLog(std::string switchName);

  bool isEnabled() const;
  void open(const std::wstring& folder);
  void write(const std::string& message);
  void close();
  void prune(const std::wstring& folder);

  // Files are named "log_" + date + ".txt"; at most this many are kept.
  static constexpr std::size_t kMaxFiles = 20;

 private:
  struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  std::unique_ptr<std::FILE, FileCloser> stream;
  std::string switchName;
};

// "[" + time + "] " + message + "\r\n", time as "%d-%m-%Y %H:%M:%S".
std::string formatLogLine(const std::string& message, const std::tm& localTime);
