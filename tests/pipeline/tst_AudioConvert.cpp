#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QMutex>
#include <QMutexLocker>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include "MediaTools.h"
#include "TestFramework.h"
#include "pipeline/AudioConvert.h"
#include "pipeline/FFEncoder.h"
#include "pipeline/FreeFFVCLThread.h"

namespace {

// Receives end events the way the download pipeline does: a finished conversion gets a release
// thread, whose report names the written file.
class TConversionWatcher : public QObject {
public:
    QList<TTerminateInfo> Ends;
    QList<QPointer<QObject>> Senders;

    // Release threads call back into the watcher; they must be done before it goes.
    ~TConversionWatcher() override {
        for (const QPointer<QThread>& release : std::as_const(FThreads)) {
            if (release) {
                release->wait();
            }
        }
    }

    bool Convert(const QString& strInput, const QString& strOutput, const QString& strType,
                 int iLong, int iBitrate) {
        return ConvertToAudio(
            strInput, strOutput, strType, this,
            [this](QObject* sender, const TTerminateInfo& info) {
                Ends.append(info);
                Senders.append(sender);
                if (info.TaskIndex >= 0 && info.Finished) {
                    auto* release = new TFreeFFVCLThread(
                        sender, [this](const QString& strName) { AddReport(strName); },
                        info.TaskIndex);
                    FThreads.append(release);
                    release->start();
                }
            },
            iLong, iBitrate);
    }

    QStringList Reports() {
        QMutexLocker lock(&FMutex);
        return FReports;
    }
    bool ReportedOnMainThread() {
        QMutexLocker lock(&FMutex);
        return FReportedOnMainThread;
    }
    bool ThreadsGone() const {
        return std::all_of(FThreads.begin(), FThreads.end(),
                           [](const QPointer<QThread>& t) { return t.isNull(); });
    }

private:
    void AddReport(const QString& strName) {
        QMutexLocker lock(&FMutex);
        FReports.append(strName);
        FReportedOnMainThread |= QThread::currentThread() == thread();
    }

    QMutex FMutex;
    QStringList FReports;
    bool FReportedOnMainThread = false;
    QList<QPointer<QThread>> FThreads;
};

// Command-line arguments written as one text.
QStringList Args(const char* text) {
    return QString::fromLatin1(text).split(u' ');
}

QJsonObject AudioStream(const QJsonObject& probe) {
    for (const QJsonValue& stream : probe.value(QStringLiteral("streams")).toArray()) {
        if (stream[QStringLiteral("codec_type")].toString() == QStringLiteral("audio")) {
            return stream.toObject();
        }
    }
    return {};
}

double Number(const QJsonObject& object, const char* name) {
    return object.value(QLatin1String(name)).toString().toDouble();
}

}  // namespace

class TestAudioConvert : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void buildOutputOptions_data();
    void buildOutputOptions();
    void convertsEachInputKind_data();
    void convertsEachInputKind();
    void aacOutput();
    void twoConversionsSideBySide();
    void damagedInputEndsUnfinished_data();
    void damagedInputEndsUnfinished();
    void missingMP3EncoderIsReported();
    void encoderRefusesWhatItCannotDo();
    void stoppedTaskRemovesItsOutput();
    void releaseThreadWithoutEncoderReportsNoName();

private:
    QString Input(const QString& strName) const { return FInputs.filePath(strName); }
    QString Output(const QString& strName) const { return FOutputs.filePath(strName); }

    QTemporaryDir FInputs;
    QTemporaryDir FOutputs;
};

void TestAudioConvert::initTestCase() {
    QVERIFY(FInputs.isValid() && FOutputs.isValid());
    const auto tone = [this](const char* name, double dSeconds, const char* args, int iRate = 48000,
                             int iChannels = 2) {
        return MediaTools::MakeTone(Input(QLatin1String(name)), dSeconds, Args(args), iRate,
                                    iChannels);
    };
    QVERIFY(tone("song.m4a", 6, "-c:a aac -b:a 128k -movflags +faststart"));
    QVERIFY(tone("song.webm", 6, "-c:a libopus -b:a 96k"));
    QVERIFY(tone("song.mp3", 6, "-c:a libmp3lame -b:a 128k", 44100));
    QVERIFY(tone("song.wav", 6, "-c:a pcm_s16le", 22050, 1));
    QVERIFY(tone("long.m4a", 60, "-c:a aac -b:a 128k -movflags +faststart"));
    // A video file with sound, as the service used to deliver.
    QVERIFY(MediaTools::RunFFmpeg(
        Args("-f lavfi -i testsrc=size=64x48:rate=10:duration=6 -f lavfi -i "
             "sine=frequency=440:sample_rate=44100:duration=6 -c:v flv -c:a libmp3lame -b:a 96k "
             "-shortest") +
        QStringList{Input(QStringLiteral("song.flv"))}));
}

