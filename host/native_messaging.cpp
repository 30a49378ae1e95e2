#include "native_messaging.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <stdexcept>

namespace {

constexpr const char* kLogSwitch = "EnableSessionSharingExtensionLog";
constexpr const char* kApplication = "QuillaretWorkspace.exe";
constexpr int kPolls = 2;
constexpr DWORD kPollSleepMs = 50;

// The temporary folder with its trailing separator, as the system gives it
// (UTF-16, no code page in between); empty when the system cannot name one.
std::wstring temporaryFolder() {
  wchar_t wide[MAX_PATH + 1];
  DWORD length = GetTempPathW(MAX_PATH + 1, wide);
  if (length == 0 || length > MAX_PATH) {
    return std::wstring();
  }
  DWORD attributes = GetFileAttributesW(wide);
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return std::wstring();
  }
  return std::wstring(wide, length);
}

DWORD bytesWaiting(HANDLE input) {
  DWORD available = 0;
  if (!PeekNamedPipe(input, nullptr, 0, nullptr, &available, nullptr)) {
    available = 0;
  }
  return available;
}

bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// The length of the JSON string escape that starts with the backslash at
// `at`: 2 for \" \\ \/ \b \f \n \r \t, 6 for \u and four hex digits, 0 when
// the backslash starts none.
std::string::size_type validEscapeLength(const std::string& text, std::string::size_type at) {
  if (at + 1 >= text.size()) {
    return 0;
  }
  char kind = text[at + 1];
  for (char simple : {'"', '\\', '/', 'b', 'f', 'n', 'r', 't'}) {
    if (kind == simple) {
      return 2;
    }
  }
  if (kind != 'u' || at + 6 > text.size()) {
    return 0;
  }
  for (std::string::size_type i = at + 2; i < at + 6; ++i) {
    if (!isHexDigit(text[i])) {
      return 0;
    }
  }
  return 6;
}

// The length of the well-formed UTF-8 sequence that starts at `at`, 0 when
// none does (the table of well-formed byte sequences in the Unicode standard).
std::string::size_type utf8SequenceLength(const std::string& text, std::string::size_type at) {
  const auto byte = [&](std::string::size_type i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) {
    return 1;
  }
  unsigned char low = 0x80, high = 0xBF;
  std::string::size_type length = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    low = lead == 0xE0 ? 0xA0 : 0x80;   // no overlong forms
    high = lead == 0xED ? 0x9F : 0xBF;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    low = lead == 0xF0 ? 0x90 : 0x80;   // no overlong forms
    high = lead == 0xF4 ? 0x8F : 0xBF;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (at + length > text.size() || byte(at + 1) < low || byte(at + 1) > high) {
    return 0;
  }
  for (std::string::size_type i = at + 2; i < at + length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) {
      return 0;
    }
  }
  return length;
}

constexpr wchar_t kReplacement = 0xFFFD;

// UTF-8 with each byte that starts no well-formed sequence read as U+FFFD.
std::wstring wideFromBrokenUtf8(const std::string& text) {
  std::string repaired;
  for (std::string::size_type at = 0; at < text.size();) {
    std::string::size_type length = utf8SequenceLength(text, at);
    if (length == 0) {
      repaired += "\xEF\xBF\xBD";
      ++at;
    } else {
      repaired.append(text, at, length);
      at += length;
    }
  }
  std::wstring wide(repaired.size(), L'\0');
  int size = MultiByteToWideChar(CP_UTF8, 0, repaired.data(), static_cast<int>(repaired.size()), wide.data(),
                                 static_cast<int>(wide.size()));
  wide.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
  return wide;
}

// The text read in a single- or double-byte code page, one character at a
// time, so that a byte the code page has no character for becomes U+FFFD
// alone (a lead byte whose second byte does not fit: the lead byte alone).
std::wstring wideFromCodePage(const std::string& text, UINT codePage) {
  std::wstring wide;
  wide.reserve(text.size());
  for (std::string::size_type at = 0; at < text.size();) {
    const bool lead = IsDBCSLeadByteEx(codePage, static_cast<BYTE>(text[at])) && at + 1 < text.size();
    wchar_t characters[4];
    int count = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data() + at, lead ? 2 : 1, characters, 4);
    if (count > 0) {
      wide.append(characters, static_cast<std::size_t>(count));
      at += lead ? 2 : 1;
    } else {
      wide.push_back(kReplacement);
      ++at;
    }
  }
  return wide;
}

std::string utf8FromWide(const std::wstring& wide) {
  if (wide.empty()) {
    return std::string();
  }
  int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size, nullptr, nullptr);
  return text;
}

struct PipeCloser {
  void operator()(std::FILE* pipe) const { _pclose(pipe); }
};

// Points standard error at NUL while it lives. The command interpreter and the
// application inherit it: their complaints (an application that cannot be
// found, say) must not reach the browser's error stream.
class SilencedStandardError {
 public:
  SilencedStandardError() : saved(_dup(2)) {
    int nul = _open("NUL", _O_WRONLY);
    if (nul >= 0) {
      _dup2(nul, 2);
      _close(nul);
    }
  }
  ~SilencedStandardError() {
    if (saved >= 0) {
      _dup2(saved, 2);
      _close(saved);
    }
  }
  SilencedStandardError(const SilencedStandardError&) = delete;
  SilencedStandardError& operator=(const SilencedStandardError&) = delete;

