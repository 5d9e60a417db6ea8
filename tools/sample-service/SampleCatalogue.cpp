#include "SampleCatalogue.h"

#include <QCryptographicHash>

#include <algorithm>

#include "KeywordMatcher.h"

namespace {

struct TSongRow {
    const char* Title;
    const char* Artist;
    const char* Album;
    const char* Genre;
    int Seconds;
    qint64 Views;
};

// Titles carry the characters that trip up clients: "&", quotes, apostrophes and text beyond
// ASCII. One song has no artist, one has no published view count.
const TSongRow kRows[] = {
    {"Paper Hearts", "Lena Morrow", "Harbour Sessions", "pop", 27, 1234567},
    {"Summer in Reverse", "Lena Morrow", "Harbour Sessions", "pop", 22, 884210},
    {"Golden Hour", "The Bright Sides", "Neon Days", "pop", 31, 15873402},
    {"Call Me When It Rains", "The Bright Sides", "Neon Days", "pop", 18, 402551},
    {"Déjà Vu Again", "Amélie Roche", "Carnet de Route", "pop", 24, 95120},
    {"Love & Gravity", "Amélie Roche", "Attic Sessions", "pop", 35, 2210987},
    {"Thunder Road Trip", "Iron Lanterns", "Attic Sessions", "rock", 29, 731004},
    {"Broken Compass", "Iron Lanterns", "Attic Sessions", "rock", 16, 58213},
    {"Don't Look Down", "Velvet Static", "Signal Lost", "rock", 33, 3120456},
    {"Highway of Stars", "Velvet Static", "Signal Lost", "rock", 25, 1002003},
    {"Rust and Glory", "Northbound", "Midnight Sessions", "rock", 20, 47331},
    {"Electric Night", "Northbound", "Midnight Sessions", "rock", 38, 608512},
    {"Blue Velvet Morning", "Miles Okafor Quartet", "Late Set", "jazz", 40, 120455},
    {"Smoke Rings", "Miles Okafor Quartet", "Late Set", "jazz", 26, 33981},
    {"Rainy Day Blues", "Ella Kingsley", "Midnight Sessions", "jazz", 30, 250734},
    {"Crescent Avenue", "Ella Kingsley", "Midnight Sessions", "jazz", 21, 12},
    {"So What, Then?", "Trio Nocturne", "Harbour Sessions", "jazz", 19, 8842},
    {"Night in Lisbon", "Trio Nocturne", "Harbour Sessions", "jazz", 34, 77123},
    {"Pulse Width", "Kilohertz", "Modular Dreams", "electronic", 28, 4410233},
    {"Neon Rain", "Kilohertz", "Modular Dreams", "electronic", 23, 990871},
    {"Nachtzug nach Köln", "Fabrik 9", "Attic Sessions", "electronic", 32, 310288},
    {"Low Pass", "Fabrik 9", "Attic Sessions", "electronic", 14, 27450},
    {"東京 Night Drive", "Yume Circuit", "Midnight Sessions", "electronic", 36, 5123876},
    {"Afterglow", "Yume Circuit", "Midnight Sessions", "electronic", 17, 640019},
    {"Concrete Poetry", "MC Verse", "Block Letters", "hiphop", 29, 2045120},
    {"Rhyme & Reason", "MC Verse", "Block Letters", "hiphop", 22, 1540332},
    {"Sunday Cypher", "Lyric Lab", "Harbour Sessions", "hiphop", 15, 66120},
    {"The \"Real\" Ones", "Lyric Lab", "Harbour Sessions", "hiphop", 27, 431870},
    {"Boom Bap Theory", "DJ Nomad", "Crates", "hiphop", 31, 120774},
    {"Nomad's Land", "DJ Nomad", "Crates", "hiphop", 24, 9012345},
    {"Dusty Boots", "Hazel & The Pines", "Porch Songs", "folk", 26, 345612},
    {"River Without a Name", "Hazel & The Pines", "Porch Songs", "folk", 37, 88120},
    {"Old Oak Tree", "Jonah Fields", "Attic Sessions", "folk", 21, 19877},
    {"Prairie Lullaby", "Jonah Fields", "Attic Sessions", "folk", 30, 4501},
    {"Greensleeves (Traditional)", "", "Old Tunes", "folk", 25, 712004},
    {"Mountain Echo", "Jonah Fields", "Midnight Sessions", "folk", 18, 60071},
    {"Prelude in C", "Aurelia Strings", "Chamber Works", "classical", 39, 1870345},
    {"Adagio for Rain", "Aurelia Strings", "Chamber Works", "classical", 33, 760001},
    {"Nocturne No. 2", "Tomás Evander", "Night Pieces", "classical", 28, 230412},
    {"Étude in Blue", "Tomás Evander", "Night Pieces", "classical", 20, 101010},
    {"Minuet for Two", "Aurelia Strings", "Harbour Sessions", "classical", 16, 5530},
    {"Sonatina 'Spring'", "Tomás Evander", "Night Pieces", "classical", 23, 44012},
    {"Desert Caravan", "Oud Collective", "Sand & Stars", "other", 35, 380776},
    {"Samba da Lua", "Bossa Norte", "Harbour Sessions", "other", 22, 1299870},
    {"Skyline Theme", "Studio Ensemble", "Original Soundtrack", "other", 29, 2147483647},
    {"Main Titles", "Studio Ensemble", "Original Soundtrack", "other", 12, -1},
    {"Белые ночи", "Volga Strings", "Midnight Sessions", "other", 31, 812334},
    {"Island Breeze", "Bossa Norte", "Harbour Sessions", "other", 10, 154320},
};

// Names as the charts show them; the client's configuration names the same charts.
const TSampleGenre kGenres[] = {
    {QStringLiteral("pop"), QStringLiteral("Pop")},
    {QStringLiteral("rock"), QStringLiteral("Rock")},
    {QStringLiteral("jazz"), QStringLiteral("Jazz & Blues")},
    {QStringLiteral("electronic"), QStringLiteral("Electronic")},
    {QStringLiteral("hiphop"), QStringLiteral("Hip Hop")},
    {QStringLiteral("folk"), QStringLiteral("Folk & Country")},
    {QStringLiteral("classical"), QStringLiteral("Classical")},
    {QStringLiteral("other"), QStringLiteral("More & Other")},
};

// Identifiers look like the service's: eleven characters of letters, digits, "-" and "_",
// stable across runs because they derive from the song's position.
QString MakeId(int iIndex) {
    const QByteArray seed = QByteArrayLiteral("halvex-sample-song-") + QByteArray::number(iIndex);
    const QByteArray digest = QCryptographicHash::hash(seed, QCryptographicHash::Sha1);
    return QString::fromLatin1(
        digest.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals).left(11));
}

