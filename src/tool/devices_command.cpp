// orvetta-tool devices: the HID devices that can serve as the touch input, as the settings window
// lists them, with the node each one lives at.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "base/services.h"
#include "hid/device_discovery.h"
#include "platform/assembled_platform.h"
#include "platform/linux/linux_hid_manager.h"
#include "tool/tool_commands.h"

namespace {

// The node of the first attached device with each signature, as the candidate list counts them.
QHash<QString, QString> nodesBySignature() {
    QHash<QString, QString> nodes;
    OVLinuxHIDManager manager;
    for (const OVHIDDeviceRef& device : manager.copyDevices()) {
        const QString signature = OVDeviceSignature(*device);
        if (!nodes.contains(signature)) {
            nodes.insert(signature, device->nodePath());
        }
    }
    return nodes;
}

}  // namespace

int OVDevicesCommand(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    const bool json = arguments == QStringList{QStringLiteral("--json")};
    if (!arguments.isEmpty() && !json) {
        err << "usage: orvetta-tool devices [--json]\n";
        return 2;
    }
    OVServicesGuard services;
    OVAssembledPlatform platform;
    platform.hidManagerFactory = [] { return std::make_unique<OVLinuxHIDManager>(); };
    services.setPlatform(&platform);

    const QVariantList candidates = OVCandidateDevices();
    const QHash<QString, QString> nodes = nodesBySignature();
    QJsonArray records;
    for (const QVariant& candidate : candidates) {
        const QVariantMap record = candidate.toMap();
        const QString signature = record.value(QStringLiteral("signature")).toString();
        const bool supported = record.value(QStringLiteral("supported")).toBool();
        const QString node = nodes.value(signature);
        if (json) {
            records.append(QJsonObject{{"signature", signature},
                                       {"title", record.value(QStringLiteral("title")).toString()},
                                       {"supported", supported},
                                       {"node", node}});
            continue;
        }
        out << record.value(QStringLiteral("title")).toString() << "\n"
            << "  signature: " << signature << "\n"
            << "  supported: " << (supported ? "yes" : "no (no touch layout in its descriptor)")
            << "\n"
            << "  node:      " << node << "\n";
    }
    if (json) {
        out << QJsonDocument(records).toJson(QJsonDocument::Indented);
    } else if (candidates.isEmpty()) {
        out << "No touch devices found.\n";
    }
    return 0;
}
