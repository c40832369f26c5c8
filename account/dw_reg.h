// The sign-up form: one row of seven text columns in free form, each with
// its label on the left and, for the five that must be filled in, a red "*"
// on the right. Nothing is retrieved or saved through it.
#pragma once

#include "runtime/dataobject.h"

// Registers the object as "dw_reg" on the first call.
const rt::DataObject& dw_reg_object();
