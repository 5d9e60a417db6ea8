#pragma once

#include <QString>

// The standard list of ID3 genres, numbers 0 to 147 (version 1's list as extended by players).
namespace ID3Genres {

inline constexpr int KCount = 148;

// The genre's name, or an empty text for a number outside the list.
QString Name(int iGenreID);

}  // namespace ID3Genres
