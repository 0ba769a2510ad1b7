#pragma once
// Stored references of whole outputs (frames of the production, the song's checksums) under
// tests/data/. With HALVEX_UPDATE_REFERENCES=1 in the environment each check rewrites its
// reference from what was made and passes (scripts/update-references does that); otherwise it
// compares with the stored one.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// How far a frame may stray from its reference: a pixel counts as different when one of its
// colour channels (alpha ignored) differs by more than `channel` (0..255); the frame matches
// while at most `share` (0..1) of its pixels differ.
struct ImageTolerance {
  int channel;
  double share;
};

// Compares `frame` (width x height words 0xAARRGGBB, top row first) with the stored PNG
// tests/data/<name>.png. A failure names `what`, the share of pixels over the tolerance and the
// largest channel difference; when HALVEX_DIFF_DIR names a folder it also writes the reference,
// the frame and their difference there as <name>_{reference,actual,difference}.png ('/' in the
// name becomes '_').
::testing::AssertionResult MatchesReferenceImage(const std::string& name, const std::string& what,
                                                 const std::vector<uint32_t>& frame, uint32_t width,
                                                 uint32_t height, ImageTolerance tolerance);

// Compares `lines` exactly with the text file tests/data/<name>, one line each; a failure
// names the first line that differs (or the first missing or extra one) with both texts.
::testing::AssertionResult MatchesReferenceLines(const std::string& name,
                                                 const std::vector<std::string>& lines);

}  // namespace testsupport
