#pragma once

#include <QtGlobal>

#include <vector>

// Planar stereo samples in the range -1 to 1.
struct TPcmAudio {
    int SampleRate = 48000;
    std::vector<float> Left;
    std::vector<float> Right;

    qsizetype Frames() const { return qsizetype(Left.size()); }
};

// A short tune for a song: a pentatonic melody over a bass line, its key, tempo and notes drawn
// from the song's number so that every song sounds different and the same on every run.
class TAudioSynth {
public:
    static TPcmAudio Render(int iSongIndex, int iSeconds);
};
