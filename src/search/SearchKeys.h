#pragma once

#include <QLatin1String>

// Every settings key the search layer reads or writes, spelled once.
namespace SearchKeys {

// Service information.
inline constexpr QLatin1String SearchKeyURL{"SearchKeyURL"};
inline constexpr QLatin1String DownloadURL{"DownloadURL"};

// Cutting a search answer into songs.
inline constexpr QLatin1String PatternEntry{"Pattern.entry"};
inline constexpr QLatin1String PatternId{"Pattern.id"};
inline constexpr QLatin1String PatternTitle{"Pattern.title"};
inline constexpr QLatin1String PatternDuration{"Pattern.duration"};
inline constexpr QLatin1String PatternPopularity{"Pattern.popularity2"};
inline constexpr QLatin1String PatternPages{"Pattern.pages"};

// Categories: "c_" + i + "_name" and "c_" + i + "_url" name each category.
inline constexpr QLatin1String CategoriesCount{"categories_count"};
inline constexpr QLatin1String CategoryPrefix{"c_"};
inline constexpr QLatin1String CategoryNameSuffix{"_name"};
inline constexpr QLatin1String CategoryUrlSuffix{"_url"};
inline constexpr QLatin1String CategoryPatternEntry{"c_pattern_entry"};
inline constexpr QLatin1String CategoryPatternTitle{"c_pattern_title"};
inline constexpr QLatin1String CategoryPatternArtist{"c_pattern_artist"};
inline constexpr QLatin1String CategoryPages{"c_pages"};
inline constexpr QLatin1String CategoryPageTitle{"c_pagetitle"};

// Web addresses of the engine (looked up as "URL." + name).
inline constexpr QLatin1String HomeURL{"HomeURL"};
inline constexpr QLatin1String InfoURL{"InfoURL"};

// Keyword history in the user settings: "keyword" + i for i below the count.
inline constexpr QLatin1String KeywordCount{"keywordCount"};
inline constexpr QLatin1String KeywordPrefix{"keyword"};

}  // namespace SearchKeys
