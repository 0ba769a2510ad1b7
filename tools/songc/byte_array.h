#pragma once
// Writes a byte block as C++ source: a definition `const uint8_t <name>[]` and its size
// `const uint32_t <name>Size`, declared by the header the program includes. Shared by the
// music data compilers.

#include <cstdint>
#include <string>
#include <vector>

inline std::string ByteArrayCpp(const std::string& header, const std::string& name,
                                const std::vector<uint8_t>& bytes) {
  std::string out = "// Generated at build time; do not edit.\n#include \"" + header + "\"\n\n";
  out += "const uint8_t " + name + "[] = {";
  for (size_t i = 0; i < bytes.size(); ++i) {
    out += (i % 16 == 0) ? "\n   " : "";
    out += " " + std::to_string(bytes[i]) + ",";
  }
  out += "\n};\nconst uint32_t " + name + "Size = " + std::to_string(bytes.size()) + ";\n";
  return out;
}
