#include "foundation/pfc_n_tr.h"

pfc_n_tr::pfc_n_tr() = default;
pfc_n_tr::~pfc_n_tr() = default;
