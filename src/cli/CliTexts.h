#pragma once

#include <QLatin1String>

// Names of the command-line program's texts in the language tables (section AppRes).
namespace CliTexts {

inline constexpr QLatin1String Description{"Cli.Description"};
inline constexpr QLatin1String Commands{"Cli.Commands"};
inline constexpr QLatin1String OptPage{"Cli.Opt.Page"};
inline constexpr QLatin1String OptId{"Cli.Opt.Id"};
inline constexpr QLatin1String OptSearch{"Cli.Opt.Search"};
inline constexpr QLatin1String OptPick{"Cli.Opt.Pick"};
inline constexpr QLatin1String OptBitrate{"Cli.Opt.Bitrate"};
inline constexpr QLatin1String OptTo{"Cli.Opt.To"};
inline constexpr QLatin1String OptTitle{"Cli.Opt.Title"};
inline constexpr QLatin1String OptArtist{"Cli.Opt.Artist"};
inline constexpr QLatin1String OptAlbum{"Cli.Opt.Album"};
inline constexpr QLatin1String ArgKeyword{"Cli.Arg.Keyword"};
inline constexpr QLatin1String HelpSearch{"Cli.Help.Search"};
inline constexpr QLatin1String HelpGet{"Cli.Help.Get"};
inline constexpr QLatin1String HelpList{"Cli.Help.List"};
inline constexpr QLatin1String HelpResume{"Cli.Help.Resume"};
inline constexpr QLatin1String HeaderNumber{"Cli.Header.Number"};
inline constexpr QLatin1String HeaderTitle{"Cli.Header.Title"};
inline constexpr QLatin1String HeaderLength{"Cli.Header.Length"};
inline constexpr QLatin1String HeaderPopularity{"Cli.Header.Popularity"};
inline constexpr QLatin1String HeaderStatus{"Cli.Header.Status"};
inline constexpr QLatin1String HeaderFile{"Cli.Header.File"};
inline constexpr QLatin1String ErrUnknownCommand{"Cli.Err.UnknownCommand"};
inline constexpr QLatin1String ErrNoCommand{"Cli.Err.NoCommand"};
inline constexpr QLatin1String ErrSearchFailed{"Cli.Err.SearchFailed"};
inline constexpr QLatin1String ErrNoResults{"Cli.Err.NoResults"};
inline constexpr QLatin1String ErrBadPick{"Cli.Err.BadPick"};
inline constexpr QLatin1String ErrNeedIdOrSearch{"Cli.Err.NeedIdOrSearch"};
inline constexpr QLatin1String ErrBadBitrate{"Cli.Err.BadBitrate"};
inline constexpr QLatin1String ErrBadNumber{"Cli.Err.BadNumber"};
inline constexpr QLatin1String ErrBusy{"Cli.Err.Busy"};
inline constexpr QLatin1String ErrDownloadFailed{"Cli.Err.DownloadFailed"};
inline constexpr QLatin1String InfoSaved{"Cli.Info.Saved"};

}  // namespace CliTexts
