// Paths in UTF-8, the program's text, as std::filesystem paths and back.
// A path made from a plain std::string takes its bytes in the system's
// narrow encoding of the C++ library, which on Windows is not UTF-8
// whatever the code page: "ピアノ.mid" would come back as "ã\x83\x94...".
// Through char8_t the bytes are UTF-8 on every system; on POSIX nothing
// changes.
#ifndef SONOMOT_FILES_UTF8_PATH_H_
#define SONOMOT_FILES_UTF8_PATH_H_

#include <filesystem>
#include <string>
#include <string_view>

inline std::filesystem::path PathFromUtf8(std::string_view text) {
  return std::filesystem::path(
      std::u8string_view(reinterpret_cast<const char8_t*>(text.data()), text.size()));
}

inline std::string Utf8FromPath(const std::filesystem::path& path) {
  std::u8string text = path.u8string();
  return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

#endif  // SONOMOT_FILES_UTF8_PATH_H_
