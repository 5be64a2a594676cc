#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/display.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
}

namespace tolvane {

/// The few FFmpeg functions the built-in probe calls, resolved at run time: loading libavformat's
/// chain of libraries costs every start of the program tens of milliseconds, and most runs never
/// need it.
struct LibAVFunctions {
    decltype(&::av_log_set_level) logSetLevel;
    decltype(&::av_dict_set) dictSet;
    decltype(&::av_dict_free) dictFree;
    decltype(&::av_malloc) malloc;
    decltype(&::av_freep) freep;
    decltype(&::av_display_rotation_get) displayRotationGet;
    decltype(&::avcodec_get_name) codecGetName;
    decltype(&::avformat_alloc_context) allocContext;
    decltype(&::avformat_open_input) openInput;
    decltype(&::avformat_find_stream_info) findStreamInfo;
    decltype(&::avformat_close_input) closeInput;
    decltype(&::avio_alloc_context) ioAllocContext;
    decltype(&::avio_context_free) ioContextFree;
    decltype(&::av_stream_get_side_data) streamGetSideData;
};

/// The functions, loaded on the first call (thread-safe); null when the libraries of the version
/// this was built against are not installed or lack one of them.
const LibAVFunctions *libAV();

} // namespace tolvane
