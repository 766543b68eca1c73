#include "engine/core/lpoptions.h"

#include <cctype>
#include <sstream>

namespace {

std::string ToLower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

std::string CupsOptionsWithDefault(const std::string& old, const std::string& queue) {
  std::istringstream in(old);
  std::string line, out = "Default " + queue + "\n";
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream words(line);
    std::string keyword, name;
    words >> keyword >> name;
    const std::string kw = ToLower(keyword);
    if (kw == "default") {
      // The old default keeps its options; an entry without options is
      // nothing to keep.
      std::string rest;
      std::getline(words, rest);
      if (name != queue && rest.find_first_not_of(" \t") != std::string::npos) out += "Dest " + name + rest + "\n";
      continue;
    }
    if (kw == "dest" && name == queue && line.find_first_not_of(" \t", line.find(name) + name.size()) == std::string::npos)
      continue;  // a bare entry for the new default says nothing more
    out += line + "\n";
  }
  return out;
}
