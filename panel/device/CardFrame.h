// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>

// Ten bytes: head, eight data bytes, checksum. The head tells a write (bit 6
// set, 0x60 for the parameter block) from a read request (0x41).
class CardFrame {
public:
    using Bytes = std::array<std::uint8_t, 10>;
    using Data = std::array<std::uint8_t, 8>;
    using Report = std::array<std::uint8_t, 16>;

    static constexpr std::uint8_t kParameterWriteHead = 0x60;
    static constexpr std::uint8_t kReadRequestHead = 0x41;
    // What a read request names to get the parameter block back.
    static constexpr std::uint8_t kParameterReadIndex = 1;

    CardFrame() = default;
    explicit CardFrame(const Bytes &bytes) : bytes_(bytes) {}
    CardFrame(std::uint8_t head, const Data &data);
    static CardFrame readRequest(std::uint8_t index);

    // Low eight bits of the sum of head and data bytes.
    static std::uint8_t checksumOf(std::uint8_t head, const Data &data);

    std::uint8_t head() const { return bytes_[0]; }
    Data data() const;
    std::uint8_t checksum() const { return bytes_[9]; }
    bool checksumValid() const { return checksum() == checksumOf(head(), data()); }
    void writeChecksum() { bytes_[9] = checksumOf(head(), data()); }

    // The 16-byte output report: 00 00 head 00 00 0C 45, data, checksum.
    Report outputReport() const;

    std::uint8_t &operator[](std::size_t i) { return bytes_[i]; }
    std::uint8_t operator[](std::size_t i) const { return bytes_[i]; }
    const Bytes &bytes() const { return bytes_; }

private:
    Bytes bytes_{};
};
