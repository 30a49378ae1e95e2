#pragma once

#include <cstdio>
#include <ctime>
#include <memory>
#include <string>

// The optional day-file log of the native messaging mode. Off unless the
// environment variable named by switchName holds "true" in any letter case;
// the switch is read anew by every operation. Nothing here reports failure:
// a log that cannot be written is simply lost.
class DiagnosticLog {
public:
    explicit DiagnosticLog(std::string switchName);

    bool isEnabled() const;
    void open(const std::string& folder);
    void write(const std::string& message);
    void close();
    void prune(const std::string& folder);

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
