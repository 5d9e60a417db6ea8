#pragma once

#include <QLatin1String>

// Conversion types the pipeline asks for and the FFmpeg encoders that write them.
namespace AudioCodecs {

inline constexpr QLatin1String KTypeMP3{"mp3"};
inline constexpr QLatin1String KTypeAAC{"aac"};

inline constexpr QLatin1String KEncoderMP3{"libmp3lame"};
// FFmpeg's own AAC encoder; the distribution ships no other.
inline constexpr QLatin1String KEncoderAAC{"aac"};

}  // namespace AudioCodecs
