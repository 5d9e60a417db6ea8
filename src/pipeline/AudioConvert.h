#pragma once

#include <QObject>
#include <QString>

#include <functional>

#include "pipeline/FFOptions.h"

// The end event of a conversion: Sender is the encoder, to be released by a TFreeFFVCLThread
// when the task finished. An unfinished conversion's encoder is released on its own.
using TTerminateEvent = std::function<void(QObject* Sender, const TTerminateInfo& ATerminateInfo)>;

// Starts converting aInput into aOutput and returns at once. aLong is the song's length in
// seconds (0: the whole input), aBitrate the bit rate in kbit/s. aOnTerminate runs on
// aReceiver's thread, once, unless aReceiver is gone by then. False when the conversion could not
// start (libraries unusable, input not decodable, output not writable); no end event follows.
bool ConvertToAudio(const QString& aInput, const QString& aOutput, const QString& aConvertType,
                    QObject* aReceiver, const TTerminateEvent& aOnTerminate, int aLong,
                    int aBitrate);

// The output options of a conversion: audio only, stereo, 44100 Hz, aBitrate kbit/s, the
// encoder chosen by aType ("mp3", "aac"; any other leaves it to the file's extension), limited to
// aLong seconds.
void BuildOutputOptions(const QString& aFileName, const QString& aType, int aLong, int aBitrate,
                        TOutputOptions& aOptions);
