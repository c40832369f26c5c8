// The bit service: binary texts (least significant bit first) and bit
// arithmetic on longs (32 bits) and integers (16 bits), bits numbered from 1.
// Stateless; a local variable of the type is a ready object.
//
// The long and integer forms share names, so pass rt::nlong or rt::nint
// values, not bare literals.
#pragma once

#include "runtime/value.h"

#include <cstdint>
#include <optional>
#include <string>

class n_numerical {
public:
    using nuint = std::optional<std::uint16_t>;

    rt::nstring of_binary(const rt::nlong& al_decimal) const;   // 32 characters
    rt::nlong of_decimal(const rt::nstring& as_binary) const;   // "" gives 0
    // false for a null value or a bit outside 1 to 32
    bool of_getbit(const rt::nlong& al_decimal, const nuint& aui_bit) const;
    rt::nlong of_bitwiseand(const rt::nlong& al_decimala, const rt::nlong& al_decimalb) const;
    rt::nlong of_bitwiseor(const rt::nlong& al_decimala, const rt::nlong& al_decimalb) const;
    // A bit outside 1 to 32 (or null) leaves the value as it was.
    rt::nlong of_setbit(const rt::nlong& al_decimal, const nuint& aui_bit) const;
    rt::nlong of_clearbit(const rt::nlong& al_decimal, const nuint& aui_bit) const;
    rt::nlong of_flipbit(const rt::nlong& al_decimal, const nuint& aui_bit) const;
    rt::nlong of_bitwisenot(const rt::nlong& al_decimal) const;
    rt::nlong of_bitwisexor(const rt::nlong& al_decimala, const rt::nlong& al_decimalb) const;
    rt::nint of_bitwiseand(const rt::nint& ai_decimala, const rt::nint& ai_decimalb) const;
    rt::nint of_bitwiseor(const rt::nint& ai_decimala, const rt::nint& ai_decimalb) const;
    // A bit outside 1 to 16 (or null) leaves the value as it was.
    rt::nint of_setbit(const rt::nint& ai_decimal, const nuint& aui_bit) const;
    rt::nint of_clearbit(const rt::nint& ai_decimal, const nuint& aui_bit) const;
    rt::nint of_flipbit(const rt::nint& ai_decimal, const nuint& aui_bit) const;
    rt::nint of_bitwisenot(const rt::nint& ai_decimal) const;
    rt::nint of_bitwisexor(const rt::nint& ai_decimala, const rt::nint& ai_decimalb) const;
};
