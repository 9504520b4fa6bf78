// SPDX-License-Identifier: GPL-3.0-or-later
#include "Mp3EncoderLibrary.h"

#include <dlfcn.h>

#include <memory>
#include <vector>

struct Mp3EncoderLibrary::EntryPoints {
    decltype(&lame_init) init = nullptr;
    decltype(&lame_close) close = nullptr;
    decltype(&lame_set_num_channels) setChannels = nullptr;
    decltype(&lame_set_in_samplerate) setInRate = nullptr;
    decltype(&lame_set_out_samplerate) setOutRate = nullptr;
    decltype(&lame_set_mode) setMode = nullptr;
    decltype(&lame_set_brate) setBitrate = nullptr;
    decltype(&lame_set_VBR) setVbr = nullptr;
    decltype(&lame_set_VBR_q) setVbrQuality = nullptr;
    decltype(&lame_set_VBR_min_bitrate_kbps) setVbrMin = nullptr;
    decltype(&lame_set_VBR_max_bitrate_kbps) setVbrMax = nullptr;
    decltype(&lame_set_VBR_mean_bitrate_kbps) setVbrMean = nullptr;
    decltype(&lame_set_preset) setPreset = nullptr;
    decltype(&lame_set_emphasis) setEmphasis = nullptr;
    decltype(&lame_set_extension) setPrivate = nullptr;
    decltype(&lame_set_error_protection) setCrc = nullptr;
    decltype(&lame_set_copyright) setCopyright = nullptr;
    decltype(&lame_set_original) setOriginal = nullptr;
    decltype(&lame_set_bWriteVbrTag) setWriteVbrTag = nullptr;
    decltype(&lame_set_disable_reservoir) setNoReservoir = nullptr;
    decltype(&lame_set_strict_ISO) setStrictIso = nullptr;
    decltype(&lame_set_quality) setQuality = nullptr;
    decltype(&lame_init_params) initParams = nullptr;
    decltype(&lame_get_framesize) frameSize = nullptr;
    decltype(&lame_get_num_channels) channels = nullptr;
    decltype(&lame_encode_buffer_interleaved) encodeInterleaved = nullptr;
    decltype(&lame_encode_buffer) encodeMono = nullptr;
    decltype(&lame_encode_flush) flush = nullptr;
    decltype(&lame_get_lametag_frame) lametagFrame = nullptr;
    decltype(&get_lame_version) version = nullptr;
};

namespace {

template <typename F> bool resolve(void *handle, F &slot, const char *name)
{
    slot = reinterpret_cast<F>(dlsym(handle, name));
    return slot != nullptr;
}

// Blade-style VBR methods of the record.
constexpr std::int32_t kVbrMethodOld = 1;
constexpr std::int32_t kVbrMethodAbr = 4;

} // namespace

Mp3EncoderLibrary::Mp3EncoderLibrary(std::string fileName) : fileName_(std::move(fileName)) {}

Mp3EncoderLibrary::~Mp3EncoderLibrary() = default;

