#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One song of the sample catalogue. Views below 0 means the count is not published (a fresh
// upload), so the pages show none.
struct TSampleSong {
    int Index = 0;
    QString Id;
    QString Title;
    QString Artist;
    QString Album;
    QString Genre;
    int Seconds = 0;
    qint64 Views = 0;
};

// A chart of the catalogue: its address word and the songs it lists.
struct TSampleGenre {
    QString Slug;
    QString Name;
};

// The fixed song list the service answers from. Immutable after construction, so the request
// threads share it without locks.
class TSampleCatalogue {
public:
    TSampleCatalogue();

    const QList<TSampleSong>& Songs() const { return FSongs; }
    const QList<TSampleGenre>& Genres() const { return FGenres; }
    const TSampleSong* FindById(const QString& strId) const;
    const TSampleGenre* FindGenre(const QString& strSlug) const;

    // Songs of a chart, most viewed first.
    QList<const TSampleSong*> SongsOfGenre(const QString& strSlug) const;
    // The most viewed songs of the whole catalogue.
    QList<const TSampleSong*> HotSongs(int iCount) const;
    // Songs whose title, artist or album words start with every word of the keyword (letter case
    // and accents ignored), most viewed first. A keyword without words finds nothing.
    QList<const TSampleSong*> Search(const QString& strKeyword) const;

private:
    QList<TSampleSong> FSongs;
    QList<TSampleGenre> FGenres;
};
