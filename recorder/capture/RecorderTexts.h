// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdio>
#include <cstring>
#include <string>

// Texts the recorder's model shows through the message boxes, and their captions.
namespace RecorderTexts {

// Caption of messages that name none: the library's application name.
inline constexpr const char *kApplication = "NUVRecord";
inline constexpr const char *kNotify = "NOTIFY";

// The "used" texts are for a file someone holds open (the take playing), and
// only for that; every other failure names the file and the cause.
inline constexpr const char *kRecordedFileUsed =
    "The recorded file is used, please close the recorded file!";
inline constexpr const char *kFileUsed = "The file is used, please close the file first!";
inline constexpr const char *kCreateFileFailed = "Error creating file %s: %s";
inline constexpr const char *kCannotRecordInto =
    "Cannot record into %s: %s. The recording did not start.";
inline constexpr const char *kCannotCut = "Cannot cut the recording in %s: %s";
inline constexpr const char *kCannotUndoCut = "Cannot undo the cut of %s: %s";
inline constexpr const char *kCutWriteFailed =
    "Cannot write the recorded file %s: %s. The recording was not cut.";
inline constexpr const char *kDiskFull =
    "Cannot write the recorded file %s: %s. The recording stopped; "
    "what was recorded up to then is kept.";
inline constexpr const char *kDeviceUsed =
    "Recorded device is used, please close other record program!";
inline constexpr const char *kDeviceRemoved =
    "The recording device was removed; the take so far is kept.";

inline constexpr const char *kMp3Only = "Cannot save %s: only .mp3 files are written here";
inline constexpr const char *kNoEightBitMp3 = "Cannot record 8 bits mp3";
inline constexpr const char *kOutputInUse = "缓冲文件被占用,请先关闭正在播放的缓冲文件";
inline constexpr const char *kOutputInUseCaption = "提示";
inline constexpr const char *kEncoderMissing = "Error loading %s";
inline constexpr const char *kEncoderInterfaces = "Unable to get LAME interfaces";
inline constexpr const char *kEncoderStreamFailed = "Error opening encoding stream (%lu)";
inline constexpr const char *kEncodeChunkFailed = "m_ForMp3_Proc_hEncodeChunk() failed (%lu)";
inline constexpr const char *kOutputWriteError = "Output file write error";
inline constexpr const char *kCannotSave = "Cannot save %s: %s";
inline constexpr const char *kCannotReadTake = "Cannot read the recording %s: %s";
inline constexpr const char *kReplaceQuestion = "%s already exists.\nDo you want to replace it?";

// Fills a text's printf-style fields.
template <typename... Args> std::string format(const char *pattern, Args... args)
{
    const int length = std::snprintf(nullptr, 0, pattern, args...);
    std::string text(length > 0 ? std::size_t(length) : 0, '\0');
    std::snprintf(text.data(), text.size() + 1, pattern, args...);
    return text;
}

// An errno value in words.
inline std::string causeOf(int error)
{
    char buffer[256];
    return strerror_r(error, buffer, sizeof buffer);
}

} // namespace RecorderTexts
