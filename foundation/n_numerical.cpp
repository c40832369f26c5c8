#include "foundation/n_numerical.h"


rt::nstring n_numerical::of_binary(const rt::nlong&) const { return rt::null; }
rt::nlong n_numerical::of_decimal(const rt::nstring&) const { return rt::null; }
bool n_numerical::of_getbit(const rt::nlong&, const n_numerical::nuint&) const { return false; }
rt::nlong n_numerical::of_bitwiseand(const rt::nlong&, const rt::nlong&) const { return rt::null; }
rt::nlong n_numerical::of_bitwiseor(const rt::nlong&, const rt::nlong&) const { return rt::null; }
rt::nlong n_numerical::of_setbit(const rt::nlong&, const n_numerical::nuint&) const { return rt::null; }
rt::nlong n_numerical::of_clearbit(const rt::nlong&, const n_numerical::nuint&) const { return rt::null; }
rt::nlong n_numerical::of_flipbit(const rt::nlong&, const n_numerical::nuint&) const { return rt::null; }
rt::nlong n_numerical::of_bitwisenot(const rt::nlong&) const { return rt::null; }
rt::nlong n_numerical::of_bitwisexor(const rt::nlong&, const rt::nlong&) const { return rt::null; }
rt::nint n_numerical::of_bitwiseand(const rt::nint&, const rt::nint&) const { return rt::null; }
rt::nint n_numerical::of_bitwiseor(const rt::nint&, const rt::nint&) const { return rt::null; }
rt::nint n_numerical::of_setbit(const rt::nint&, const n_numerical::nuint&) const { return rt::null; }
rt::nint n_numerical::of_clearbit(const rt::nint&, const n_numerical::nuint&) const { return rt::null; }
rt::nint n_numerical::of_flipbit(const rt::nint&, const n_numerical::nuint&) const { return rt::null; }
rt::nint n_numerical::of_bitwisenot(const rt::nint&) const { return rt::null; }
rt::nint n_numerical::of_bitwisexor(const rt::nint&, const rt::nint&) const { return rt::null; }
