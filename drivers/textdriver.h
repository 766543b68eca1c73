#pragma once
#include <windows.h>

// How long the text driver waits for the program it started to print a file,
// and how often it lets window messages run meanwhile.
constexpr DWORD kTextPrintTimeoutMs = 120000;
constexpr DWORD kTextPrintSliceMs = 100;
