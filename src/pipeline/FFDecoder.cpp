#include "pipeline/FFDecoder.h"

#include "pipeline/FFPtr.h"

bool TFFDecoder::LoadFile(const QString& aFileName, const QString& aFormatName) {
    FFileName.clear();
    FFormatName.clear();
    const AVInputFormat* format = nullptr;
    if (!aFormatName.isEmpty()) {
        format = av_find_input_format(aFormatName.toUtf8().constData());
        if (!format) {
            return false;
        }
    }
    const FFPtr::TInput input = FFPtr::OpenInput(aFileName.toUtf8().constData(), format);
    if (!input) {
        return false;
    }
    FFileName = QString::fromUtf8(input->url);
    FFormatName = QString::fromUtf8(input->iformat->name);
    return true;
}
