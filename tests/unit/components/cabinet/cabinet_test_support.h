#pragma once

// Cabinets for the tests, written straight through libgcab (which stores
// names as given, ".." included), and a listing of every entry of a folder
// tree taken with lstat, so a file that escaped its folder shows up.

#include <libgcab.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/glib_ptr.h"

namespace halbrin::cabinet_test {

struct RawEntry {
  std::string name;
  std::string bytes;
  std::uint32_t attributes = 0x20;
};

// Writes an MSZIP cabinet holding the entries in order.
inline void WriteRawCabinet(const std::filesystem::path& path, const std::vector<RawEntry>& entries) {
  using platform::GErrorPtr;
  using platform::GObjectPtr;
  using platform::Out;
  auto cabinet = GObjectPtr<GCabCabinet>::Adopt(gcab_cabinet_new());
  auto folder = GObjectPtr<GCabFolder>::Adopt(gcab_folder_new(GCAB_COMPRESSION_MSZIP));
  GErrorPtr error;
  for (const RawEntry& entry : entries) {
    platform::GBytesPtr bytes(g_bytes_new(entry.bytes.data(), entry.bytes.size()));
    auto file = GObjectPtr<GCabFile>::Adopt(gcab_file_new_with_bytes(entry.name.c_str(), bytes.get()));
    if (!gcab_folder_add_file(folder.Get(), file.Get(), FALSE, nullptr, Out(error)))
      throw std::runtime_error("cannot add " + entry.name);
    gcab_file_set_attributes(file.Get(), entry.attributes);
    platform::GDateTimePtr date(g_date_time_new_local(2020, 5, 6, 7, 8, 10));
    gcab_file_set_date_time(file.Get(), date.get());
  }
  if (!gcab_cabinet_add_folder(cabinet.Get(), folder.Get(), Out(error))) throw std::runtime_error("cannot add folder");
  auto out = GObjectPtr<GFile>::Adopt(g_file_new_for_path(path.c_str()));
  auto stream = GObjectPtr<GFileOutputStream>::Adopt(
      g_file_replace(out.Get(), nullptr, FALSE, G_FILE_CREATE_NONE, nullptr, Out(error)));
  if (!stream) throw std::runtime_error("cannot create " + path.string());
  if (!gcab_cabinet_write_simple(cabinet.Get(), G_OUTPUT_STREAM(stream.Get()), nullptr, nullptr, nullptr, Out(error)) ||
      !g_output_stream_close(G_OUTPUT_STREAM(stream.Get()), nullptr, Out(error)))
    throw std::runtime_error("cannot write " + path.string());
}

// Every entry below `root` (not following links): relative path → "/" for a
// folder, "-> target" for a link, else the bytes.
inline std::map<std::string, std::string> TreeOf(const std::filesystem::path& root) {
  namespace fs = std::filesystem;
  std::map<std::string, std::string> tree;
  std::vector<fs::path> folders{root};
  while (!folders.empty()) {
    const fs::path folder = folders.back();
    folders.pop_back();
    for (const auto& entry : fs::directory_iterator(folder)) {
      struct stat info {};
      if (::lstat(entry.path().c_str(), &info) != 0) throw std::runtime_error("lstat " + entry.path().string());
      const std::string key = entry.path().lexically_relative(root).string();
      if (S_ISLNK(info.st_mode)) {
        tree[key] = "-> " + fs::read_symlink(entry.path()).string();
      } else if (S_ISDIR(info.st_mode)) {
        tree[key] = "/";
        folders.push_back(entry.path());
      } else {
        std::ifstream in(entry.path(), std::ios::binary);
        tree[key] = std::string(std::istreambuf_iterator<char>(in), {});
      }
    }
  }
  return tree;
}

}  // namespace halbrin::cabinet_test
