// Feeds arbitrary bytes to the cookie file parser. Besides crashes and sanitizer reports, it
// aborts when a cookie breaks a promise that the rest of the app relies on.

#include "services/BinaryCookies.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        const QList<tolvane::Cookie> cookies = tolvane::parseBinaryCookies(bytes);
        for (const tolvane::Cookie &cookie : cookies) {
            if (cookie.name.isEmpty() || cookie.path.isEmpty() || cookie.domain != cookie.domain.toLower()
                || (cookie.expires && !cookie.expires->isValid()))
                std::abort();
        }
    } catch (tolvane::BinaryCookiesError) {
    }
    return 0;
}
