#pragma once
// "Verify ": the reference tables (".SERV" files) the table pages compare a walked table
// with. Each non-empty line is one attribute in hexadecimal digits (blanks ignored): a
// two-byte length (most significant byte first) counting the bytes after it, the
// attribute handle and type (most significant first), then the attribute value, in which
// multi-byte handles and UUIDs are least significant byte first. Type 0x2800 starts a
// service, 0x2803 declares a characteristic, 0x2900 to 0x29FF are descriptors of the
// current characteristic and any other type is the current characteristic's value.
// Widget-free.

#include "pages/gatt/GattTable.h"

#include <QByteArray>
#include <QString>

#include <variant>
#include <vector>

namespace nuvex3::gatt {

// Lines read from a reference file at most; the rest is ignored.
inline constexpr int kMaxReferenceLines = 100;

struct ReferenceError {
    int line = 0; // in the file, from 1
    QString message;
    // "Line 3 of the reference file: ..."
    QString text() const;
};

using Reference = std::vector<Service>;

// Reads a reference from the file's contents. A line that is not hexadecimal, has an odd
// number of digits, is shorter than length, handle and type, or whose length does not
// match its bytes gives an error naming the line.
std::variant<Reference, ReferenceError> parseReference(const QByteArray& content);

// Compares the reference with a link record, service by service by UUID, and returns the
// message of the first difference, or "GATT Table Verify Success". A characteristic that
// the walk did not read (no value) is not compared by value. A missing link counts as a
// link without services.
QString verifyTable(const Reference& reference, const Link* link);

inline const QString kVerifySuccess = QStringLiteral("GATT Table Verify Success");

} // namespace nuvex3::gatt