 private:
  int saved;
};

}  // namespace

QuillaretWorkspaceProcess::QuillaretWorkspaceProcess() : log(kLogSwitch) {}

void QuillaretWorkspaceProcess::run() {
  // Without a temporary folder there is no log; the exchange still happens.
  std::wstring temp = temporaryFolder();
  std::wstring logFolder = temp.empty() ? std::wstring() : temp + L"/quillaret-host/";
  if (!logFolder.empty()) {
    log.open(logFolder);
  }
  log.write("start quillaret host for Chrome extension");

  request = readRequest();
  std::string output;
  if (isSafeRequestWord(request)) {
    output = runCommand(std::string(kApplication) + " --" + request);
  }
  sendResponse(output);

  log.write("close quillaret host for Chrome extension");
  log.close();
  if (!logFolder.empty()) {
    log.prune(logFolder);
  }
}

std::string QuillaretWorkspaceProcess::readRequest() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  std::string text;
  for (int poll = 0; poll < kPolls; ++poll) {
    if (bytesWaiting(input) < 4) {
      Sleep(kPollSleepMs);
      continue;
    }
    appendFrameText(stdin, text);
  }
  return text.empty() ? std::string("machineId") : text;
}

void QuillaretWorkspaceProcess::sendResponse(std::string output) {
  stripLineBreaks(output);
  std::string payload = buildReplyPayload(request, utf8Output(output, GetACP()));
  std::string frame = encodeFrame(payload);
  std::fwrite(frame.data(), 1, frame.size(), stdout);
  log.write("response: " + payload);
}

bool isSafeRequestWord(const std::string& word) {
  if (word.empty()) {
    return false;
  }
  for (char c : word) {
    bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    bool digit = c >= '0' && c <= '9';
    if (!letter && !digit) {
      return false;
    }
  }
  return true;
}

void stripLineBreaks(std::string& text) {
  std::string::size_type kept = 0;
  for (char c : text) {
    if (c != '\r' && c != '\n') {
      text[kept++] = c;
    }
  }
  text.resize(kept);
}

bool isValidUtf8(const std::string& text) {
  for (std::string::size_type at = 0; at < text.size();) {
    std::string::size_type length = utf8SequenceLength(text, at);
    if (length == 0) {
      return false;
    }
    at += length;
  }
  return true;
}

std::string utf8Output(const std::string& output, unsigned codePage) {
  if (isValidUtf8(output)) {
    return output;
  }
  if (codePage == CP_UTF8) {
    return utf8FromWide(wideFromBrokenUtf8(output));
  }
  return utf8FromWide(wideFromCodePage(output, codePage));
}

std::string buildReplyPayload(const std::string& request, const std::string& output) {
  if (request == "extensionInfo") {
    return output;
  }
  if (request.find("sessionStatus") != std::string::npos) {
    return "{\"sessionStatus\":\"" + jsonStringContent(output) + "\"}";
  }
  return "{\"machineId\":\"" + jsonStringContent(output) + "\"}";
}

std::string jsonStringContent(const std::string& text) {
  std::string content;
  content.reserve(text.size());
  for (std::string::size_type at = 0; at < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[at]);
    std::string::size_type escape = c == '\\' ? validEscapeLength(text, at) : 0;
    if (escape > 0) {
      content.append(text, at, escape);
      at += escape;
      continue;
    }
    if (c == '\\') {
      content += "\\\\";
    } else if (c == '"') {
      content += "\\\"";
    } else if (c < 0x20) {
      char escaped[7];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
      content += escaped;
    } else {
      content.push_back(static_cast<char>(c));
    }
    ++at;
  }
  return content;
}

std::string encodeFrame(const std::string& payload) {
  std::uint32_t length = static_cast<std::uint32_t>(payload.size());
  std::string frame;
  frame.reserve(4 + payload.size());
  for (int shift = 0; shift < 32; shift += 8) {
    frame.push_back(static_cast<char>((length >> shift) & 0xFF));
  }
  frame += payload;
  return frame;
}

void appendFrameText(std::FILE* in, std::string& text) {
  std::uint32_t length = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    int c = std::fgetc(in);
    if (c == EOF) {
      return;
    }
    length |= static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << shift;
  }
  for (std::uint32_t i = 0; i < length; ++i) {
    int c = std::fgetc(in);
    if (c == EOF) {
      return;
    }
    if (i != 0 && i != length - 1) {
      text.push_back(static_cast<char>(c));
    }
  }
}

std::string runCommand(const std::string& commandLine) {
  SilencedStandardError quiet;
  std::unique_ptr<std::FILE, PipeCloser> pipe(_popen(commandLine.c_str(), "r"));
  if (!pipe) {
    throw std::runtime_error("popen() failed!");
  }
  std::string result;
  char buffer[128];
  while (std::fgets(buffer, sizeof buffer, pipe.get()) != nullptr) {
    result += buffer;  // up to the chunk's first NUL
  }
  return result;
}
