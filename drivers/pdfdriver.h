#pragma once
// The PDF driver: PDF files print through the shell's "print" verb, which
// hands them to the installed PDF reader.
#include <windows.h>

#include <string>

#include "drivers/drivers.h"

// True when a PDF reader (the full program or the free reader) registered
// its App Paths key.
bool IsAcrobatInstalled();
// Ends a running reader: the free reader when one runs, else the full one.
void CloseAcrobat();

// The longest wait for the print-job monitor after the hand-over.
constexpr DWORD kPdfPrintWaitMs = 60000;
// Tests shorten it; 0 restores the default.
void SetPdfPrintWaitMs(DWORD ms);

// Where the question about a missing reader sends the user.
constexpr char kReaderDownloadPage[] = "https://get.adobe.com/reader/";
