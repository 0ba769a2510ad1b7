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

// Writes the colour channels of `pixels` as an 8-bit RGB PNG (alpha is never compared).
bool WriteRgbPng(const std::string& path, const std::vector<uint32_t>& pixels, uint32_t width,
                 uint32_t height) {
  std::vector<uint8_t> bgr;
  for (uint32_t p : pixels) bgr.insert(bgr.end(), {uint8_t(p), uint8_t(p >> 8), uint8_t(p >> 16)});
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = width;
  image.height = height;
  image.format = PNG_FORMAT_BGR;
  const bool written = png_image_write_to_file(&image, path.c_str(), 0, bgr.data(), 0, nullptr);
  png_image_free(&image);
  return written;
}

int ChannelDifference(uint32_t a, uint32_t b) {
  int most = 0;
  for (int shift = 0; shift < 24; shift += 8)
    most = std::max(most, std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)));
  return most;
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
  WriteRgbPng(stem + "_reference.png", reference, width, height);
  WriteRgbPng(stem + "_actual.png", frame, width, height);
  WriteRgbPng(stem + "_difference.png", DifferenceImage(reference, frame), width, height);
}

}  // namespace

::testing::AssertionResult MatchesReferenceImage(const std::string& name, const std::string& what,
                                                 const std::vector<uint32_t>& frame,
                                                 uint32_t width, uint32_t height,
                                                 ImageTolerance tolerance) {
  const std::string path = DataPath(name + ".png");
  if (Updating() && !WriteRgbPng(path, frame, width, height))
    return ::testing::AssertionFailure() << "could not write " << path;
  const std::vector<uint32_t> reference = ReadPng(path, width, height);
  if (reference.empty())
    return ::testing::AssertionFailure()
           << what << ": no " << width << " x " << height << " reference " << path;
  int over = 0, most = 0;
  for (size_t i = 0; i < frame.size(); ++i) {
    const int d = ChannelDifference(frame[i], reference[i]);
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
  for (size_t i = 0; i < std::max(lines.size(), stored.size()); ++i) {
    const std::string made = i < lines.size() ? lines[i] : "(none)";
    const std::string kept = i < stored.size() ? stored[i] : "(none)";
    if (made != kept)
      return ::testing::AssertionFailure()
             << path << " line " << i + 1 << ": made \"" << made << "\", stored \"" << kept
             << "\"";
  }
  return ::testing::AssertionSuccess();
}

}  // namespace testsupport
