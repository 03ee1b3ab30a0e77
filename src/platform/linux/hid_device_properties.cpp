#include "platform/linux/hid_device_properties.h"

#include <QStringList>

namespace {

constexpr std::uint32_t kBusUSB = 0x03;
constexpr std::uint32_t kBusBluetooth = 0x05;
constexpr std::uint32_t kBusI2C = 0x18;
constexpr std::uint32_t kBusHost = 0x19;  // a platform device of the computer itself
constexpr std::uint32_t kBusSPI = 0x1C;

constexpr int kMaxPortNibbles = 6;

std::optional<std::uint32_t> parseHex(const QString& text) {
    bool ok = false;
    const qulonglong value = text.trimmed().toULongLong(&ok, 16);
    if (!ok || value > 0xFFFFFFFFull) {
        return std::nullopt;
    }
    return std::uint32_t(value);
}

bool isNumber(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::Short:
        case QMetaType::UShort:
            return true;
        default:
            return false;
    }
}

bool usageKeysMatch(const QList<OVHIDUsagePair>& usages, const QVariant& page,
                    const QVariant& usage) {
    for (const OVHIDUsagePair& pair : usages) {
        const bool pageMatches =
            !page.isValid() || (isNumber(page) && page.toLongLong() == pair.usagePage);
        const bool usageMatches =
            !usage.isValid() || (isNumber(usage) && usage.toLongLong() == pair.usage);
        if (pageMatches && usageMatches) {
            return true;
        }
    }
    return false;
}

// Numbers equal numbers of any width; anything else must be of the same type and equal.
bool propertyMatches(const QVariant& property, const QVariant& wanted) {
    if (!property.isValid()) {
        return false;
    }
    if (isNumber(property) || isNumber(wanted)) {
        return isNumber(property) && isNumber(wanted) &&
               property.toLongLong() == wanted.toLongLong();
    }
    return property.typeId() == wanted.typeId() && property == wanted;
}

}  // namespace

std::optional<OVHIDBusIdentity> OVParseHIDID(const QString& hidID) {
    const QStringList parts = hidID.split(QLatin1Char(':'));
    if (parts.size() != 3) {
        return std::nullopt;
    }
    const auto bus = parseHex(parts[0]);
    const auto vendor = parseHex(parts[1]);
    const auto product = parseHex(parts[2]);
    if (!bus || !vendor || !product) {
        return std::nullopt;
    }
    return OVHIDBusIdentity{*bus, *vendor, *product};
}

QString OVTransportForBus(std::uint32_t bus) {
    switch (bus) {
        case kBusUSB:
            return QStringLiteral("USB");
        case kBusBluetooth:
            return QStringLiteral("Bluetooth");
        case kBusI2C:
            return QStringLiteral("I2C");
        case kBusSPI:
            return QStringLiteral("SPI");
        case kBusHost:
            return QStringLiteral("Platform");
        default:
            return QString();
    }
}

std::uint32_t OVStableHash32(const QByteArray& bytes) {
    std::uint32_t hash = 2166136261u;
    for (char byte : bytes) {
        hash ^= std::uint8_t(byte);
        hash *= 16777619u;
    }
    return hash;
}

std::uint32_t OVLocationIDForPath(const QString& path) {
    // Kept below 2^31: the location is read as a signed 32-bit number, and a negative one would
    // count as missing.
    return OVStableHash32(path.toUtf8()) & 0x7FFFFFFFu;
}

std::uint32_t OVLocationIDForUSBPort(std::uint32_t busNumber, const QString& portPath) {
    const QStringList ports = portPath.split(QLatin1Char('.'), Qt::SkipEmptyParts);
    bool fits = busNumber <= 0x7F && !ports.isEmpty() && ports.size() <= kMaxPortNibbles;
    std::uint32_t location = busNumber << 24;
    for (int i = 0; fits && i < ports.size(); ++i) {
        bool ok = false;
        const uint port = ports[i].toUInt(&ok);
        fits = ok && port >= 1 && port <= 0xF;
        location |= port << (20 - 4 * i);
    }
    if (!fits) {
        return OVLocationIDForPath(QStringLiteral("usb-%1-%2").arg(busNumber).arg(portPath));
    }
    return location;
}

std::optional<std::int32_t> OVVersionNumberFromBCD(const QString& bcd) {
    const auto value = parseHex(bcd);
    if (!value || *value > 0xFFFF) {
        return std::nullopt;
    }
    return std::int32_t(*value);
}

