#pragma once

#include <functional>

// Runs work in a child process and waits for it, so that what the child leaves on disk is what a
// kill -9 or a power cut would leave. True when the child ended in CutHere.
bool RunInChild(const std::function<void()>& work);
[[noreturn]] void CutHere();
