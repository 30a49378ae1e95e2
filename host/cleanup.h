#pragma once

#include "child_process.h"

// The "--cleanup" mode: waits for the installer, then removes its leftover
// folders and, with "--delme", the program itself.
class QuillaretWorkspaceClenup : public ChildProcess {
public:
    QuillaretWorkspaceClenup(int argc, char** argv) : argv(argv), argc(argc) {}
    void run() override;

private:
    char** argv;
    int argc;
};
