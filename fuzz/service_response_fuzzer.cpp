// Feeds arbitrary service answers through the response reader and arbitrary version texts
// through the version comparison.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstdlib>

#include "service/app_policy.h"
#include "service/bounded_json.h"
#include "service/service_client.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    // The first byte picks the HTTP status: none, a success or an error.
    const int statuses[] = {0, 200, 204, 404, 500};
    const int status = statuses[data[0] % 5];
    const QByteArray body(reinterpret_cast<const char*>(data + 1),
                          static_cast<qsizetype>(size - 1));

    const OVJSONResult result = OVParseJSONResponse(
        body, status == 0 ? std::nullopt : std::optional<int>(status), std::nullopt);
    // Every answer is read as a dictionary or an error, and a success never carries an error.
    if (!result.dictionary && !result.error) {
        std::abort();
    }
    if (result.error && result.error->description.isEmpty()) {
        std::abort();
    }
    if (result.dictionary && status >= 200 && status < 300 && result.error) {
        std::abort();
    }
    if (OVJSONNestingDepth(body) > OVMaximumJSONDepth && result.dictionary) {
        std::abort();
    }

    // Version texts: the comparison is antisymmetric and reflexive.
    const QString text = QString::fromUtf8(body);
    const qsizetype middle = text.size() / 2;
    const QString a = text.left(middle);
    const QString b = text.mid(middle);
    if (OVCompareVersionStrings(a, b) != -OVCompareVersionStrings(b, a) ||
        OVCompareVersionStrings(a, a) != 0) {
        std::abort();
    }
    (void)OVVersionNumberParts(text);
    return 0;
}
