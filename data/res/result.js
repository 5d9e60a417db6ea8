// Marks on the result page. The program calls ShowIcon(id) when a song starts its preview and
// ShowDIcon(id) when it has been queued for download; id is the song's number on the page.
'use strict';

function SongRow(id) {
    return document.getElementById('song-' + id);
}

function ShowIcon(id) {
    document.querySelectorAll('tr.playing').forEach(function (row) {
        row.classList.remove('playing');
    });
    var row = SongRow(id);
    if (row) {
        row.classList.add('playing');
        row.scrollIntoView({block: 'nearest'});
    }
}

function ShowDIcon(id) {
    var row = SongRow(id);
    if (row) {
        row.classList.add('queued');
    }
}

document.addEventListener('DOMContentLoaded', function () {
    if (!document.querySelector('table.songs tbody tr')) {
        document.getElementById('empty').classList.remove('hidden');
    }
});
