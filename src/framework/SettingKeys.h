#pragma once

#include <QLatin1String>

// Every settings key the framework reads or writes, spelled once.
namespace SettingKeys {

inline constexpr QLatin1String Section{"setting"};
inline constexpr QLatin1String ShowAgainSection{"ShowAgain"};
inline constexpr QLatin1String ShowAgainResultSection{"ShowAgainModuleResult"};

inline constexpr QLatin1String AppConfigPath{"App.ConfigPath"};
inline constexpr QLatin1String SettingNoAllUser{"Setting.NoAllUser"};
inline constexpr QLatin1String RunTimes{"RunTimes"};
inline constexpr QLatin1String AppID{"App.ID"};
inline constexpr QLatin1String AppGUID{"App.GUID"};
inline constexpr QLatin1String AppMultiple{"App.Multiple"};
inline constexpr QLatin1String AppSplash{"App.Splash"};
inline constexpr QLatin1String AppAutorun{"App.Autorun"};
inline constexpr QLatin1String DebugEnabled{"Debug.Enabled"};
inline constexpr QLatin1String DebugDisabled{"Debug.Disabled"};
inline constexpr QLatin1String PathSkins{"Path.Skins"};
inline constexpr QLatin1String PathLanguages{"Path.Languages"};
inline constexpr QLatin1String Skin{"Skin"};
inline constexpr QLatin1String Language{"Language"};
inline constexpr QLatin1String AppName{"App.Name"};
inline constexpr QLatin1String AppVer{"App.Ver"};
inline constexpr QLatin1String AppSubVer{"App.SubVer"};
inline constexpr QLatin1String AppPID{"App.PID"};
inline constexpr QLatin1String AppMagicWord{"App.MagicWord"};
inline constexpr QLatin1String AppRegPath{"App.RegPath"};
inline constexpr QLatin1String AppNoAutoTitle{"App.NoAutoTitle"};
inline constexpr QLatin1String AppCopyright{"App.Copyright"};
inline constexpr QLatin1String URLPrefix{"URL."};
inline constexpr QLatin1String URLRedirect{"URL.Redirect"};
inline constexpr QLatin1String UpdateLastDate{"Update.LastDate"};
inline constexpr QLatin1String UpdateDays{"Update.Days"};
inline constexpr QLatin1String UpdateAutoCheck{"Update.AutoCheck"};
inline constexpr QLatin1String UpdateNoAutoCheck{"Update.NoAutoCheck"};
inline constexpr QLatin1String UpdateAutoClose{"Update.AutoClose"};
inline constexpr QLatin1String UpdateBeginAuto{"Update.BeginAuto"};
inline constexpr QLatin1String UpdateDelaySeconds{"Update.DelaySeconds"};
inline constexpr QLatin1String UpdateTimes{"Update.Times"};

}  // namespace SettingKeys