void TestAudioConvert::buildOutputOptions_data() {
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<int>("kbits");
    QTest::addColumn<QString>("codec");
    QTest::addColumn<QString>("ext");
    QTest::addColumn<qint64>("timeLength");
    QTest::addColumn<int>("bitrate");

    QTest::newRow("mp3 245 s at 192") << "mp3" << 245 << 192 << "libmp3lame"
                                      << ".mp3" << qint64(245000000) << 192000;
    QTest::newRow("aac") << "aac" << 60 << 128 << "aac"
                         << ".aac" << qint64(60000000) << 128000;
    QTest::newRow("other type leaves the codec to the extension")
        << "ogg" << 10 << 64 << ""
        << ".ogg" << qint64(10000000) << 64000;
    QTest::newRow("no length") << "mp3" << 0 << 320 << "libmp3lame"
                               << ".mp3" << qint64(0) << 320000;
    QTest::newRow("length beyond 32 bits of microseconds")
        << "mp3" << 6000 << 128 << "libmp3lame"
        << ".mp3" << qint64(6000000000) << 128000;
}

void TestAudioConvert::buildOutputOptions() {
    QFETCH(QString, type);
    QFETCH(int, seconds);
    QFETCH(int, kbits);

    TOutputOptions options;
    options.AudioCodec = QStringLiteral("left over");
    BuildOutputOptions(QStringLiteral("/music/Song.mp3"), type, seconds, kbits, options);
    QCOMPARE(options.FileName, QStringLiteral("/music/Song.mp3"));
    QTEST(options.FileExt, "ext");
    QVERIFY(options.DisableVideo);
    QCOMPARE(options.AudioChannels, 2);
    QCOMPARE(options.AudioSampleRate, 44100);
    QTEST(options.AudioBitrate, "bitrate");
    QTEST(options.AudioCodec, "codec");
    QCOMPARE(options.TimeStart, qint64(0));
    QTEST(options.TimeLength, "timeLength");
}

void TestAudioConvert::convertsEachInputKind_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("kbits");
    QTest::addColumn<int>("seconds");  // the song length handed in; 0 converts all
    QTest::addColumn<double>("expectedLength");
    // The ffmpeg program's output is as long: the MP3 info frame does not account for the
    // last frame's padding, and a whole song keeps its source codec's padding.
    QTest::addColumn<double>("tolerance");

    QTest::newRow("AAC in MP4, limited") << "song.m4a" << 192 << 4 << 4.0 << 0.06;
    QTest::newRow("Opus in WebM, whole") << "song.webm" << 128 << 0 << 6.0 << 0.1;
    QTest::newRow("MP3 re-encoded at 320") << "song.mp3" << 320 << 5 << 5.0 << 0.06;
    QTest::newRow("FLV with video, at 64") << "song.flv" << 64 << 0 << 6.0 << 0.1;
    QTest::newRow("mono WAV at 22050 Hz") << "song.wav" << 128 << 3 << 3.0 << 0.06;
    QTest::newRow("length longer than the song") << "song.m4a" << 192 << 60 << 6.0 << 0.1;
}

