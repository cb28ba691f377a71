#include "state_file.h"

#include <unistd.h>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace vorel::sim {
namespace {

constexpr const char* kMagic = "vorel-sim state 1";
constexpr std::streamsize kMaxFile = 4 << 20;

struct Loaded {
  int address = 0;
  std::uint16_t password = 0;
  std::array<std::uint16_t, kImageWords> image{};
  std::array<std::array<std::uint16_t, kLogRecordWords>, kLogRecords> log{};
};

bool ReadWord(std::istream& in, std::uint16_t& out) {
  std::string token;
  if (!(in >> token) || token.empty() || token.size() > 4) return false;
  unsigned v = 0;
  for (char c : token) {
    v <<= 4;
    if (c >= '0' && c <= '9')
      v |= static_cast<unsigned>(c - '0');
    else if (c >= 'A' && c <= 'F')
      v |= static_cast<unsigned>(c - 'A' + 10);
    else if (c >= 'a' && c <= 'f')
      v |= static_cast<unsigned>(c - 'a' + 10);
    else
      return false;
  }
  out = static_cast<std::uint16_t>(v);
  return true;
}

bool Expect(std::istream& in, const char* word) {
  std::string token;
  return (in >> token) && token == word;
}

}  // namespace

bool LoadState(const std::string& path, Sites& sites, std::string& error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    if (access(path.c_str(), F_OK) != 0) return true;  // nothing saved yet
    error = "cannot open " + path;
    return false;
  }
  std::string text(static_cast<std::size_t>(kMaxFile) + 1, '\0');
  file.read(text.data(), kMaxFile + 1);
  if (file.gcount() > kMaxFile) {
    error = path + ": file too large";
    return false;
  }
  text.resize(static_cast<std::size_t>(file.gcount()));
  return ParseState(text, path, sites, error);
}

bool ParseState(const std::string& text, const std::string& path, Sites& sites,
                std::string& error) {
  std::istringstream in(text);
  std::string first;
  if (!std::getline(in, first) || first != kMagic) {
    error = path + ": not a vorel-sim state file";
    return false;
  }
  std::vector<Loaded> loaded;
  std::string token;
  while (in >> token) {
    if (token != "site" || loaded.size() >= 32) {
      error = path + ": expected a site section";
      return false;
    }
    Loaded s;
    long address = 0;
    long password = 0;
    if (!(in >> address) || address < 1 || address > 32 || !Expect(in, "password") ||
        !(in >> password) || password < 0 || password > 9999 || !Expect(in, "image")) {
      error = path + ": bad site header";
      return false;
    }
    s.address = static_cast<int>(address);
    s.password = static_cast<std::uint16_t>(password);
    for (auto& w : s.image) {
      if (!ReadWord(in, w)) {
        error = path + ": bad image of site " + std::to_string(address);
        return false;
      }
    }
    if (!Expect(in, "log")) {
      error = path + ": missing log of site " + std::to_string(address);
      return false;
    }
    for (auto& record : s.log) {
      for (auto& w : record) {
        if (!ReadWord(in, w)) {
          error = path + ": bad log of site " + std::to_string(address);
          return false;
        }
      }
    }
    if (!Expect(in, "end")) {
      error = path + ": missing end of site " + std::to_string(address);
      return false;
    }
    loaded.push_back(s);
  }
  for (const Loaded& s : loaded) {
    for (auto& sim : sites) {
      if (sim->site.config.address != s.address) continue;
      sim->site.image = s.image;
      sim->site.log = s.log;
      sim->site.password = s.password;
      sim->site.ApplyIdentity();
    }
  }
  return true;
}

bool SaveState(const std::string& path, const Sites& sites, std::string& error) {
  std::ostringstream out;
  out << kMagic << '\n';
  char buf[8];
  for (const auto& sim : sites) {
    const Site& s = sim->site;
    out << "site " << s.config.address << " password " << s.password << "\nimage\n";
    for (int i = 0; i < kImageWords; ++i) {
      std::snprintf(buf, sizeof buf, "%04X", s.image[static_cast<std::size_t>(i)]);
      out << buf << ((i % 16 == 15) ? '\n' : ' ');
    }
    out << "log\n";
    for (const auto& record : s.log) {
      for (int k = 0; k < kLogRecordWords; ++k) {
        std::snprintf(buf, sizeof buf, "%04X", record[static_cast<std::size_t>(k)]);
        out << buf << (k == kLogRecordWords - 1 ? '\n' : ' ');
      }
    }
    out << "end\n";
  }
  const std::string temp = path + ".tmp." + std::to_string(getpid());
  {
    std::ofstream file(temp, std::ios::binary | std::ios::trunc);
    const std::string data = out.str();
    file.write(data.data(), static_cast<std::streamsize>(data.size()));
    file.flush();
    if (!file) {
      std::remove(temp.c_str());
      error = "Unable to write to " + path;
      return false;
    }
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    error = "Unable to write to " + path;
    return false;
  }
  return true;
}

}  // namespace vorel::sim
