#include "service/bounded_json.h"

int OVJSONNestingDepth(const QByteArray& data, int limit) {
    int depth = 0;
    int deepest = 0;
    bool inString = false;
    bool escaped = false;
    for (const char c : data) {
        if (inString) {
            if (escaped) {
                escaped = false;
            } else if (c == '\\') {
                escaped = true;
            } else if (c == '"') {
                inString = false;
            }
            continue;
        }
        switch (c) {
            case '"':
                inString = true;
                break;
            case '[':
            case '{':
                if (++depth > deepest) {
                    deepest = depth;
                    if (deepest > limit) {
                        return deepest;
                    }
                }
                break;
            case ']':
            case '}':
                if (depth > 0) {
                    --depth;
                }
                break;
            default:
                break;
        }
    }
    return deepest;
}

std::optional<QJsonDocument> OVParseBoundedJSON(const QByteArray& data,
                                                QJsonParseError* parseError) {
    QJsonParseError error{};
    if (OVJSONNestingDepth(data) > OVMaximumJSONDepth) {
        error.error = QJsonParseError::DeepNesting;
        error.offset = 0;
        if (parseError) {
            *parseError = error;
        }
        return std::nullopt;
    }
    QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (parseError) {
        *parseError = error;
    }
    if (error.error != QJsonParseError::NoError) {
        return std::nullopt;
    }
    return document;
}