QVariantMap OVHIDPropertiesFromSysfsFacts(const OVHIDSysfsFacts& facts,
                                          QList<OVHIDUsagePair>* topLevelUsages) {
    QVariantMap properties;
    const auto identity = OVParseHIDID(facts.hidID);
    if (identity) {
        properties.insert(QStringLiteral("VendorID"), std::int32_t(identity->vendor));
        properties.insert(QStringLiteral("ProductID"), std::int32_t(identity->product));
        const QString transport = OVTransportForBus(identity->bus);
        if (!transport.isEmpty()) {
            properties.insert(QStringLiteral("Transport"), transport);
        }
    }

    auto insertString = [&](const char* key, const QString& value) {
        if (!value.isEmpty()) {
            properties.insert(QLatin1String(key), value);
        }
    };
    if (facts.onUSB) {
        // The strings of the USB device itself, as the device reports them.
        insertString("Manufacturer", facts.usbManufacturer);
        insertString("Product", facts.usbProduct);
        insertString("SerialNumber", facts.usbSerial);
        if (const auto version = OVVersionNumberFromBCD(facts.usbBcdDevice)) {
            properties.insert(QStringLiteral("VersionNumber"), *version);
        }
        bool busOK = false;
        const uint bus = facts.usbBusNumber.toUInt(&busOK);
        if (busOK && !facts.usbPortPath.isEmpty()) {
            properties.insert(QStringLiteral("LocationID"),
                              std::int32_t(OVLocationIDForUSBPort(bus, facts.usbPortPath)));
        }
    } else {
        insertString("Product", facts.hidName);
        insertString("SerialNumber", facts.hidUniq);
        const QString place =
            !facts.hidPhys.isEmpty() ? facts.hidPhys : facts.hidSysPath.section('/', 0, -2);
        if (!place.isEmpty()) {
            properties.insert(QStringLiteral("LocationID"),
                              std::int32_t(OVLocationIDForPath(place)));
        }
    }

    if (!facts.reportDescriptor.isEmpty()) {
        properties.insert(QStringLiteral("ReportDescriptor"), facts.reportDescriptor);
        const OVHIDDescriptorFacts descriptor =
            OVHIDDescriptorFactsFromBytes(facts.reportDescriptor);
        if (descriptor.primaryUsagePage) {
            properties.insert(QStringLiteral("PrimaryUsagePage"),
                              std::int32_t(*descriptor.primaryUsagePage));
        }
        if (descriptor.primaryUsage) {
            properties.insert(QStringLiteral("PrimaryUsage"),
                              std::int32_t(*descriptor.primaryUsage));
        }
        if (descriptor.maxInputReportSize > 0) {
            properties.insert(QStringLiteral("MaxInputReportSize"), descriptor.maxInputReportSize);
        }
        if (topLevelUsages) {
            *topLevelUsages = descriptor.topLevelUsages;
        }
    } else if (topLevelUsages) {
        topLevelUsages->clear();
    }
    return properties;
}

bool OVHIDDeviceMatchesDictionary(const QVariantMap& properties,
                                  const QList<OVHIDUsagePair>& topLevelUsages,
                                  const QVariantMap& dictionary) {
    const QVariant page = dictionary.value(QStringLiteral("DeviceUsagePage"));
    const QVariant usage = dictionary.value(QStringLiteral("DeviceUsage"));
    if ((page.isValid() || usage.isValid()) && !usageKeysMatch(topLevelUsages, page, usage)) {
        return false;
    }
    for (auto it = dictionary.constBegin(); it != dictionary.constEnd(); ++it) {
        if (it.key() == QLatin1String("DeviceUsagePage") ||
            it.key() == QLatin1String("DeviceUsage")) {
            continue;
        }
        if (!propertyMatches(properties.value(it.key()), it.value())) {
            return false;
        }
    }
    return true;
}

bool OVHIDDeviceMatchesAny(const QVariantMap& properties,
                           const QList<OVHIDUsagePair>& topLevelUsages,
                           const QList<QVariantMap>& matching) {
    if (matching.isEmpty()) {
        return true;
    }
    for (const QVariantMap& dictionary : matching) {
        if (OVHIDDeviceMatchesDictionary(properties, topLevelUsages, dictionary)) {
            return true;
        }
    }
    return false;
}
