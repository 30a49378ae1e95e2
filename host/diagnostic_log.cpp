#include "diagnostic_log.h"

#include "environment.h"

#include <share.h>

#include <algorithm>
#include <cctype>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::tm localNow()
{
    std::time_t now = std::time(nullptr);
    std::tm result{};
    localtime_s(&result, &now);
    return result;
}

std::string formatTime(const char* format, const std::tm& when)
{
    char buffer[80];
    std::size_t length = std::strftime(buffer, sizeof buffer, format, &when);
    return std::string(buffer, length);
}

} // namespace

DiagnosticLog::DiagnosticLog(std::string switchName) : switchName(std::move(switchName)) {}

bool DiagnosticLog::isEnabled() const
{
    std::string value = readEnvironment(switchName.c_str()).value_or(std::string());
    for (char& c : value) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return value == "true";
}

void DiagnosticLog::open(const std::string& folder)
{
    if (!isEnabled()) {
        return;
    }
    // One level only: the parent (the temporary folder) exists. When the folder
    // cannot be made (a file of that name in the way, say) the log stays closed
    // and the exchange goes on without it.
    std::error_code error;
    fs::path dir(folder);
    if (!fs::is_directory(dir, error)) {
        fs::create_directory(dir, error);
        if (error) {
            return;
        }
    }
    std::string name = folder + "log_" + formatTime("%Y-%m-%d", localNow()) + ".txt";
    // Text mode: the "\n" of each "\r\n" is stored as CR LF. Others may read
    // and write the day's file while it is open.
    stream.reset(_fsopen(name.c_str(), "a", _SH_DENYNO));
}

void DiagnosticLog::write(const std::string& message)
{
    if (!isEnabled() || !stream) {
        return;
    }
    std::string line = formatLogLine(message, localNow());
    std::fwrite(line.data(), 1, line.size(), stream.get());
    std::fflush(stream.get());
}

void DiagnosticLog::close()
{
    if (!isEnabled()) {
        return;
    }
    stream.reset();
}

void DiagnosticLog::prune(const std::string& folder)
{
    if (!isEnabled()) {
        return;
    }
    std::error_code error;
    std::size_t files = 0;
    std::vector<std::string> entries;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code kindError;
        if (it->is_regular_file(kindError)) {
            ++files;
        }
        try {
            entries.push_back(it->path().string());
        } catch (const std::exception&) {
            // A name with no narrow form cannot be passed to remove(); skip it.
        }
    }
    if (error || files <= kMaxFiles || entries.empty()) {
        return;
    }
    // Names carry an ISO date, so the first in byte order is the oldest day.
    std::sort(entries.begin(), entries.end());
    std::remove(entries.front().c_str());
}

std::string formatLogLine(const std::string& message, const std::tm& localTime)
{
    return "[" + formatTime("%d-%m-%Y %H:%M:%S", localTime) + "] " + message + "\r\n";
}