void TestAudioConvert::convertsEachInputKind() {
    QFETCH(QString, input);
    QFETCH(int, kbits);
    QFETCH(int, seconds);
    QFETCH(double, expectedLength);
    QFETCH(double, tolerance);

    TTestFramework framework;
    TConversionWatcher watcher;
    const QString strOutput = Output(QString::fromLatin1(QTest::currentDataTag()) + ".mp3");
    QVERIFY(watcher.Convert(Input(input), strOutput, QStringLiteral("mp3"), seconds, kbits));
    QTRY_COMPARE_WITH_TIMEOUT(watcher.Reports().size(), 1, 60000);
    QCOMPARE(watcher.Ends.size(), 1);
    QCOMPARE(watcher.Ends[0].TaskIndex, 0);
    QVERIFY2(watcher.Ends[0].Finished, qPrintable(watcher.Ends[0].ExceptionMsg));
    QCOMPARE(watcher.Reports()[0], strOutput);
    QVERIFY(!watcher.ReportedOnMainThread());
    QTRY_VERIFY(watcher.ThreadsGone());
    QVERIFY(framework.Dialog.Shown.isEmpty());

    const QJsonObject probe = MediaTools::Probe(strOutput);
    const QJsonObject stream = AudioStream(probe);
    const QJsonObject format = probe.value(QStringLiteral("format")).toObject();
    QCOMPARE(probe.value(QStringLiteral("streams")).toArray().size(), 1);
    QCOMPARE(stream.value(QStringLiteral("codec_name")).toString(), QStringLiteral("mp3"));
    QCOMPARE(stream.value(QStringLiteral("sample_rate")).toString(), QStringLiteral("44100"));
    QCOMPARE(stream.value(QStringLiteral("channels")).toInt(), 2);
    const double dLength = Number(format, "duration");
    QVERIFY2(qAbs(dLength - expectedLength) < tolerance, qPrintable(QString::number(dLength)));
    // Measured from the file's size, so it holds only when every frame is at the rate.
    const double dBitrate = QFileInfo(strOutput).size() * 8.0 / dLength;
    QVERIFY2(qAbs(dBitrate / (kbits * 1000) - 1) < 0.02, qPrintable(QString::number(dBitrate)));

    // No tag of FFmpeg's own, and the info frame players read the length from.
    const QByteArray bytes = ReadAll(strOutput);
    QVERIFY(!bytes.startsWith("ID3"));
    QVERIFY(!bytes.right(128).startsWith("TAG"));
    QVERIFY(bytes.left(200).contains("Info"));
}

void TestAudioConvert::aacOutput() {
    TTestFramework framework;
    TConversionWatcher watcher;
    const QString strOutput = Output(QStringLiteral("song.aac"));
    QVERIFY(watcher.Convert(Input(QStringLiteral("song.webm")), strOutput, QStringLiteral("aac"), 5,
                            128));
    QTRY_COMPARE_WITH_TIMEOUT(watcher.Reports().size(), 1, 60000);
    QCOMPARE(watcher.Reports()[0], strOutput);

    const QJsonObject probe = MediaTools::Probe(strOutput);
    const QJsonObject stream = AudioStream(probe);
    QCOMPARE(stream.value(QStringLiteral("codec_name")).toString(), QStringLiteral("aac"));
    QCOMPARE(stream.value(QStringLiteral("sample_rate")).toString(), QStringLiteral("44100"));
    QCOMPARE(stream.value(QStringLiteral("channels")).toInt(), 2);
    QTRY_VERIFY(watcher.ThreadsGone());
}

void TestAudioConvert::twoConversionsSideBySide() {
    TTestFramework framework;
    TConversionWatcher watcher;
    const QString strFirst = Output(QStringLiteral("first.mp3"));
    const QString strSecond = Output(QStringLiteral("second.mp3"));
    QVERIFY(watcher.Convert(Input(QStringLiteral("long.m4a")), strFirst, QStringLiteral("mp3"), 0,
                            128));
    QVERIFY(watcher.Convert(Input(QStringLiteral("song.webm")), strSecond, QStringLiteral("mp3"), 0,
                            192));
    QTRY_COMPARE_WITH_TIMEOUT(watcher.Reports().size(), 2, 60000);
    const QStringList reports = watcher.Reports();
    QCOMPARE(QSet<QString>(reports.begin(), reports.end()), QSet<QString>({strFirst, strSecond}));
    for (const QString& strPath : {strFirst, strSecond}) {
        QCOMPARE(AudioStream(MediaTools::Probe(strPath))[QStringLiteral("codec_name")].toString(),
                 QStringLiteral("mp3"));
    }
    QTRY_VERIFY(watcher.ThreadsGone());
}

void TestAudioConvert::damagedInputEndsUnfinished_data() {
    QTest::addColumn<QString>("source");  // a good file the damage starts from; empty: none
    QTest::addColumn<QString>("damage");  // "cut": keep the first half; "noise": overwrite the
                                          // middle half; "random": random bytes only
    QTest::addColumn<bool>("starts");     // whether the input still opens

    QTest::newRow("MP4 cut in half") << "long.m4a"
                                     << "cut" << true;
    QTest::newRow("WebM cut in half") << "song.webm"
                                      << "cut" << true;
    QTest::newRow("FLV cut in half") << "song.flv"
                                     << "cut" << true;
    QTest::newRow("MP4 with noise in its audio") << "long.m4a"
                                                 << "noise" << true;
    QTest::newRow("random bytes") << ""
                                  << "random" << false;
    QTest::newRow("empty file") << ""
                                << "cut" << false;
}

