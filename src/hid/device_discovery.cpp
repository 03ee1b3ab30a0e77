#include "hid/device_discovery.h"

#include <QSet>
#include <algorithm>
#include <cmath>
#include <limits>

#include "base/hex_digits.h"
#include "base/preferences.h"
#include "base/services.h"
#include "hid/descriptor_parser.h"
#include "platform/platform.h"

namespace {

const QString kVendorID = QStringLiteral("VendorID");
const QString kProductID = QStringLiteral("ProductID");
const QString kLocationID = QStringLiteral("LocationID");
const QString kPrimaryUsagePage = QStringLiteral("PrimaryUsagePage");
const QString kManufacturer = QStringLiteral("Manufacturer");
const QString kProduct = QStringLiteral("Product");
const QString kSerialNumber = QStringLiteral("SerialNumber");

QString paddedHex(qint64 value, int digits) {
    return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0'));
}

// Reads a hexadecimal number as a scanner does: white space first, an optional 0x or 0X, then
// hex digits up to the first other character. A value past 32 bits reads as the largest one.
std::optional<std::uint32_t> scanHexInt(const QString& text) {
    qsizetype position = 0;
    while (position < text.size() && text[position].isSpace()) {
        ++position;
    }
    if (position + 2 < text.size() && text[position] == QLatin1Char('0') &&
        (text[position + 1] == QLatin1Char('x') || text[position + 1] == QLatin1Char('X')) &&
        OVHexDigitValue(text[position + 2].unicode()) >= 0) {
        position += 2;
    }
    std::uint64_t value = 0;
    bool anyDigit = false;
    for (; position < text.size(); ++position) {
        const int digit = OVHexDigitValue(text[position].unicode());
        if (digit < 0) {
            break;
        }
        anyDigit = true;
        value = std::min<std::uint64_t>(value * 16 + static_cast<std::uint64_t>(digit),
                                        std::numeric_limits<std::uint32_t>::max());
    }
    if (!anyDigit) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

std::int32_t int32FromDouble(double value) {
    if (!std::isfinite(value)) {
        return -1;
    }
    const double clamped =
        std::clamp(std::trunc(value), static_cast<double>(std::numeric_limits<std::int32_t>::min()),
                   static_cast<double>(std::numeric_limits<std::int32_t>::max()));
    return static_cast<std::int32_t>(clamped);
}

QString nonEmptyString(const OVHIDDevice& device, const QString& key) {
    return OVStringDeviceProperty(device, key).value_or(QString());
}

template <typename Visit>
void forEachAttachedDevice(Visit visit) {
    std::unique_ptr<OVHIDManager> manager = OVCurrentPlatform().createHIDManager();
    manager->setDeviceMatching({});
    for (const OVHIDDeviceRef& device : manager->copyDevices()) {
        if (device) {
            visit(*device);
        }
    }
}

}  // namespace

std::int32_t OVIntegerDeviceProperty(const OVHIDDevice& device, const QString& key) {
    const QVariant value = device.property(key);
    switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
            return static_cast<std::int32_t>(value.toLongLong());
        case QMetaType::Double:
        case QMetaType::Float:
            return int32FromDouble(value.toDouble());
        default:
            return -1;
    }
}

std::optional<QString> OVStringDeviceProperty(const OVHIDDevice& device, const QString& key) {
    const QVariant value = device.property(key);
    if (value.typeId() != QMetaType::QString) {
        return std::nullopt;
    }
    return value.toString();
}

QByteArray OVHIDReportDescriptorForDevice(const OVHIDDevice& device) {
    const QVariant value = device.property(QStringLiteral("ReportDescriptor"));
    return value.typeId() == QMetaType::QByteArray ? value.toByteArray() : QByteArray();
}

QString OVDeviceStringOrDash(const OVHIDDevice& device, const QString& key) {
    const QString text = nonEmptyString(device, key);
    return text.isEmpty() ? QStringLiteral("-") : text;
}

QString OVHexOrUnknown(qint64 value, int digits) {
    if (value < 0) {
        return QStringLiteral("unknown");
    }
    return QStringLiteral("0x") + paddedHex(value, digits);
}

QString OVSafeSignatureComponent(const std::optional<QString>& text) {
    if (!text || text->isEmpty()) {
        return QStringLiteral("-");
    }
    QString safe = *text;
    safe.replace(QLatin1Char(':'), QLatin1Char('_'));
    safe.replace(QLatin1Char('|'), QLatin1Char('_'));
    return safe;
}

QString OVDeviceSignature(const OVHIDDevice& device) {
    const auto idPart = [&](const QString& key, int digits) {
        return paddedHex(std::max<std::int32_t>(OVIntegerDeviceProperty(device, key), 0), digits);
    };
    return QStringList{idPart(kVendorID, 4),
                       idPart(kProductID, 4),
                       idPart(kLocationID, 8),
                       OVSafeSignatureComponent(OVStringDeviceProperty(device, kManufacturer)),
                       OVSafeSignatureComponent(OVStringDeviceProperty(device, kProduct)),
                       OVSafeSignatureComponent(OVStringDeviceProperty(device, kSerialNumber))}
        .join(QLatin1Char(':'));
}