Mp3EncoderLibrary::LoadResult Mp3EncoderLibrary::load()
{
    if (bound_)
        return LoadResult::Loaded;
    if (!handle_)
        handle_ = dlopen(fileName_.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_)
        return LoadResult::Missing;
    auto table = std::make_unique<EntryPoints>();
    EntryPoints &e = *table;
    void *h = handle_;
    const bool complete =
        resolve(h, e.init, "lame_init") && resolve(h, e.close, "lame_close") &&
        resolve(h, e.setChannels, "lame_set_num_channels") &&
        resolve(h, e.setInRate, "lame_set_in_samplerate") &&
        resolve(h, e.setOutRate, "lame_set_out_samplerate") &&
        resolve(h, e.setMode, "lame_set_mode") && resolve(h, e.setBitrate, "lame_set_brate") &&
        resolve(h, e.setVbr, "lame_set_VBR") && resolve(h, e.setVbrQuality, "lame_set_VBR_q") &&
        resolve(h, e.setVbrMin, "lame_set_VBR_min_bitrate_kbps") &&
        resolve(h, e.setVbrMax, "lame_set_VBR_max_bitrate_kbps") &&
        resolve(h, e.setVbrMean, "lame_set_VBR_mean_bitrate_kbps") &&
        resolve(h, e.setPreset, "lame_set_preset") &&
        resolve(h, e.setEmphasis, "lame_set_emphasis") &&
        resolve(h, e.setPrivate, "lame_set_extension") &&
        resolve(h, e.setCrc, "lame_set_error_protection") &&
        resolve(h, e.setCopyright, "lame_set_copyright") &&
        resolve(h, e.setOriginal, "lame_set_original") &&
        resolve(h, e.setWriteVbrTag, "lame_set_bWriteVbrTag") &&
        resolve(h, e.setNoReservoir, "lame_set_disable_reservoir") &&
        resolve(h, e.setStrictIso, "lame_set_strict_ISO") &&
        resolve(h, e.setQuality, "lame_set_quality") &&
        resolve(h, e.initParams, "lame_init_params") &&
        resolve(h, e.frameSize, "lame_get_framesize") &&
        resolve(h, e.channels, "lame_get_num_channels") &&
        resolve(h, e.encodeInterleaved, "lame_encode_buffer_interleaved") &&
        resolve(h, e.encodeMono, "lame_encode_buffer") &&
        resolve(h, e.flush, "lame_encode_flush") &&
        resolve(h, e.lametagFrame, "lame_get_lametag_frame") &&
        resolve(h, e.version, "get_lame_version");
    if (!complete)
        return LoadResult::IncompleteInterface;
    entry_ = std::move(table);
    bound_ = true;
    return LoadResult::Loaded;
}

bool Mp3EncoderLibrary::configure(Stream stream, const Mp3EncoderConfig &config) const
{
    const EntryPoints &e = *entry_;
    const int channels = config.mode() == Mp3EncoderConfig::Mono ? 1 : 2;
    const int outRate =
        int(config.reSampleRate() != 0 ? config.reSampleRate() : config.sampleRate());
    // MPEG-1 carries 32, 44.1 and 48 kHz; MPEG-2 the halves of them.
    const bool mpeg1Rate = outRate == 32000 || outRate == 44100 || outRate == 48000;
    if (config.mode() > Mp3EncoderConfig::Mono || mpeg1Rate != (config.mpegVersion() == 1))
        return false;
    static constexpr MPEG_mode modes[] = {STEREO, JOINT_STEREO, DUAL_CHANNEL, MONO};
    e.setChannels(stream, channels);
    e.setInRate(stream, int(config.sampleRate()));
    e.setOutRate(stream, outRate);
    e.setMode(stream, modes[config.mode()]);
    if (config.preset() > 0)
        e.setPreset(stream, config.preset());
    if (!config.enableVbr()) {
        e.setVbr(stream, vbr_off);
        e.setBitrate(stream, int(config.bitrate()));
    } else if (config.vbrMethod() == kVbrMethodAbr) {
        e.setVbr(stream, vbr_abr);
        e.setVbrMean(stream, int(config.vbrAbrBps() / 1000));
    } else {
        e.setVbr(stream, config.vbrMethod() == kVbrMethodOld ? vbr_rh : vbr_default);
        e.setVbrQuality(stream, config.vbrQuality());
    }
    if (config.enableVbr()) {
        e.setVbrMin(stream, int(config.bitrate()));
        if (config.maxBitrate() != 0)
            e.setVbrMax(stream, int(config.maxBitrate()));
    }
    // The psychoacoustic model field is reserved in the record and has no counterpart.
    e.setEmphasis(stream, int(config.emphasis()));
    e.setPrivate(stream, config.isPrivate());
    e.setCrc(stream, config.crc());
    e.setCopyright(stream, config.copyright());
    e.setOriginal(stream, config.original());
    e.setWriteVbrTag(stream, config.writeVbrHeader());
    e.setNoReservoir(stream, config.noReservoir());
    e.setStrictIso(stream, config.strictIso());
    // A quality counts only when its high byte is the complement of its low
    // byte; otherwise (0 included) the encoder keeps its own default.
    const std::uint16_t quality = config.quality();
    if ((quality & 0xff) == (~(quality >> 8) & 0xff))
        e.setQuality(stream, quality & 0xff);
    return true;
}

