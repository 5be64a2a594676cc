#pragma once

#include <QUrl>

namespace tolvane {

/// The origin named by the environment variable TOLVANE_TEST_SERVICES (say http://127.0.0.1:8765),
/// or an empty URL. Read once per process.
const QUrl &testServicesOrigin();

/// Where a request for `url` really goes when fake services stand in for the real ones:
/// https://HOST/PATH?QUERY becomes ORIGIN/HOST/PATH?QUERY. Anything not http(s), and any URL
/// already on the origin, stays as it is.
QUrl rewrittenForTestServices(const QUrl &url, const QUrl &origin);

} // namespace tolvane
