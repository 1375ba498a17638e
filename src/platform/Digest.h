#pragma once
#include <string>
#include <string_view>

namespace platform::Digest {

// The SHA-256 of `bytes` as 64 lower-case hexadecimal digits: a name for content that two
// different contents do not share.
std::string sha256(std::string_view bytes);

}  // namespace platform::Digest