QList<const TSampleSong*> MostViewedFirst(QList<const TSampleSong*> songs) {
    std::stable_sort(songs.begin(), songs.end(), [](const TSampleSong* a, const TSampleSong* b) {
        return a->Views > b->Views;
    });
    return songs;
}

}  // namespace

TSampleCatalogue::TSampleCatalogue() {
    int iIndex = 0;
    for (const TSongRow& row : kRows) {
        FSongs.append({iIndex, MakeId(iIndex), QString::fromUtf8(row.Title),
                       QString::fromUtf8(row.Artist), QString::fromUtf8(row.Album),
                       QString::fromLatin1(row.Genre), row.Seconds, row.Views});
        ++iIndex;
    }
    for (const TSampleGenre& genre : kGenres) {
        FGenres.append(genre);
    }
}

const TSampleSong* TSampleCatalogue::FindById(const QString& strId) const {
    for (const TSampleSong& song : FSongs) {
        if (song.Id == strId) {
            return &song;
        }
    }
    return nullptr;
}

const TSampleGenre* TSampleCatalogue::FindGenre(const QString& strSlug) const {
    for (const TSampleGenre& genre : FGenres) {
        if (genre.Slug == strSlug) {
            return &genre;
        }
    }
    return nullptr;
}

QList<const TSampleSong*> TSampleCatalogue::SongsOfGenre(const QString& strSlug) const {
    QList<const TSampleSong*> songs;
    for (const TSampleSong& song : FSongs) {
        if (song.Genre == strSlug) {
            songs.append(&song);
        }
    }
    return MostViewedFirst(songs);
}

QList<const TSampleSong*> TSampleCatalogue::HotSongs(int iCount) const {
    QList<const TSampleSong*> songs;
    for (const TSampleSong& song : FSongs) {
        songs.append(&song);
    }
    return MostViewedFirst(songs).first(std::min<qsizetype>(iCount, songs.size()));
}

QList<const TSampleSong*> TSampleCatalogue::Search(const QString& strKeyword) const {
    const TKeywordMatcher matcher(strKeyword);
    QList<const TSampleSong*> songs;
    for (const TSampleSong& song : FSongs) {
        if (matcher.MatchesAll({song.Title, song.Artist, song.Album})) {
            songs.append(&song);
        }
    }
    return MostViewedFirst(songs);
}
