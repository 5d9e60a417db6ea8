#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "pipeline/FFDecoder.h"
#include "pipeline/FFOptions.h"

class TAudioTranscoder;

// Converts media files to audio files over FFmpeg's libraries. Tasks are added and given an
// output on the owning thread, then Start runs them on worker threads; each started task
// reports its end once, through OnTerminate, on the thread the encoder lives in.
class TFFEncoder : public QObject {
    Q_OBJECT
public:
    explicit TFFEncoder(QObject* owner = nullptr);
    // Stops running tasks and waits for them; an unfinished output is removed.
    ~TFFEncoder() override;

    // Whether the libraries are usable: every encoder the program relies on is present. Checked
    // once per process; a failed load is tried again at the next call.
    static bool AVLibLoaded();
    // The libraries are linked in, so loading them means finding the encoders in them.
    static bool LoadAVLib();
    // The encoders LoadAVLib requires (default "libmp3lame").
    static void SetRequiredEncoders(const QStringList& names);

    TFFDecoder& Decoder() { return FDecoder; }

    // Opens the input for a new task; its index, or -1 when the input cannot be decoded or the
    // encoder is already running.
    int AddTask(const QString& aFileName, const TInputOptions* aOptions);
    // Gives task aTaskIndex its output. False for an unknown task, an encoder or container that
    // FFmpeg lacks, or options asking for video.
    bool SetOutputFile(int aTaskIndex, const QString& aFileName, const TOutputOptions* aOptions);
    // Runs every task that has an output, at most aThreadCount at a time (0: all at once).
    // False when there is nothing to run or the encoder is running already.
    bool Start(int aThreadCount = 0);
    // Asks running tasks to stop; they end with Finished false.
    void Stop();
    // The output options of a task's output (only output 0 exists); defaults when unknown.
    TOutputOptions OutputOptions(int aTaskIndex, int aOutputIndex = 0) const;
    // Waits for the workers and forgets all tasks.
    void ClearTasks();

signals:
    void OnTerminate(QObject* Sender, const TTerminateInfo& ATerminateInfo);

private:
    void RunTasks();
    void Join();

    TFFDecoder FDecoder;
    std::vector<std::unique_ptr<TAudioTranscoder>> FTasks;
    std::vector<std::thread> FWorkers;
    std::atomic<size_t> FNextTask{0};
    std::atomic<bool> FStop{false};
};
