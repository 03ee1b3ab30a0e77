// orvetta-tool diagnostics: the device report a compatibility check ends with and, with
// --payload, the JSON payload it would send. Nothing is sent and nothing is written.

#include <QJsonDocument>
#include <QJsonObject>

#include "base/preferences.h"
#include "base/qt_scheduler.h"
#include "base/services.h"
#include "compat/diagnostics_report.h"
#include "hid/descriptor_writer.h"
#include "platform/assembled_platform.h"
#include "platform/display_services.h"
#include "platform/sim/sim_hid_manager.h"
#include "settings/profiles.h"
#include "tool/tool_commands.h"

namespace {

// Displays as listed; the tool has no display backend of its own yet.
class ListedDisplays : public OVDisplayServices {
  public:
    QList<OVDisplayInfo> activeDisplays() const override { return displays; }
    std::uint32_t mainDisplayID() const override {
        return displays.isEmpty() ? 0 : displays.first().displayID;
    }
    void hideCursor() override {}
    void showCursor() override {}
    void setReconfigurationCallback(ReconfigurationCallback) override {}

    QList<OVDisplayInfo> displays;
};

// A machine with one touch display on one monitor, for seeing a full report without hardware.
void addSimulatedTouchDisplay(OVSimHIDDeviceSet& devices, ListedDisplays& displays) {
    OVHIDTouchScreenDescription description;
    description.fingers = 10;
    devices.add({{"VendorID", 0x04e8},
                 {"ProductID", 0x2d50},
                 {"VersionNumber", 0x0100},
                 {"LocationID", 0x01420000},
                 {"PrimaryUsagePage", 0x0D},
                 {"PrimaryUsage", 0x04},
                 {"MaxInputReportSize", 64},
                 {"Manufacturer", "Simulated"},
                 {"Product", "Touch Display"},
                 {"SerialNumber", "SIM-0001"},
                 {"Transport", "USB"}},
                OVHIDTouchScreenDescriptor(description));
    OVDisplayInfo monitor;
    monitor.displayID = 1;
    monitor.name = QStringLiteral("SIM-1");
    monitor.bounds = QRectF(0, 0, 1920, 1080);
    monitor.pixelSize = QSize(3840, 2160);
    monitor.isMain = true;
    displays.displays = {monitor};
}

// The user's preferences as they are, in memory, so that reading them never writes the file.
void copyStoredPreferences(OVPreferences& into) {
    OVPreferences stored(OVPreferences::defaultPath(), nullptr);
    const QVariantMap values = stored.storedValues();
    for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
        into.setObject(it.key(), it.value());
    }
}

}  // namespace

int OVDiagnosticsCommand(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    bool withPayload = false;
    bool simulated = false;
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("--payload")) {
            withPayload = true;
        } else if (argument == QLatin1String("--sim")) {
            simulated = true;
        } else {
            err << "usage: orvetta-tool diagnostics [--payload] [--sim]\n";
            return 2;
        }
    }

    OVServicesGuard services;
    OVQtScheduler scheduler;
    services.setScheduler(&scheduler);
    OVPreferences preferences;
    services.setPreferences(&preferences);
    OVRegisterDefaults();
    copyStoredPreferences(preferences);

    OVSimHIDDeviceSet devices;
    ListedDisplays displays;
    if (simulated) {
        addSimulatedTouchDisplay(devices, displays);
    }
    OVAssembledPlatform platform;
    platform.hidManagerFactory = devices.managerFactory();
    platform.displays = &displays;
    services.setPlatform(&platform);

    out << OVDeviceReportText();
    if (withPayload) {
        const QVariantMap payload = OVAssembleCompatibilityReportPayload(
            std::nullopt, OVCompatibilityCheckReportType, OVCompatibilityCheckReportFormat, {}, {});
        out << "\nCompatibility report payload (not sent):\n"
            << QString::fromUtf8(QJsonDocument(QJsonObject::fromVariantMap(payload))
                                     .toJson(QJsonDocument::Indented));
    }
    return 0;
}
