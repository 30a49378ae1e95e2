// Test-only relay between a browser and the native messaging host under Wine.
//
//   relay.exe <folder> <host exe> [browser arguments...]
//
// The browser's end of standard input is a Linux pipe under Wine, on which the
// host's availability check (PeekNamedPipe) fails. The relay reads the request
// frame from its own standard input (ReadFile works there), writes it into a
// pipe of its own making, and only then starts the host with that pipe as
// standard input and two more as standard output and error. The reply is
// forwarded to the browser as it arrives; once the browser stops reading, the
// rest is still drained so that the host never blocks on a full pipe.
//
// Into <folder> it writes reply.bin, every byte the host wrote to standard
// output, and then record.json, how the host ended:
//   {"exit":0,"stderrBytes":0,"replyBytes":N,"forwarded":true,"hostMs":12.3}
// hostMs runs from the host's creation to its exit; exit is -1 when the host
// could not be started. record.json appears whole (written aside, then
// renamed), so a test can poll for it.
#include "win-owners/handles.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Pipe {
  win::UniqueHandle read;
  win::UniqueHandle write;
};

// An anonymous pipe whose `childEnd` alone is inherited by a started process.
bool makePipe(Pipe& pipe, bool childReads, DWORD size) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, size)) {
    return false;
  }
  pipe.read.reset(readEnd);
  pipe.write.reset(writeEnd);
  HANDLE parentEnd = childReads ? writeEnd : readEnd;
  return SetHandleInformation(parentEnd, HANDLE_FLAG_INHERIT, 0) != 0;
}

bool readExactly(HANDLE from, char* into, DWORD count) {
  while (count > 0) {
    DWORD got = 0;
    if (!ReadFile(from, into, count, &got, nullptr) || got == 0) {
      return false;
    }
    into += got;
    count -= got;
  }
  return true;
}

bool writeAll(HANDLE to, const char* bytes, DWORD count) {
  while (count > 0) {
    DWORD written = 0;
    if (!WriteFile(to, bytes, count, &written, nullptr) || written == 0) {
      return false;
    }
    bytes += written;
    count -= written;
  }
  return true;
}

// The request frame as the browser sent it, length bytes included; empty when
// standard input ended first.
std::string readRequestFrame(HANDLE input) {
  char length[4];
  if (!readExactly(input, length, 4)) {
    return std::string();
  }
  std::uint32_t n = 0;
  for (int i = 0; i < 4; ++i) {
    n |= static_cast<std::uint32_t>(static_cast<unsigned char>(length[i])) << (8 * i);
  }
  std::string frame(4 + static_cast<std::size_t>(n), '\0');
  frame.replace(0, 4, length, 4);
  if (!readExactly(input, frame.data() + 4, n)) {
    return std::string();
  }
  return frame;
}

// One argument quoted for the C runtime's command-line parser.
std::string quoted(const std::string& argument) {
  std::string out = "\"";
  std::size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    out.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    backslashes = 0;
    out.push_back(c);
  }
  out.append(2 * backslashes, '\\');
  out.push_back('"');
  return out;
}

struct Outcome {
  long exitCode = -1;
  std::uint64_t stderrBytes = 0;
  std::uint64_t replyBytes = 0;
  bool forwarded = true;
  double hostMs = 0;
};

std::uint64_t drain(HANDLE from) {
  std::uint64_t total = 0;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(from, buffer, sizeof buffer, &got, nullptr) && got > 0) {
    total += got;
  }
  return total;
}

double millisecondsSince(const LARGE_INTEGER& start) {
  LARGE_INTEGER now;
  LARGE_INTEGER frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

Outcome relay(const std::string& commandLine, const std::string& request, HANDLE browserOut, HANDLE copy) {
  Outcome outcome;
  Pipe in;
  Pipe out;
  Pipe err;
  // The request must fit the input pipe whole: it is written before the host
  // exists to read it.
  DWORD inSize = static_cast<DWORD>(request.size() < 4096 ? 4096 : request.size());
  if (!makePipe(in, true, inSize) || !makePipe(out, false, 0) || !makePipe(err, false, 0) ||
      !writeAll(in.write.get(), request.data(), static_cast<DWORD>(request.size()))) {
    return outcome;
  }

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in.read.get();
  startup.hStdOutput = out.write.get();
  startup.hStdError = err.write.get();
  PROCESS_INFORMATION created{};
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &created)) {
    return outcome;
  }
  win::UniqueHandle process(created.hProcess);
  win::UniqueHandle thread(created.hThread);
  // Only the host holds its ends now, so its exit ends our reads. The input
  // stays open until the host has gone, as the browser's does.
  in.read.reset();
  out.write.reset();
  err.write.reset();

  std::thread errors([&] { outcome.stderrBytes = drain(err.read.get()); });
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(out.read.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
    outcome.replyBytes += got;
    writeAll(copy, buffer, got);
    if (outcome.forwarded && !writeAll(browserOut, buffer, got)) {
      outcome.forwarded = false;
    }
  }
  WaitForSingleObject(process.get(), INFINITE);
  outcome.hostMs = millisecondsSince(start);
  errors.join();
  DWORD code = 0;
  GetExitCodeProcess(process.get(), &code);
  outcome.exitCode = static_cast<long>(code);
  return outcome;
}

win::UniqueFileHandle createFile(const std::string& path) {
  return win::UniqueFileHandle(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
}

void record(const std::string& folder, const Outcome& outcome) {
  char line[256];
  int n = std::snprintf(
      line, sizeof line, "{\"exit\":%ld,\"stderrBytes\":%llu,\"replyBytes\":%llu,\"forwarded\":%s,\"hostMs\":%.3f}\n",
      outcome.exitCode, static_cast<unsigned long long>(outcome.stderrBytes),
      static_cast<unsigned long long>(outcome.replyBytes), outcome.forwarded ? "true" : "false", outcome.hostMs);
  std::string partial = folder + "\\record.part";
  {
    win::UniqueFileHandle out = createFile(partial);
    if (!out || n <= 0 || !writeAll(out.get(), line, static_cast<DWORD>(n))) {
      return;
    }
  }
  MoveFileExA(partial.c_str(), (folder + "\\record.json").c_str(), MOVEFILE_REPLACE_EXISTING);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: relay.exe <folder> <host exe> [browser arguments...]\n", stderr);
    return 2;
  }
  std::string commandLine = quoted(argv[2]);
  for (int i = 3; i < argc; ++i) {
    commandLine += " " + quoted(argv[i]);
  }
  std::string folder = argv[1];
  std::string request = readRequestFrame(GetStdHandle(STD_INPUT_HANDLE));
  Outcome outcome;
  if (!request.empty()) {
    win::UniqueFileHandle copy = createFile(folder + "\\reply.bin");
    outcome = relay(commandLine, request, GetStdHandle(STD_OUTPUT_HANDLE), copy.get());
  }
  record(folder, outcome);
  return 0;
}
