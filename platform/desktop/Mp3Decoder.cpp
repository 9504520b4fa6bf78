// SPDX-License-Identifier: GPL-3.0-or-later
#include "Mp3Decoder.h"

#include <mpg123.h>

#include <array>
#include <memory>

namespace {

struct HandleCloser {
    void operator()(mpg123_handle *handle) const
    {
        mpg123_close(handle);
        mpg123_delete(handle);
    }
};

} // namespace

std::optional<PcmSound> Mp3Decoder::decode(const std::filesystem::path &file)
{
#if MPG123_API_VERSION < 46
    mpg123_init();
#endif
    int error = MPG123_OK;
    std::unique_ptr<mpg123_handle, HandleCloser> handle(mpg123_new(nullptr, &error));
    if (!handle)
        return std::nullopt;
    mpg123_param(handle.get(), MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    if (mpg123_open(handle.get(), file.c_str()) != MPG123_OK)
        return std::nullopt;
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(handle.get(), &rate, &channels, &encoding) != MPG123_OK)
        return std::nullopt;
    // Keep the stream's rate and channels, ask for 16-bit samples.
    mpg123_format_none(handle.get());
    if (mpg123_format(handle.get(), rate, channels, MPG123_ENC_SIGNED_16) != MPG123_OK)
        return std::nullopt;

    PcmSound sound{rate, channels, {}};
    std::array<unsigned char, 16384> buffer{};
    for (;;) {
        size_t done = 0;
        const int result = mpg123_read(handle.get(), buffer.data(), buffer.size(), &done);
        const auto *first = reinterpret_cast<const std::int16_t *>(buffer.data());
        sound.samples.insert(sound.samples.end(), first, first + done / sizeof(std::int16_t));
        if (result == MPG123_DONE)
            break;
        if (result != MPG123_OK && result != MPG123_NEW_FORMAT)
            return std::nullopt;
    }
    if (sound.samples.empty())
        return std::nullopt;
    return sound;
}
