#pragma once

#include <QLatin1String>

// Names of the language-table texts that code asks for, spelled once.
namespace LangKeys {

inline constexpr QLatin1String AppResSection{"AppRes"};
inline constexpr QLatin1String LibResSection{"LibRes"};
inline constexpr QLatin1String SkinResSection{"SkinRes"};
inline constexpr QLatin1String InfoSection{"Info"};
inline constexpr QLatin1String Translator{"Translator"};
inline constexpr QLatin1String AppName{"AppName"};

inline constexpr QLatin1String InfoMultiTask{"Info.MultiTask"};
inline constexpr QLatin1String InfoNoTask{"Info.NoTask"};
inline constexpr QLatin1String InfoOneTask{"Info.OneTask"};
inline constexpr QLatin1String MsgAVLibLoadFailed{"MsgBox.AVLibLoadFailed"};
inline constexpr QLatin1String MsgContinueLastTask{"MsgBox.ContinueLastTask"};
inline constexpr QLatin1String MsgDirNotExists{"MsgBox.DirNotExists"};
inline constexpr QLatin1String MsgInfoGetting{"MsgBox.InfoGetting"};
inline constexpr QLatin1String MsgNoEnterAdvKeywords{"MsgBox.NoEnterAdvKeywords"};
inline constexpr QLatin1String MsgNoEnterKeyword{"MsgBox.NoEnterKeyword"};
inline constexpr QLatin1String MsgPatternError{"MsgBox.PatternError"};
inline constexpr QLatin1String MsgRemoveAll{"MsgBox.RemoveAll"};
inline constexpr QLatin1String MsgRemoveTask{"MsgBox.RemoveTask"};
inline constexpr QLatin1String MsgServiceUnreachable{"MsgBox.ServiceUnreachable"};
inline constexpr QLatin1String MsgTaskExists{"MsgBox.TaskExists"};
inline constexpr QLatin1String MsgTemplateError{"MsgBox.TemplateError"};
inline constexpr QLatin1String MsgTerminateDown{"MsgBox.TerminateDown"};
inline constexpr QLatin1String StatusConnecting{"Status.Connecting"};
inline constexpr QLatin1String StatusDownloading{"Status.Downloading"};
inline constexpr QLatin1String StatusFailed{"Status.Failed"};
inline constexpr QLatin1String StatusFinished{"Status.Finished"};
inline constexpr QLatin1String StatusReady{"Status.Ready"};
inline constexpr QLatin1String TextAdvanceSearch{"Text.AdvanceSearch"};
inline constexpr QLatin1String TextBlankKeyWord{"Text.BlankKeyWord"};
inline constexpr QLatin1String TextClearRecent{"Text.ClearRecent"};
inline constexpr QLatin1String TplCategoryFile{"Tpl.CategoryFile"};
inline constexpr QLatin1String TplKeywordListFile{"Tpl.KeywordListFile"};
inline constexpr QLatin1String TplResultFile{"Tpl.ResultFile"};

}  // namespace LangKeys
