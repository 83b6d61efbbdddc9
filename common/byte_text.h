// The forms bytes take in text, both ways: hexadecimal (lower case, two
// digits a byte) and base64 (RFC 4648: its alphabet, padded with "="), for
// the records' names that are not text (pathJson), the dumper's trace and
// the simulated drive that replays it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

std::string hexText(const uint8_t* bytes, size_t length);
std::string base64Text(const uint8_t* bytes, size_t length);
// False, *bytes as far as it came, when `text` is not of the form.
bool fromHexText(const std::string& text, std::vector<uint8_t>* bytes);
bool fromBase64Text(const std::string& text, std::vector<uint8_t>* bytes);
