// What the probe's static objects did, in order: a record that needs no
// initialisation of its own, so that initialisers may write to it before any
// other has run; and an exit log file that destructors append to.
#pragma once

namespace probe {

void Record(const char* event);
int RecordCount();
const char* RecordAt(int index);

// Appends a line to the file named by PROBE_EXIT_LOG, if it is set.
void LogAtExit(const char* line);

// Records that the object was built, and logs its name when it is destroyed.
class Witness {
 public:
  explicit Witness(const char* name) : name_(name) { Record(name); }
  ~Witness() { LogAtExit(name_); }
  Witness(const Witness&) = delete;
  Witness& operator=(const Witness&) = delete;

 private:
  const char* name_;
};

}  // namespace probe
