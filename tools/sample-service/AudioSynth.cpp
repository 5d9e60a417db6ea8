#include "AudioSynth.h"

#include <cmath>
#include <numbers>
#include <random>

namespace {

constexpr int kSampleRate = 48000;
constexpr int kPentatonic[] = {0, 2, 4, 7, 9, 12, 14, 16};

double NoteFrequency(int iMidiNote) {
    return 440.0 * std::pow(2.0, (iMidiNote - 69) / 12.0);
}

// Adds a plucked note: a few harmonics under a fast attack and an exponential decay.
void AddNote(TPcmAudio& pcm, qsizetype start, qsizetype length, double frequency, double gain,
             double pan) {
    const qsizetype attack = kSampleRate / 100;
    const double decay = 3.0 / double(length);
    const double step = 2.0 * std::numbers::pi * frequency / kSampleRate;
    for (qsizetype i = 0; i < length && start + i < pcm.Frames(); ++i) {
        const double envelope =
            (i < attack ? double(i) / double(attack) : 1.0) * std::exp(-decay * double(i));
        const double phase = step * double(i);
        const double sample =
            gain * envelope *
            (std::sin(phase) + 0.3 * std::sin(2 * phase) + 0.1 * std::sin(3 * phase));
        pcm.Left[start + i] += float(sample * (1.0 - pan));
        pcm.Right[start + i] += float(sample * (1.0 + pan));
    }
}

// Short fades at both ends keep the encoders from starting or ending on a click.
void Fade(TPcmAudio& pcm) {
    const qsizetype fade = std::min<qsizetype>(kSampleRate / 20, pcm.Frames() / 2);
    for (qsizetype i = 0; i < fade; ++i) {
        const float gain = float(i) / float(fade);
        pcm.Left[i] *= gain;
        pcm.Right[i] *= gain;
        pcm.Left[pcm.Frames() - 1 - i] *= gain;
        pcm.Right[pcm.Frames() - 1 - i] *= gain;
    }
}

}  // namespace

TPcmAudio TAudioSynth::Render(int iSongIndex, int iSeconds) {
    TPcmAudio pcm;
    pcm.SampleRate = kSampleRate;
    const qsizetype frames = qsizetype(iSeconds) * kSampleRate;
    pcm.Left.assign(frames, 0.0f);
    pcm.Right.assign(frames, 0.0f);

    std::mt19937 random(static_cast<unsigned>(iSongIndex) * 2654435761u + 17u);
    const int root = 57 + int(random() % 12);
    const int bpm = 84 + int(random() % 60);
    const qsizetype beat = qsizetype(kSampleRate) * 60 / bpm;
    const qsizetype eighth = beat / 2;

    for (qsizetype start = 0, n = 0; start < frames; start += beat, ++n) {
        const int bassNote = root - 24 + (n % 8 < 4 ? 0 : 5);
        AddNote(pcm, start, beat, NoteFrequency(bassNote), 0.22, 0.0);
    }
    std::uniform_int_distribution<int> degree(0, std::size(kPentatonic) - 1);
    for (qsizetype start = 0; start < frames; start += eighth) {
        if (random() % 5 == 0) {
            continue;  // rests make it a tune rather than a scale exercise
        }
        const int note = root + kPentatonic[degree(random)];
        AddNote(pcm, start, eighth * 2, NoteFrequency(note), 0.16, (random() % 2) ? 0.3 : -0.3);
    }
    Fade(pcm);
    return pcm;
}
