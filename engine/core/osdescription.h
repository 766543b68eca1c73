#pragma once
// The name and build of the running operating system, for the log and the
// About box.
#include <windows.h>

#include <string>

// `v` described: "Windows 7 (Build:7601 Service Pack 1)" and the like, with
// " on Wine " + `wine_version` appended when that is not empty.
std::string DescribeOs(const OSVERSIONINFOA& v, const std::string& wine_version = {});

// The running system, from GetVersionExA; under Wine, with Wine's version.
std::string OsDescription();

// Wine's version when running under Wine, else empty.
std::string WineVersion();
