#pragma once
#include <windows.h>

// How long the text driver waits for the program it started to print a file.
constexpr DWORD kTextPrintTimeoutMs = 120000;
