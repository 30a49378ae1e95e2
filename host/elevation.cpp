#include "elevation.h"

#include "console.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

namespace {

// The calling thread in a single-threaded apartment while it lives, as
// ShellExecuteEx asks of its callers (verbs carried out by shell extensions
// need COM); left again only if this object entered it.
class ShellApartment {
 public:
  ShellApartment() : result(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
  ~ShellApartment() {
    if (SUCCEEDED(result)) {
      CoUninitialize();
    }
  }
  ShellApartment(const ShellApartment&) = delete;
  ShellApartment& operator=(const ShellApartment&) = delete;

 private:
  HRESULT result;
};

}  // namespace

void QuillaretWorkspaceElevate::run() {
  if (argc < 3) {
    return;
  }
  writeOut("Run as: ");
  writeOut(argv[2]);
  writeOut(argc);
  std::string parameters = buildElevatedParameters(argc, argv);

  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = 0;
  info.hwnd = nullptr;
  info.lpVerb = "runas";
  info.lpFile = argv[2];
  info.lpParameters = parameters.c_str();
  info.lpDirectory = nullptr;
  info.nShow = SW_SHOWNORMAL;
  info.hInstApp = nullptr;
  // Not waited for and not reported: a declined prompt is no error here.
  ShellApartment apartment;
  ShellExecuteExA(&info);
}

std::string buildElevatedParameters(int argc, char** argv) {
  std::string parameters;
  for (int i = 2; i < argc; ++i) {
    parameters += ' ';
    parameters += argv[i];
  }
  parameters += " \"--adminprivilege\"";
  return parameters;
}
