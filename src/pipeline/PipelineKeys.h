#pragma once

#include <QLatin1String>

// Settings keys of the download pipeline, spelled once.
namespace PipelineKeys {

inline constexpr QLatin1String TemporaryDir{"TemporaryDir"};
inline constexpr QLatin1String MusicSaveTo{"MusicSaveTo"};
inline constexpr QLatin1String SaveToCount{"SaveToCount"};
inline constexpr QLatin1String SaveTo{"SaveTo"};
inline constexpr QLatin1String ArtistCount{"ArtistCount"};
inline constexpr QLatin1String Artist{"Artist"};
inline constexpr QLatin1String AlbumCount{"AlbumCount"};
inline constexpr QLatin1String Album{"Album"};
inline constexpr QLatin1String MusicBitrate{"MusicBitrate"};
inline constexpr QLatin1String AutoRename{"AutoRename"};
inline constexpr QLatin1String ShowMp3TagEdit{"ShowMp3TagEdit"};
inline constexpr QLatin1String ShowListWhenAddTask{"Settings.ShowListWhenAddTask"};
inline constexpr QLatin1String MaxTasks{"Settings.MaxTasks"};

}  // namespace PipelineKeys

// Names of the lines of a download task's comment, which carry a song's data with its task.
namespace CommentKeys {

inline constexpr QLatin1String Action{"Action"};
inline constexpr QLatin1String Id{"Id"};
inline constexpr QLatin1String SC_Key{"SC_Key"};
inline constexpr QLatin1String Title{"Title"};
inline constexpr QLatin1String Long{"Long"};
inline constexpr QLatin1String SavePath{"SavePath"};
inline constexpr QLatin1String Page{"Page"};
inline constexpr QLatin1String ConvertType{"ConvertType"};
inline constexpr QLatin1String Popularity{"Popularity"};
inline constexpr QLatin1String PId{"PId"};
inline constexpr QLatin1String TempPath{"TempPath"};
inline constexpr QLatin1String Artist{"Artist"};
inline constexpr QLatin1String Album{"Album"};
inline constexpr QLatin1String Bitrate{"Bitrate"};

}  // namespace CommentKeys
