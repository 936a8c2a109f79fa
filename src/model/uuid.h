// Identifiers of projects, clips and sections: 128-bit UUIDs, written as
// canonical upper-case text in project files and file names.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrune {

struct Uuid {
    std::array<std::uint8_t, 16> bytes{};

    // A fresh random (version 4) identifier.
    static Uuid generate();
    // Reads the canonical 8-4-4-4-12 form in either case; anything else is no UUID.
    static std::optional<Uuid> parse(std::string_view text);
    // Canonical 36-character text with upper-case letters.
    std::string toString() const;

    bool isNull() const;
    auto operator<=>(const Uuid&) const = default;
};

} // namespace kestrune
