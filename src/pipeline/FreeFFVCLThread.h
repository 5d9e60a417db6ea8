#pragma once

#include <QObject>
#include <QString>
#include <QThread>

#include <functional>

// Told the converted file's name; runs on the release thread.
using TOnConvertFinished = std::function<void(const QString& aFileName)>;

// Releases an encoder after its end event and reports the file it wrote. Created suspended;
// start() runs it once, and it deletes itself when done.
class TFreeFFVCLThread : public QThread {
    Q_OBJECT
public:
    TFreeFFVCLThread(QObject* aFFVCL, TOnConvertFinished aOnConvertFinishedEvent, int aIndex);

protected:
    void run() override;

private:
    int FIndex;
    QObject* FFFVCL;
    TOnConvertFinished FOnConvertFinishedEvent;
};
