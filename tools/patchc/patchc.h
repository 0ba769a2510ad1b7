#pragma once
// Patch table compiler: instruments described by named parameters in their plain units into
// the 3,735-byte patch table (249 parameters x 15 instruments, byte p x 15 + c, value
// byte x 0.01 of the parameter's range).
//
// Source text, one item per line, '#' starts a comment:
//   instrument <c> [name]     following settings belong to instrument c (0..14)
//   <parameter> <value>       a plain value inside the parameter's range
// Parameters not set stay at byte 0 (their minimum). For each value the compiler picks the byte
// whose decoded value lies nearest; integer parameters must decode exactly to the value given
// (read with round-half-up, as the synthesizer reads them); a float value that a byte cannot
// hold within a quarter of a step draws a warning.

#include <cstdint>
#include <string>
#include <vector>

constexpr int kPatchParams = 249;
constexpr int kPatchInstruments = 15;

struct PatchParamInfo {
  const char* name;
  int index;
  float min, max;
  bool integer;
};

// Every named parameter; lookups by name.
const std::vector<PatchParamInfo>& PatchParamTable();
const PatchParamInfo* PatchParamFind(const std::string& name);

// The plain value the synthesizer reads from byte b (norm b x 0.01): ParamGet, or ParamGetInt
// for integer parameters (half up, negative values floor).
float PatchDecodeByte(const PatchParamInfo& info, int byte);
// The byte for `value`; -1 when an integer parameter has no byte giving exactly `value`.
int PatchEncodeValue(const PatchParamInfo& info, float value);

// Parses and encodes the source into the table; false with "line N: why" in *error; warnings
// (quantisation) are appended to *warnings.
bool PatchCompile(const std::string& text, std::vector<uint8_t>* table, std::string* error,
                  std::vector<std::string>* warnings);
