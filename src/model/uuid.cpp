#include "uuid.h"

#include "hex_digit.h"

#include <random>

namespace kestrune {

namespace {

constexpr std::array<std::size_t, 4> kHyphenPositions{8, 13, 18, 23};

bool isHyphenPosition(std::size_t i) {
    for (std::size_t p : kHyphenPositions)
        if (p == i)
            return true;
    return false;
}

} // namespace

Uuid Uuid::generate() {
    // One generator per thread, seeded from the system's entropy source.
    thread_local std::mt19937_64 engine{[] {
        std::random_device device;
        std::seed_seq seed{device(), device(), device(), device(), device(), device()};
        return std::mt19937_64{seed};
    }()};
    Uuid id;
    for (std::size_t i = 0; i < id.bytes.size(); i += 8) {
        std::uint64_t word = engine();
        for (std::size_t k = 0; k < 8; ++k)
            id.bytes[i + k] = static_cast<std::uint8_t>(word >> (8 * k));
    }
    id.bytes[6] = static_cast<std::uint8_t>((id.bytes[6] & 0x0F) | 0x40); // version 4
    id.bytes[8] = static_cast<std::uint8_t>((id.bytes[8] & 0x3F) | 0x80); // RFC 4122 variant
    return id;
}

std::optional<Uuid> Uuid::parse(std::string_view text) {
    if (text.size() != 36)
        return std::nullopt;
    Uuid id;
    std::size_t nibble = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (isHyphenPosition(i)) {
            if (text[i] != '-')
                return std::nullopt;
            continue;
        }
        int value = hexDigitValue(text[i]);
        if (value < 0)
            return std::nullopt;
        auto& byte = id.bytes[nibble / 2];
        byte = static_cast<std::uint8_t>(nibble % 2 == 0 ? value << 4 : byte | value);
        ++nibble;
    }
    return id;
}

std::string Uuid::toString() const {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(36);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text.push_back('-');
        text.push_back(kDigits[bytes[i] >> 4]);
        text.push_back(kDigits[bytes[i] & 0x0F]);
    }
    return text;
}

bool Uuid::isNull() const {
    for (auto b : bytes)
        if (b != 0)
            return false;
    return true;
}

} // namespace kestrune
