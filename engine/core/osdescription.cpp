#include "engine/core/osdescription.h"

#include <cstring>

namespace {

// The NT family by version. 5.x keeps its long-standing names; later
// systems are named by what they are (major 6 and 10 were once read by
// their minor version alone, which made Windows 7 a "Windows XP").
std::string NtName(const OSVERSIONINFOA& v) {
  const DWORD major = v.dwMajorVersion, minor = v.dwMinorVersion;
  if (major <= 4) return "Windows NT" + std::to_string(major) + "." + std::to_string(minor);
  if (major == 5) {
    switch (minor) {
      case 0:
        return "Windows 2000";
      case 1:
        return "Windows XP";
      case 2:
        return "Windows Server 2003 family";
      default:
        return {};
    }
  }
  if (major == 6) {
    switch (minor) {
      case 0:
        return "Windows Vista";
      case 1:
        return "Windows 7";
      case 2:
        return "Windows 8";
      case 3:
        return "Windows 8.1";
      default:
        break;
    }
  }
  if (major == 10 && minor == 0) return v.dwBuildNumber >= 22000 ? "Windows 11" : "Windows 10";
  return "Windows " + std::to_string(major) + "." + std::to_string(minor);
}

}  // namespace

std::string DescribeOs(const OSVERSIONINFOA& v, const std::string& wine_version) {
  std::string text;
  switch (v.dwPlatformId) {
    case VER_PLATFORM_WIN32s:
      text = "Win32s detected";
      break;
    case VER_PLATFORM_WIN32_WINDOWS:
      text = v.dwMinorVersion != 0 ? "Windows 98" : "Windows 95";
      break;
    case VER_PLATFORM_WIN32_NT: {
      const std::string csd(v.szCSDVersion, strnlen(v.szCSDVersion, sizeof v.szCSDVersion));
      text = NtName(v) + " (Build:" + std::to_string(v.dwBuildNumber) + " " + csd + ")";
      break;
    }
    default:
      break;
  }
  if (!wine_version.empty()) text += (text.empty() ? "Wine " : " on Wine ") + wine_version;
  return text;
}

std::string WineVersion() {
  using GetVersionFn = const char*(CDECL*)();
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  if (!ntdll) return {};
  const auto fn = reinterpret_cast<GetVersionFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "wine_get_version")));
  const char* v = fn ? fn() : nullptr;
  return v ? std::string(v) : std::string();
}

std::string OsDescription() {
  OSVERSIONINFOA v{};
  v.dwOSVersionInfoSize = sizeof v;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExA(&v)) return {};
#pragma GCC diagnostic pop
  return DescribeOs(v, WineVersion());
}
