#pragma once

#include <QLatin1String>

// Every settings key the web-transfer layer reads, spelled once: the stream resolver's
// configuration, which the resolver's users copy into it before each resolution.
namespace NetSettingKeys {

inline constexpr QLatin1String WatchPattern{"WatchPattern"};
inline constexpr QLatin1String WatchPattern2{"WatchPattern2"};
inline constexpr QLatin1String FLVSplitStr{"FLVSplitStr"};
inline constexpr QLatin1String FLVNeedDecode{"FLVNeedDecode"};
inline constexpr QLatin1String FLVGetVideoURI{"FLVGetVideoURI"};
inline constexpr QLatin1String WatchURL{"WatchURL"};
inline constexpr QLatin1String GetInfoURL{"GetInfoURL"};
inline constexpr QLatin1String GetMethod{"GetMethod"};
inline constexpr QLatin1String FLVURLFormat{"FLVURLFormat"};

// Section and keys of the task list file.
inline constexpr QLatin1String TaskListGlobal{"Global"};
inline constexpr QLatin1String TaskListItemCount{"ItemCount"};
inline constexpr QLatin1String TaskURL{"URL"};
inline constexpr QLatin1String TaskFileName{"FileName"};
inline constexpr QLatin1String TaskCaption{"Caption"};
inline constexpr QLatin1String TaskComment{"Comment"};
inline constexpr QLatin1String TaskState{"State"};
inline constexpr QLatin1String TaskINeedRedirect{"INeedRedirect"};
inline constexpr QLatin1String TaskRedirectTheme{"RedirectTheme"};
inline constexpr QLatin1String TaskRedirectURL{"RedirectURL"};

}  // namespace NetSettingKeys
