#include "foundation/w_sheet.h"

w_sheet::w_sheet() { set_design_size(3520, 1724); }