void TestAudioConvert::damagedInputEndsUnfinished() {
    QFETCH(QString, source);
    QFETCH(QString, damage);
    QFETCH(bool, starts);

    QByteArray bytes = source.isEmpty() ? QByteArray() : ReadAll(Input(source));
    if (damage == QStringLiteral("cut")) {
        bytes.truncate(bytes.size() / 2);
    } else if (damage == QStringLiteral("noise")) {
        for (qsizetype i = bytes.size() / 4; i < bytes.size() * 3 / 4; ++i) {
            bytes[i] = static_cast<char>((i * 7919) ^ (i >> 3));
        }
    } else {
        for (int i = 0; i < 100000; ++i) {
            bytes.append(static_cast<char>((i * 2654435761u) >> 13));
        }
    }
    const QString strInput = Output(QStringLiteral("damaged.") + QFileInfo(source).suffix());
    QFile file(strInput);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    file.close();

    TTestFramework framework;
    TConversionWatcher watcher;
    const QString strOutput = Output(QStringLiteral("damaged.mp3"));
    QCOMPARE(watcher.Convert(strInput, strOutput, QStringLiteral("mp3"), 0, 128), starts);
    if (starts) {
        QTRY_COMPARE_WITH_TIMEOUT(watcher.Ends.size(), 1, 60000);
        QVERIFY(!watcher.Ends[0].Finished);
        QCOMPARE(watcher.Ends[0].TaskIndex, 0);
    }
    QVERIFY(!QFile::exists(strOutput));
    QVERIFY(QFile::exists(strInput));  // never this part's to delete
    QVERIFY(framework.Dialog.Shown.isEmpty());
    // The unfinished encoder goes by itself.
    if (starts) {
        QTRY_VERIFY(watcher.Senders[0].isNull());
    }
}

void TestAudioConvert::missingMP3EncoderIsReported() {
    TTestFramework framework;
    TConversionWatcher watcher;
    const QString strOutput = Output(QStringLiteral("missing.mp3"));
    TFFEncoder::SetRequiredEncoders({QStringLiteral("no_such_encoder")});
    for (int i = 1; i <= 2; ++i) {
        QVERIFY(!watcher.Convert(Input(QStringLiteral("song.m4a")), strOutput,
                                 QStringLiteral("mp3"), 0, 128));
        QCOMPARE(framework.Dialog.Shown.size(), i);
    }
    const auto& shown = framework.Dialog.Shown.last();
    QCOMPARE(shown.Text, QStringLiteral("AVLib Load Failed."));
    QCOMPARE(shown.DlgType, int(KrDlg::KError));
    QCOMPARE(shown.Buttons, int(KrDlg::KOk));
    QVERIFY(!QFile::exists(strOutput));

    // The next conversion loads again and succeeds once the encoder is there.
    TFFEncoder::SetRequiredEncoders({QStringLiteral("libmp3lame")});
    QVERIFY(watcher.Convert(Input(QStringLiteral("song.m4a")), strOutput, QStringLiteral("mp3"), 1,
                            128));
    QTRY_COMPARE_WITH_TIMEOUT(watcher.Reports().size(), 1, 60000);
    QCOMPARE(framework.Dialog.Shown.size(), 2);
    QTRY_VERIFY(watcher.ThreadsGone());
}

