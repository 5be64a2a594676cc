#include "media/LibAVLoader.h"

#include <dlfcn.h>

#include <string>

namespace tolvane {

namespace {

void *openLibrary(const char *name, int major)
{
    const std::string soname = std::string(name) + ".so." + std::to_string(major);
    return ::dlopen(soname.c_str(), RTLD_NOW | RTLD_LOCAL);
}

template<typename Function> bool resolve(void *library, const char *symbol, Function &function)
{
    function = reinterpret_cast<Function>(::dlsym(library, symbol));
    return function != nullptr;
}

const LibAVFunctions *load()
{
    // The majors of the headers built against: another major may lay out its structures otherwise.
    void *util = openLibrary("libavutil", LIBAVUTIL_VERSION_MAJOR);
    void *codec = openLibrary("libavcodec", LIBAVCODEC_VERSION_MAJOR);
    void *format = openLibrary("libavformat", LIBAVFORMAT_VERSION_MAJOR);
    if (!util || !codec || !format)
        return nullptr; // the libraries stay loaded: nothing is gained by closing them
    static LibAVFunctions functions{};
    LibAVFunctions &f = functions;
    const bool complete = resolve(util, "av_log_set_level", f.logSetLevel) && resolve(util, "av_dict_set", f.dictSet)
        && resolve(util, "av_dict_free", f.dictFree) && resolve(util, "av_malloc", f.malloc)
        && resolve(util, "av_freep", f.freep) && resolve(util, "av_display_rotation_get", f.displayRotationGet)
        && resolve(codec, "avcodec_get_name", f.codecGetName)
        && resolve(format, "avformat_alloc_context", f.allocContext)
        && resolve(format, "avformat_open_input", f.openInput)
        && resolve(format, "avformat_find_stream_info", f.findStreamInfo)
        && resolve(format, "avformat_close_input", f.closeInput)
        && resolve(format, "avio_alloc_context", f.ioAllocContext)
        && resolve(format, "avio_context_free", f.ioContextFree)
        && resolve(format, "av_stream_get_side_data", f.streamGetSideData);
    if (!complete)
        return nullptr;
    f.logSetLevel(AV_LOG_QUIET);
    return &functions;
}

} // namespace

const LibAVFunctions *libAV()
{
    static const LibAVFunctions *const loaded = load();
    return loaded;
}

} // namespace tolvane
