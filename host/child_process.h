#pragma once

// A mode of quillaret-host. The entry point builds exactly one mode object and
// calls run() once. The object is always owned by its concrete type (never
// deleted through this interface), so the interface needs no virtual
// destructor and each mode's table holds run() alone.
class ChildProcess {
 public:
  virtual void run() = 0;

 protected:
  ChildProcess() = default;
  ~ChildProcess() = default;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
};