void TestAudioConvert::encoderRefusesWhatItCannotDo() {
    TFFEncoder encoder;
    QVERIFY(!encoder.Decoder().LoadFile(Input(QStringLiteral("absent.m4a"))));
    QVERIFY(encoder.Decoder().FileName().isEmpty());
    QVERIFY(encoder.Decoder().LoadFile(Input(QStringLiteral("song.webm"))));
    QCOMPARE(encoder.Decoder().FormatName(), QStringLiteral("matroska,webm"));
    QCOMPARE(encoder.Decoder().FileName(), Input(QStringLiteral("song.webm")));

    TInputOptions input;
    input.ForceFormat = QStringLiteral("no_such_format");
    QCOMPARE(encoder.AddTask(Input(QStringLiteral("song.webm")), &input), -1);
    QCOMPARE(encoder.AddTask(Input(QStringLiteral("absent.m4a")), nullptr), -1);
    input.ForceFormat = encoder.Decoder().FormatName();
    QCOMPARE(encoder.AddTask(Input(QStringLiteral("song.webm")), &input), 0);
    QVERIFY(!encoder.Start());  // no output yet

    TOutputOptions output;
    BuildOutputOptions(Output(QStringLiteral("x.mp3")), QStringLiteral("mp3"), 0, 128, output);
    QVERIFY(!encoder.SetOutputFile(1, output.FileName, &output));
    TOutputOptions withVideo = output;
    withVideo.DisableVideo = false;
    QVERIFY(!encoder.SetOutputFile(0, output.FileName, &withVideo));
    TOutputOptions unknownCodec = output;
    unknownCodec.AudioCodec = QStringLiteral("no_such_encoder");
    QVERIFY(!encoder.SetOutputFile(0, output.FileName, &unknownCodec));
    QCOMPARE(encoder.OutputOptions(0).FileName, QString());
    QCOMPARE(encoder.OutputOptions(5).AudioBitrate, -1);

    // A folder that does not exist: the task starts and ends unfinished.
    const QString strNowhere = Output(QStringLiteral("no/such/folder/x.mp3"));
    QVERIFY(encoder.SetOutputFile(0, strNowhere, &output));
    QCOMPARE(encoder.OutputOptions(0).FileName, strNowhere);
    QCOMPARE(encoder.OutputOptions(0, 1).FileName, QString());
    QSignalSpy ends(&encoder, &TFFEncoder::OnTerminate);
    QVERIFY(encoder.Start());
    QVERIFY(!encoder.Start());
    QVERIFY(ends.wait(60000));
    const auto info = ends[0][1].value<TTerminateInfo>();
    QCOMPARE(ends[0][0].value<QObject*>(), &encoder);
    QVERIFY(!info.Finished);
    QVERIFY(info.Exception);
    QVERIFY(!QFile::exists(strNowhere));
    encoder.ClearTasks();
    QCOMPARE(encoder.OutputOptions(0).FileName, QString());
}

void TestAudioConvert::stoppedTaskRemovesItsOutput() {
    const QString strOutput = Output(QStringLiteral("stopped.mp3"));
    auto encoder = std::make_unique<TFFEncoder>();
    const int iTask = encoder->AddTask(Input(QStringLiteral("long.m4a")), nullptr);
    QCOMPARE(iTask, 0);
    TOutputOptions output;
    BuildOutputOptions(strOutput, QStringLiteral("mp3"), 0, 128, output);
    QVERIFY(encoder->SetOutputFile(iTask, strOutput, &output));
    QSignalSpy ends(encoder.get(), &TFFEncoder::OnTerminate);
    QVERIFY(encoder->Start(1));
    QTRY_VERIFY(QFile::exists(strOutput));
    encoder->Stop();
    QVERIFY(ends.wait(60000));
    const auto info = ends[0][1].value<TTerminateInfo>();
    QVERIFY(!info.Finished);
    QVERIFY(!info.Exception);
    QVERIFY(!QFile::exists(strOutput));

    // Released while running: the worker is stopped and waited for, and no event arrives.
    const QString strSecond = Output(QStringLiteral("released.mp3"));
    encoder = std::make_unique<TFFEncoder>();
    QCOMPARE(encoder->AddTask(Input(QStringLiteral("long.m4a")), nullptr), 0);
    QVERIFY(encoder->SetOutputFile(0, strSecond, &output));
    QVERIFY(encoder->Start());
    encoder.reset();
    QVERIFY(!QFile::exists(strSecond));
    QCoreApplication::processEvents();
}

void TestAudioConvert::releaseThreadWithoutEncoderReportsNoName() {
    QObject notAnEncoder;
    QMutex mutex;
    QStringList reports;
    QPointer<QThread> release = new TFreeFFVCLThread(
        &notAnEncoder,
        [&](const QString& strName) {
            QMutexLocker lock(&mutex);
            reports.append(strName);
        },
        0);
    QVERIFY(!release->isRunning());  // created suspended
    release->start();
    QTRY_VERIFY_WITH_TIMEOUT(release.isNull(), 10000);
    QCOMPARE(reports, QStringList({QString()}));
}

QTEST_GUILESS_MAIN(TestAudioConvert)
#include "tst_AudioConvert.moc"
