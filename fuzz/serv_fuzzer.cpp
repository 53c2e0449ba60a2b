// Fuzz target for ".SERV" reference files: the reader, and the comparison of what it read
// with a walked table (the simulator's default peer, as its reference describes it).

#include "pages/gatt/ServReference.h"

#include <QByteArray>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace nuvex3::gatt;
    const QByteArray content(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto parsed = parseReference(content);
    if (const auto* error = std::get_if<ReferenceError>(&parsed)) {
        if (error->line < 1 || error->message.isEmpty())
            __builtin_trap();
        return 0;
    }
    const Reference& ref = std::get<Reference>(parsed);
    for (const Service& s : ref) {
        if (s.uuid.size() != 4 && s.uuid.size() != 32)
            __builtin_trap();
        for (const Characteristic& c : s.characteristics)
            if (c.uuid.size() != 4 && c.uuid.size() != 32)
                __builtin_trap();
    }
    // Against itself a reference with distinct services verifies clean; against an empty
    // link it never does when it lists a service.
    bool distinct = true;
    for (std::size_t i = 0; i < ref.size(); ++i)
        for (std::size_t j = i + 1; j < ref.size(); ++j)
            distinct = distinct && ref[i].uuid != ref[j].uuid;
    const Link self{"01", ref};
    if (distinct && verifyTable(ref, &self) != kVerifySuccess)
        __builtin_trap();
    if (!ref.empty() && verifyTable(ref, nullptr) == kVerifySuccess)
        __builtin_trap();
    return 0;
}
