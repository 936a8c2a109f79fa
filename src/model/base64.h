// Standard Base64 (RFC 4648 alphabet, "=" padding, no line breaks), the form
// byte strings take in the project document.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune::base64 {

std::string encode(const std::vector<std::uint8_t>& bytes);
// No value for text that is not padded Base64 of the standard alphabet.
std::optional<std::vector<std::uint8_t>> decode(std::string_view text);

} // namespace kestrune::base64
