// orvetta-tool describe: the touch layout that a report descriptor declares.

#include <QJsonDocument>
#include <QStringList>

#include "hid/descriptor_parser.h"
#include "hid/descriptor_summary.h"
#include "hid/report_decoding.h"
#include "tool/descriptor_input.h"
#include "tool/tool_commands.h"

namespace {

QString yesNo(bool value) {
    return value ? QStringLiteral("yes") : QStringLiteral("no");
}

QString bits(std::int32_t offset, std::int32_t length) {
    return offset < 0 ? QStringLiteral("-") : QStringLiteral("%1:%2").arg(offset).arg(length);
}

QString bit(std::int32_t offset) {
    return offset < 0 ? QStringLiteral("-") : QString::number(offset);
}

QString range(std::int32_t minimum, std::int32_t maximum) {
    return QStringLiteral("%1..%2").arg(minimum).arg(maximum);
}

// Rows of cells printed as left-aligned columns two spaces apart.
void printTable(const QList<QStringList>& rows, QTextStream& out) {
    QList<qsizetype> widths;
    for (const QStringList& row : rows) {
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (i >= widths.size()) {
                widths.append(0);
            }
            widths[i] = std::max(widths[i], row[i].size());
        }
    }
    for (const QStringList& row : rows) {
        QString line;
        for (qsizetype i = 0; i < row.size(); ++i) {
            line += i + 1 < row.size() ? row[i].leftJustified(widths[i] + 2) : row[i];
        }
        out << line << "\n";
    }
}

void printLayoutTable(const OVHIDDigitizerLayout& layout, QTextStream& out) {
    const bool unnumbered = layout.reportIDByteOffset < 0;
    out << (unnumbered ? QStringLiteral("unnumbered reports")
                       : QStringLiteral("report ID %1").arg(layout.reportID))
        << ", " << layout.contactCount << " contact slots, "
        << "Contact Count "
        << (layout.hasContactCount
                ? bits(layout.contactCountBitOffset, layout.contactCountBitLength)
                : QStringLiteral("unavailable"))
        << (layout.hasContactCount ? " (hybrid mode possible)" : "") << "\n";
    out << "collections: finger " << yesNo(layout.hasFingerCollection) << ", pen "
        << yesNo(layout.hasPenCollection) << "\n";
    out << "fields: touch valid " << yesNo(layout.hasTouchValid) << ", in range "
        << yesNo(layout.hasInRange) << ", invert " << yesNo(layout.hasInvert) << ", eraser "
        << yesNo(layout.hasEraser) << ", width " << yesNo(layout.hasWidth) << ", height "
        << yesNo(layout.hasHeight) << ", logical ranges " << yesNo(layout.hasLogicalRanges)
        << "\n\n";
    QList<QStringList> rows{{"slot", "kind", "tip", "in range", "valid", "invert", "eraser",
                             "contact id", "x", "y", "width", "height", "x range", "y range"}};
    for (int i = 0; i < layout.contactCount && i < OVHIDMaxContactSlots; ++i) {
        const OVHIDContactLayout& c = layout.contacts[i];
        rows.append(
            {QString::number(c.slot), OVContactKindName(c.preferredKind), bit(c.tipSwitchBitOffset),
             bit(c.inRangeBitOffset), bit(c.touchValidBitOffset), bit(c.invertBitOffset),
             bit(c.eraserBitOffset), bits(c.contactIdBitOffset, c.contactIdBitLength),
             bits(c.xBitOffset, c.xBitLength), bits(c.yBitOffset, c.yBitLength),
             bits(c.widthBitOffset, c.widthBitLength), bits(c.heightBitOffset, c.heightBitLength),
             range(c.xLogicalMinimum, c.xLogicalMaximum),
             range(c.yLogicalMinimum, c.yLogicalMaximum)});
    }
    printTable(rows, out);
    out << (unnumbered ? "\nbit offsets count from bit 0 of the report, which starts with data\n"
                       : "\nbit offsets count from bit 0 of the report, report ID byte included\n");
}

}  // namespace

int OVDescribeCommand(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    QStringList inputs = arguments;
    const bool json = inputs.removeAll(QStringLiteral("--json")) > 0;
    if (inputs.size() != 1) {
        err << "usage: orvetta-tool describe [--json] <hex | file.hidrec | file with hex>\n";
        return 2;
    }
    QString error;
    const std::optional<QByteArray> descriptor = OVToolDescriptorFromArgument(inputs[0], &error);
    if (!descriptor) {
        err << "orvetta-tool describe: " << error << "\n";
        return 2;
    }
    const OVHIDDigitizerLayout layout = OVHIDDigitizerLayoutBuild(*descriptor);
    if (json) {
        const QVariantMap summary = OVHIDDigitizerLayoutDictionary(layout);
        out << (summary.isEmpty()
                    ? QByteArray("{}\n")
                    : QJsonDocument::fromVariant(summary).toJson(QJsonDocument::Indented));
    } else if (!layout.valid) {
        out << OVHIDDecoderStatusForLayout(layout) << "\n";
    } else {
        printLayoutTable(layout, out);
    }
    return 0;
}
