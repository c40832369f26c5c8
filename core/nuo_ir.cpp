#include "core/nuo_ir.h"

int nuo_ir::internetdata(const rt::blob& data) {
    of_setdata(data);
    return 1;
}

void nuo_ir::of_setdata(const rt::blob& al_data) { ib_data = al_data; }

rt::blob nuo_ir::of_getdata() const { return ib_data; }