std::uint32_t Mp3EncoderLibrary::initStream(const Mp3EncoderConfig &config,
                                            std::uint32_t &samplesPerChunk,
                                            std::uint32_t &outputBufferSize, Stream &stream) const
{
    stream = nullptr;
    if (!bound_ || config.config() != Mp3EncoderConfig::kLameConfig)
        return InvalidFormat;
    if (config.structVersion() != 1 || config.structSize() != Mp3EncoderConfig::kSize)
        return InvalidFormatParameters;
    Stream opened = entry_->init();
    if (!opened)
        return NoMoreHandles;
    if (!configure(opened, config) || entry_->initParams(opened) < 0) {
        entry_->close(opened);
        return InvalidFormatParameters;
    }
    const int frame = entry_->frameSize(opened);
    const int channels = config.mode() == Mp3EncoderConfig::Mono ? 1 : 2;
    samplesPerChunk = std::uint32_t(frame * channels);
    // The encoder's own bound for one call: 1.25 × samples + 7200 bytes.
    outputBufferSize = std::uint32_t(frame + frame / 4 + 7200);
    stream = opened;
    return Successful;
}

std::uint32_t Mp3EncoderLibrary::encodeChunk(Stream stream, std::uint32_t samples,
                                             const std::int16_t *pcm,
                                             std::span<std::uint8_t> output,
                                             std::uint32_t &outputBytes) const
{
    outputBytes = 0;
    if (!bound_ || !stream)
        return InvalidHandle;
    const int channels = entry_->channels(stream);
    const int frames = int(samples) / channels;
    const int produced =
        channels == 1
            ? entry_->encodeMono(stream, pcm, pcm, frames, output.data(), int(output.size()))
            : entry_->encodeInterleaved(stream, const_cast<short *>(pcm), frames, output.data(),
                                        int(output.size()));
    if (produced == -1)
        return BufferTooSmall;
    if (produced < 0)
        return InvalidFormatParameters;
    outputBytes = std::uint32_t(produced);
    return Successful;
}

std::uint32_t Mp3EncoderLibrary::deinitStream(Stream stream, std::span<std::uint8_t> output,
                                              std::uint32_t &outputBytes) const
{
    outputBytes = 0;
    if (!bound_ || !stream)
        return InvalidHandle;
    const int produced = entry_->flush(stream, output.data(), int(output.size()));
    if (produced < 0)
        return BufferTooSmall;
    outputBytes = std::uint32_t(produced);
    return Successful;
}

void Mp3EncoderLibrary::closeStream(Stream stream) const
{
    if (bound_ && stream)
        entry_->close(stream);
}

std::string Mp3EncoderLibrary::version() const
{
    const char *text = bound_ ? entry_->version() : nullptr;
    return text ? text : std::string();
}

bool Mp3EncoderLibrary::writeInfoTag(Stream stream, std::FILE *file) const
{
    if (!bound_ || !stream || !file)
        return false;
    const std::size_t size = entry_->lametagFrame(stream, nullptr, 0);
    if (size == 0)
        return true; // the stream was opened without the tag frame
    std::vector<unsigned char> frame(size);
    if (entry_->lametagFrame(stream, frame.data(), frame.size()) != size)
        return false;
    const long end = std::ftell(file);
    const bool written = std::fseek(file, 0, SEEK_SET) == 0 &&
                         std::fwrite(frame.data(), 1, size, file) == size;
    return std::fseek(file, end, SEEK_SET) == 0 && written;
}