QString OVDeviceTitle(const OVHIDDevice& device) {
    QString name = nonEmptyString(device, kProduct);
    if (name.isEmpty()) {
        name = nonEmptyString(device, kManufacturer);
    }
    if (name.isEmpty()) {
        name = QStringLiteral("HID touch device");
    }
    return QStringLiteral("%1 (%2:%3)")
        .arg(name, OVHexOrUnknown(OVIntegerDeviceProperty(device, kVendorID), 4),
             OVHexOrUnknown(OVIntegerDeviceProperty(device, kProductID), 4));
}

bool OVVendorProductFromSignature(const QString& signature, std::uint32_t* vendor,
                                  std::uint32_t* product) {
    const QStringList components = signature.split(QLatin1Char(':'));
    if (components.size() < 2) {
        return false;
    }
    const std::optional<std::uint32_t> vendorID = scanHexInt(components[0]);
    const std::optional<std::uint32_t> productID = scanHexInt(components[1]);
    if (!vendorID || !productID) {
        return false;
    }
    if (vendor) {
        *vendor = *vendorID;
    }
    if (product) {
        *product = *productID;
    }
    return true;
}

QString OVCurrentDeviceSelection() {
    const QString selection =
        OVStandardPreferences().stringForKey(QStringLiteral("deviceSelection"));
    return selection.isEmpty() ? OVDeviceSelectionAuto : selection;
}

QList<QVariantMap> OVCreateHIDMatchingArray() {
    return {OVCreateUsageMatchDictionary(OVHIDDigitizerUsagePage, OVHIDTouchScreenUsage)};
}

QVariantMap OVCreateUsageMatchDictionary(std::int32_t usagePage, std::int32_t usage) {
    return {{QStringLiteral("DeviceUsagePage"), usagePage}, {QStringLiteral("DeviceUsage"), usage}};
}

QVariantMap OVCreateVendorProductMatchDictionary(std::int32_t vendor, std::int32_t product) {
    return {{kVendorID, vendor}, {kProductID, product}};
}

QList<QVariantMap> OVHIDMatchingForSelection(const QString& selection) {
    std::uint32_t vendor = 0;
    std::uint32_t product = 0;
    if (selection != OVDeviceSelectionAuto &&
        OVVendorProductFromSignature(selection, &vendor, &product)) {
        return {OVCreateVendorProductMatchDictionary(static_cast<std::int32_t>(vendor),
                                                     static_cast<std::int32_t>(product))};
    }
    return OVCreateHIDMatchingArray();
}

bool OVDeviceLooksPossiblyCompatible(const OVHIDDevice& device) {
    if (OVIntegerDeviceProperty(device, kPrimaryUsagePage) == OVHIDDigitizerUsagePage) {
        return true;
    }
    const QString names = (nonEmptyString(device, kManufacturer) + QLatin1Char(' ') +
                           nonEmptyString(device, kProduct))
                              .toLower();
    return names.contains(QLatin1String("multi-touch")) ||
           names.contains(QLatin1String("multitouch")) ||
           names.contains(QLatin1String("touchscreen")) ||
           (names.contains(QLatin1String("touch")) && names.contains(QLatin1String("display")));
}

bool OVDeviceHasParseableTouchDescriptor(const OVHIDDevice& device) {
    const QByteArray descriptor = OVHIDReportDescriptorForDevice(device);
    return !descriptor.isEmpty() && OVHIDDigitizerLayoutBuild(descriptor).valid;
}

bool OVDeviceIsBuiltIn(const OVHIDDevice& device) {
    const QString transport = nonEmptyString(device, QStringLiteral("Transport"));
    return transport == QLatin1String("I2C") || transport == QLatin1String("SPI") ||
           transport == QLatin1String("Platform");
}

QList<OVHIDDeviceRef> OVDevicesInAutoOrder(QList<OVHIDDeviceRef> devices) {
    std::stable_partition(devices.begin(), devices.end(), [](const OVHIDDeviceRef& device) {
        return !device || !OVDeviceIsBuiltIn(*device);
    });
    return devices;
}

QVariantList OVCandidateDevices() {
    struct Candidate {
        QString signature;
        QString title;
        bool supported;
    };
    QList<Candidate> candidates;
    QSet<QString> seen;
    forEachAttachedDevice([&](const OVHIDDevice& device) {
        const bool supported = OVDeviceHasParseableTouchDescriptor(device);
        if (!supported && !OVDeviceLooksPossiblyCompatible(device)) {
            return;
        }
        const QString signature = OVDeviceSignature(device);
        if (seen.contains(signature)) {
            return;
        }
        seen.insert(signature);
        candidates.append({signature, OVDeviceTitle(device), supported});
    });
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) {
                         if (a.supported != b.supported) {
                             return a.supported;
                         }
                         return QString::compare(a.title, b.title, Qt::CaseInsensitive) < 0;
                     });
    QVariantList records;
    for (const Candidate& candidate : candidates) {
        records.append(QVariantMap{{QStringLiteral("signature"), candidate.signature},
                                   {QStringLiteral("title"), candidate.title},
                                   {QStringLiteral("supported"), candidate.supported}});
    }
    return records;
}

bool OVHasCompatibleTouchDevice() {
    bool found = false;
    forEachAttachedDevice([&](const OVHIDDevice& device) {
        found = found || OVDeviceLooksPossiblyCompatible(device);
    });
    return found;
}
