#include "pipeline/FFPtr.h"

namespace FFPtr {

TInput OpenInput(const char* fileName, const AVInputFormat* format) {
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, fileName, format, nullptr) < 0) {
        return nullptr;
    }
    TInput input(raw);
    if (avformat_find_stream_info(input.get(), nullptr) < 0 || input->nb_streams == 0) {
        return nullptr;
    }
    return input;
}

}  // namespace FFPtr
