#include "support/references.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "support/test_support.h"

namespace testsupport {
namespace {

bool Updating() {
  const char* value = std::getenv("HALVEX_UPDATE_REFERENCES");
  return value && std::string(value) == "1";
}

std::string DataPath(const std::string& name) { return HALVEX_TEST_DATA "/" + name; }

// The PNG at `path` as 0xAARRGGBB words; empty when it cannot be read or is not width x height.
std::vector<uint32_t> ReadPng(const std::string& path, uint32_t width, uint32_t height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  std::vector<uint32_t> pixels;
  if (png_image_begin_read_from_file(&image, path.c_str()) && image.width == width &&
      image.height == height) {
    image.format = PNG_FORMAT_BGRA;
    pixels.resize(size_t{width} * height);
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) pixels.clear();
  }
  png_image_free(&image);
  return pixels;
}

// The channel differences, four times as bright.
std::vector<uint32_t> DifferenceImage(const std::vector<uint32_t>& a,
                                      const std::vector<uint32_t>& b) {
  std::vector<uint32_t> out(a.size(), 0);
  for (size_t i = 0; i < a.size(); ++i)
    for (int shift = 0; shift < 24; shift += 8) {
      const int d = std::abs(int(a[i] >> shift & 0xFF) - int(b[i] >> shift & 0xFF));
      out[i] |= uint32_t(std::min(255, 4 * d)) << shift;
    }
  return out;
}

void WriteDifference(const std::string& name, const std::vector<uint32_t>& reference,
                     const std::vector<uint32_t>& frame, uint32_t width, uint32_t height) {
  const char* dir = std::getenv("HALVEX_DIFF_DIR");
  if (!dir) return;
  std::string stem = std::string(dir) + "/" + name;
  std::replace(stem.begin() + std::string(dir).size() + 1, stem.end(), '/', '_');
  WritePng((stem + "_reference.png").c_str(), width, height, reference.data(), false);
  WritePng((stem + "_actual.png").c_str(), width, height, frame.data(), false);
  WritePng((stem + "_difference.png").c_str(), width, height,
           DifferenceImage(reference, frame).data(), false);
}

}  // namespace

::testing::AssertionResult MatchesReferenceImage(const std::string& name, const std::string& what,
                                                 const std::vector<uint32_t>& frame, uint32_t width,
                                                 uint32_t height, ImageTolerance tolerance) {
  const std::string path = DataPath(name + ".png");
  if (Updating() && !WritePng(path.c_str(), width, height, frame.data(), false))
    return ::testing::AssertionFailure() << "could not write " << path;
  const std::vector<uint32_t> reference = ReadPng(path, width, height);
  if (reference.empty())
    return ::testing::AssertionFailure()
           << what << ": no " << width << " x " << height << " reference " << path
           << " (scripts/update-references makes it)";
  int over = 0, most = 0;
  for (size_t i = 0; i < frame.size(); ++i) {
    const int d = ColourDifference(frame[i], reference[i]);
    over += d > tolerance.channel;
    most = std::max(most, d);
  }
  if (over <= tolerance.share * double(frame.size())) return ::testing::AssertionSuccess();
  WriteDifference(name, reference, frame, width, height);
  char text[160];
  std::snprintf(text, sizeof text,
                ": %d pixels (%.3f%%) differ by more than %d (allowed %.3f%%), by up to %d", over,
                100.0 * over / double(frame.size()), tolerance.channel, 100.0 * tolerance.share,
                most);
  return ::testing::AssertionFailure() << what << text;
}

::testing::AssertionResult MatchesReferenceLines(const std::string& name,
                                                 const std::vector<std::string>& lines) {
  const std::string path = DataPath(name);
  if (Updating()) {
    std::ofstream out(path);
    for (const std::string& line : lines) out << line << '\n';
  }
  std::ifstream in(path);
  if (!in) return ::testing::AssertionFailure() << "no reference " << path;
  std::vector<std::string> stored;
  for (std::string line; std::getline(in, line);) stored.push_back(line);
  if (stored == lines) return ::testing::AssertionSuccess();
  const size_t i =
      std::mismatch(lines.begin(), lines.end(), stored.begin(), stored.end()).first - lines.begin();
  return ::testing::AssertionFailure()
         << path << " line " << i + 1 << ": made \"" << (i < lines.size() ? lines[i] : "")
         << "\", stored \"" << (i < stored.size() ? stored[i] : "") << "\"";
}

}  // namespace testsupport
