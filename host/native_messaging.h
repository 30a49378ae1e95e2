#pragma once

#include "child_process.h"
#include "diagnostic_log.h"

#include <cstdio>
#include <string>

// The default mode: one framed request from the browser on standard input,
// one framed reply on standard output, answered by the desktop application.
class QuillaretWorkspaceProcess : public ChildProcess {
 public:
  QuillaretWorkspaceProcess();
  void run() override;

 private:
  std::string readRequest();
  void sendResponse(std::string output);

  std::string request;
  DiagnosticLog log;
};

// Request words that may reach the command interpreter: ASCII letters and
// digits only. Anything else would let the browser's text run commands.
bool isSafeRequestWord(const std::string& word);

// Removes every CR and LF, wherever they stand.
void stripLineBreaks(std::string& text);

// True when `text` is well-formed UTF-8: no stray or missing continuation
// bytes, no overlong forms, no encoded surrogates, nothing above U+10FFFF.
bool isValidUtf8(const std::string& text);

// The application's output as UTF-8, as every reply must be: output that is
// already valid UTF-8 stays as it is; any other output is read in `codePage`
// (the caller passes the ANSI code page, in which a Windows program's narrow
// text is written), and each byte that is no character there becomes U+FFFD.
std::string utf8Output(const std::string& output, unsigned codePage);

// The reply payload for a request word and the application's output. The
// extension-information form is the output itself; the session-status and
// machine-identifier forms hold it as a JSON string (see jsonStringContent).
std::string buildReplyPayload(const std::string& request, const std::string& output);

// The text made valid as the content of a JSON string with the least change,
// so that the browser accepts the reply: text that is already valid stays as
// it is, escapes included; a bare double quote becomes \", a backslash that
// starts no valid escape becomes \\, and any other control character \u00xx.
std::string jsonStringContent(const std::string& text);

// The 4-byte little-endian length followed by the payload.
std::string encodeFrame(const std::string& payload);

// Reads one frame from `in` and appends its inner bytes (all but the first and
// the last) to `text`. Input that ends inside the frame stops the reading;
// what was collected stays.
void appendFrameText(std::FILE* in, std::string& text);

// Runs a command line through the command interpreter and returns everything
// it printed on standard output, read in text mode (CR LF becomes LF).
// Throws std::runtime_error("popen() failed!") when it cannot be started.
std::string runCommand(const std::string& commandLine);
