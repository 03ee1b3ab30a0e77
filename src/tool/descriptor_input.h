#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The report descriptor that a command-line argument names: a hid-recorder file (its first
// device), a file of hex text, a file of raw descriptor bytes, or hex text given directly.
// Hex text is bytes in hex separated by white space or commas, with or without "0x", or one run
// of hex digits; "#" and "//" start comments. Fails with a one-line reason.
std::optional<QByteArray> OVToolDescriptorFromArgument(const QString& argument, QString* error);

// The bytes of hex text as described above, or nothing when the text is not hex.
std::optional<QByteArray> OVToolBytesFromHexText(const QByteArray& text);
